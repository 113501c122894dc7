// The settings script window on screen (offscreen in CI): editor, output pane, F9, the
// Ctrl save keys, the close question, and the window as runScriptFile shows it at
// start-up and from F3.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <Qsci/qscilexerpascal.h>
#include <Qsci/qsciscintilla.h>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/run_script_file.h"
#include "app/window/main_form.h"
#include "app/window/script_window.h"
#include "app/window/script_window_install.h"
#include "app/window/settings_editor_hook.h"
#include "config/kelmo_params.h"
#include "platform/cp1251.h"
#include "platform/message_box.h"
#include "qt_test_app.h"
#include "../script_test_support.h"

namespace kelmo {
namespace {

using Lines = std::vector<std::string>;

Lines paneOf(const TfmScripter& w) {
  const QString text = w.Memo2()->toPlainText();
  if (text.isEmpty()) return {};
  Lines lines;
  for (const QString& line : text.split(QLatin1Char('\n'))) lines.push_back(line.toStdString());
  return lines;
}

// A key press and release as the window system delivers them, for any key (QTest::keyClick
// knows only keys with an ASCII character).
void pressKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers);
  QApplication::sendEvent(target, &release);
}

class ScriptWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::testApplication();
    createGlobalParams();
    file = dir.file("kelmo.ini");
    previousBoxes_ = setMessageBoxHandler([this](const MessageBoxRequest& r) {
      boxes.push_back(r);
      if (answers.empty()) return r.buttons == BoxButtons::Ok ? BoxAnswer::Ok : BoxAnswer::Cancel;
      const BoxAnswer a = answers.front();
      answers.pop_front();
      return a;
    });
  }
  void TearDown() override { setMessageBoxHandler(std::move(previousBoxes_)); }

  void writeScript(const std::string& utf8) { test::writeBytes(file, utf8ToCp1251(utf8)); }

  std::unique_ptr<TfmScripter> loadedWindow(const std::string& utf8Script) {
    writeScript(utf8Script);
    auto w = std::make_unique<TfmScripter>();
    w->loadFile(file);
    return w;
  }

  test::TempDir dir;
  std::string file;
  std::vector<MessageBoxRequest> boxes;
  std::deque<BoxAnswer> answers;

 private:
  MessageBoxHandler previousBoxes_;
};

constexpr const char* kGoodScript = "begin\r\n  kelmo_params.DATA_QUERY_PERIOD_MS := 1000;\r\n  writeLn('готово');\r\nend.\r\n";

TEST_F(ScriptWindowTest, LayoutAndLoadedText) {
  auto w = loadedWindow(kGoodScript);
  EXPECT_EQ(w->windowTitle(), QStringLiteral("fmScripter"));
  EXPECT_EQ(w->objectName(), QStringLiteral("fmScripter"));
  EXPECT_EQ(w->Label1()->text(), QStringLiteral("F9 - выполнить скрипт; Ctrl-S - сохранить файл"));
  EXPECT_TRUE(w->Memo2()->isReadOnly());
  EXPECT_NE(dynamic_cast<QsciLexerPascal*>(w->memo1()->lexer()), nullptr);
  EXPECT_TRUE(w->memo1()->marginLineNumbers(0));
  EXPECT_EQ(w->size(), QSize(402, 546));

  EXPECT_EQ(w->fileName(), file);
  EXPECT_EQ(w->memo1()->text(1), QStringLiteral("  kelmo_params.DATA_QUERY_PERIOD_MS := 1000;\r\n"));
  EXPECT_EQ(w->memo1()->text(2), QStringLiteral("  writeLn('готово');\r\n"));
  EXPECT_FALSE(w->modified());
  EXPECT_TRUE(paneOf(*w).empty());

  w->memo1()->insert(QStringLiteral("{x}"));
  EXPECT_TRUE(w->modified());
}

TEST_F(ScriptWindowTest, F9RunsTheEditorTextAndTwoRunsShowOnlyTheSecond) {
  auto w = loadedWindow(kGoodScript);
  w->show();
  QTest::keyClick(w->memo1(), Qt::Key_F9);
  EXPECT_TRUE(w->runSucceeded());
  EXPECT_EQ(paneOf(*w), (Lines{"Compiled Script: ", "Succesfully compiled", "", "готово", "Succesfully Executed"}));
  EXPECT_EQ(kelmo_params().DATA_QUERY_PERIOD_MS, 1000);

  // F9 to the window itself runs as well.
  kelmo_params().DATA_QUERY_PERIOD_MS = 5;
  pressKey(w.get(), Qt::Key_F9);
  EXPECT_EQ(kelmo_params().DATA_QUERY_PERIOD_MS, 1000);
  EXPECT_EQ(paneOf(*w).size(), 5u);

  w->memo1()->setText(QStringLiteral("begin\r\n  writeLn('второй');\r\n  kelmo_params.setRange(0, 1000);\r\nend.\r\n"));
  QTest::keyClick(w->Memo2(), Qt::Key_F9);
  EXPECT_FALSE(w->runSucceeded());
  EXPECT_EQ(paneOf(*w),
            (Lines{"Compiled Script: ", "Succesfully compiled", "", "второй",
                   "Error while executing script: Exception: диапазон напряжения может быть 5000,1600,500 или 160мВ, а "
                   "передано 1000"}));
}

// F9 on a script that stops itself with Abort: no error, the settings made before it stand;
// one that fails with an exception of a class shows its message as any failure does.
TEST_F(ScriptWindowTest, AnAbortedRunSucceedsAndAnUncaughtExceptionFails) {
  auto w = loadedWindow(
      "begin\r\n  kelmo_params.DATA_QUERY_PERIOD_MS := 300;\r\n  writeLn('стоп');\r\n  Abort;\r\n"
      "  kelmo_params.DATA_QUERY_PERIOD_MS := 1;\r\nend.\r\n");
  w->show();
  QTest::keyClick(w->memo1(), Qt::Key_F9);
  EXPECT_TRUE(w->runSucceeded());
  EXPECT_EQ(paneOf(*w), (Lines{"Compiled Script: ", "Succesfully compiled", "", "стоп", "Succesfully Executed"}));
  EXPECT_EQ(kelmo_params().DATA_QUERY_PERIOD_MS, 300);
  EXPECT_TRUE(boxes.empty());

  w->memo1()->setText(QStringLiteral("begin\r\n  raise EConvertError.CreateFmt('канал %d', [3]);\r\nend.\r\n"));
  QTest::keyClick(w->memo1(), Qt::Key_F9);
  EXPECT_FALSE(w->runSucceeded());
  EXPECT_EQ(paneOf(*w), (Lines{"Compiled Script: ", "Succesfully compiled", "",
                               "Error while executing script: Exception: канал 3"}));
}

TEST_F(ScriptWindowTest, F9WithAModifierDoesNothing) {
  auto w = loadedWindow(kGoodScript);
  w->show();
  for (const Qt::KeyboardModifier m : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier}) {
    QTest::keyClick(w->memo1(), Qt::Key_F9, m);
  }
  EXPECT_TRUE(paneOf(*w).empty());
  EXPECT_EQ(kelmo_params().DATA_QUERY_PERIOD_MS, 200);
}

TEST_F(ScriptWindowTest, ACompileErrorPutsTheCursorOnItAndMarksTheLine) {
  auto w = loadedWindow("begin\r\n  writeLn('x');\r\n  writeLn('ы')\r\n  writeLn('y');\r\nend.\r\n");
  w->show();
  w->memo1()->setCursorPosition(0, 0);
  QTest::keyClick(w->memo1(), Qt::Key_F9);
  EXPECT_FALSE(w->runSucceeded());
  const Lines pane = paneOf(*w);
  ASSERT_GE(pane.size(), 3u);
  EXPECT_EQ(pane[0], "Compiled Script: ");
  // A missing ';' is reported at the end of the line that lacks it.
  EXPECT_EQ(pane[1].rfind("[Error] (3:15): ", 0), 0u) << pane[1];  // a letter counts one
  EXPECT_EQ(pane.back(), "");
  for (const std::string& line : pane) EXPECT_EQ(line.find("Succesfully"), std::string::npos);

  int line = -1, index = -1;
  w->memo1()->getCursorPosition(&line, &index);
  EXPECT_EQ(line, 2);
  EXPECT_EQ(index, 14);
  EXPECT_NE(w->memo1()->markersAtLine(2) & (1u << TfmScripter::kErrorMarker), 0u);

  // Corrected, the mark goes.
  w->memo1()->setText(QString::fromUtf8(kGoodScript));
  QTest::keyClick(w->memo1(), Qt::Key_F9);
  EXPECT_TRUE(w->runSucceeded());
  EXPECT_EQ(w->memo1()->markersAtLine(3) & (1u << TfmScripter::kErrorMarker), 0u);
}

TEST_F(ScriptWindowTest, TheCtrlSaveKeysWriteTheFile) {
  struct Case {
    int key;
    const char* name;
  };
  const Case saving[] = {{Qt::Key_S, "S (83)"},          {Qt::Key_F4, "F4 (115)"},
                         {Qt::Key_BracketLeft, "[ (219)"}, {Qt::Key_Zoom, "Zoom (251)"},
                         {0x042B, "Ы, the S key"},       {0x0425, "Х, the [ key"}};
  for (const Case& c : saving) {
    auto w = loadedWindow("begin\r\nend.\r\n");
    w->show();
    w->memo1()->setText(QStringLiteral("begin\r\n  writeLn('сохранено');\r\nend."));
    ASSERT_TRUE(w->modified());
    pressKey(w->memo1(), c.key, Qt::ControlModifier);
    EXPECT_EQ(test::readBytes(file), utf8ToCp1251("begin\r\n  writeLn('сохранено');\r\nend.\r\n")) << c.name;
    EXPECT_FALSE(w->modified()) << c.name;
    EXPECT_EQ(paneOf(*w), Lines{file + " saved"}) << c.name;
  }
}

TEST_F(ScriptWindowTest, OtherKeysAndModifiersDoNotSave) {
  struct Case {
    QWidget* (*target)(TfmScripter&);
    int key;
    Qt::KeyboardModifiers modifiers;
  };
  const auto memo1 = [](TfmScripter& w) -> QWidget* { return w.memo1(); };
  const auto memo2 = [](TfmScripter& w) -> QWidget* { return w.Memo2(); };
  const Case cases[] = {
      {memo1, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier},
      {memo1, Qt::Key_S, Qt::ControlModifier | Qt::AltModifier},
      {memo2, Qt::Key_S, Qt::NoModifier},
      {memo2, Qt::Key_F4, Qt::NoModifier},
      {memo1, Qt::Key_A, Qt::ControlModifier},
      {memo1, Qt::Key_D, Qt::ControlModifier},
  };
  for (const Case& c : cases) {
    auto w = loadedWindow("begin\r\nend.\r\n");
    w->show();
    pressKey(c.target(*w), c.key, c.modifiers);
    EXPECT_EQ(test::readBytes(file), "begin\r\nend.\r\n") << c.key;
    EXPECT_TRUE(paneOf(*w).empty()) << c.key;
  }
}

TEST_F(ScriptWindowTest, SavingAnUnchangedTextFromTheOutputPaneStillWrites) {
  test::writeBytes(file, "begin\nend.");
  auto w = std::make_unique<TfmScripter>();
  w->loadFile(file);
  w->show();
  QTest::keyClick(w->Memo2(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(test::readBytes(file), "begin\r\nend.\r\n");
  EXPECT_EQ(paneOf(*w), Lines{file + " saved"});
}

TEST_F(ScriptWindowTest, ASaveThatFailsIsReportedAndKeepsTheModifiedFlag) {
  auto w = loadedWindow("begin\r\nend.\r\n");
  w->show();
  w->memo1()->insert(QStringLiteral("{edit}"));
  // The file is replaced by a folder: it cannot be written (chmod does not stop root).
  std::filesystem::remove(file);
  std::filesystem::create_directory(file);
  QTest::keyClick(w->memo1(), Qt::Key_S, Qt::ControlModifier);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].icon, BoxIcon::Error);
  EXPECT_EQ(boxes[0].text, "Не удалось записать файл \"" + file + "\": Is a directory");
  EXPECT_TRUE(w->modified());
  EXPECT_TRUE(paneOf(*w).empty());
}

TEST_F(ScriptWindowTest, TheCloseQuestionAndItsAnswers) {
  struct Case {
    bool edit;
    bool saveFirst;  // Ctrl-S after the edit
    std::vector<BoxAnswer> answers;
    bool breakTheFile;
    bool closes;
    bool written;
    std::size_t boxCount;
  };
  const Case cases[] = {
      {false, false, {}, false, true, false, 0},
      {true, true, {}, false, true, true, 0},
      {true, false, {BoxAnswer::Yes}, false, true, true, 1},
      {true, false, {BoxAnswer::No}, false, true, false, 1},
      {true, false, {BoxAnswer::Cancel}, false, false, false, 1},
      {true, false, {BoxAnswer::Yes, BoxAnswer::Ok}, true, false, false, 2},
  };
  for (const Case& c : cases) {
    boxes.clear();
    answers.assign(c.answers.begin(), c.answers.end());
    auto w = loadedWindow("begin\r\nend.\r\n");
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    if (c.edit) w->memo1()->setText(QStringLiteral("begin\r\n{changed}\r\nend.\r\n"));
    if (c.saveFirst) pressKey(w->memo1(), Qt::Key_S, Qt::ControlModifier);
    if (c.breakTheFile) {
      std::filesystem::remove(file);
      std::filesystem::create_directory(file);
    }
    w->close();
    EXPECT_EQ(w->isVisible(), !c.closes);
    ASSERT_EQ(boxes.size(), c.boxCount);
    if (c.boxCount > 0) {
      EXPECT_EQ(boxes[0].title, "kelmo");
      EXPECT_EQ(boxes[0].text, "Сохранить файл?");
      EXPECT_EQ(boxes[0].buttons, BoxButtons::YesNoCancel);
    }
    if (!c.breakTheFile) {
      EXPECT_EQ(test::readBytes(file), c.written ? "begin\r\n{changed}\r\nend.\r\n" : "begin\r\nend.\r\n");
    }
    EXPECT_EQ(w->modified(), c.edit && !c.written);
    if (c.breakTheFile) {
      EXPECT_EQ(boxes.back().icon, BoxIcon::Error);
    }
  }
}

constexpr const char* kEndlessScript = "begin\r\n  writeLn('вперёд');\r\n  while true do ;\r\nend.\r\n";

TEST_F(ScriptWindowTest, ARunningScriptStopsAtEscOrCtrlBreakAndTheWindowStaysAlive) {
  struct Case {
    const char* what;
    int key;
    Qt::KeyboardModifiers modifiers;
  };
  const Case cases[] = {
      {"Esc", Qt::Key_Escape, Qt::NoModifier},
      {"Ctrl+Break", Qt::Key_Pause, Qt::ControlModifier},
      {"Ctrl+Break as Cancel", Qt::Key_Cancel, Qt::ControlModifier},
  };
  for (const Case& c : cases) {
    auto w = loadedWindow(kEndlessScript);
    w->show();
    // Events keep coming while the script runs: the timers fire, the keys arrive.
    int ticks = 0;
    bool sawRunning = false;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      ++ticks;
      sawRunning = sawRunning || w->running();
      if (ticks == 5) pressKey(w->memo1(), c.key, c.modifiers);
    });
    ticker.start(20);
    QTest::keyClick(w->memo1(), Qt::Key_F9);
    ticker.stop();

    EXPECT_TRUE(sawRunning) << c.what;
    EXPECT_GE(ticks, 5) << c.what;
    EXPECT_FALSE(w->running()) << c.what;
    EXPECT_FALSE(w->runSucceeded()) << c.what;
    EXPECT_EQ(paneOf(*w), (Lines{"Compiled Script: ", "Succesfully compiled", "", "вперёд",
                                 "Error while executing script: Script stopped"}))
        << c.what;
    EXPECT_TRUE(w->isVisible()) << c.what << ": the stop key closed the window";
  }
}

TEST_F(ScriptWindowTest, ClosingTheWindowWhileTheScriptRunsStopsTheScriptFirst) {
  auto w = loadedWindow(kEndlessScript);
  w->show();
  QTimer::singleShot(100, w.get(), [&] { w->close(); });
  QTest::keyClick(w->memo1(), Qt::Key_F9);
  EXPECT_FALSE(w->runSucceeded());
  EXPECT_EQ(paneOf(*w).back(), "Error while executing script: Script stopped");
  EXPECT_TRUE(w->isVisible());
}

TEST_F(ScriptWindowTest, ALongSilentRunShowsHowToStopItAndEscStopsIt) {
  auto w = loadedWindow(kEndlessScript);
  // Not shown, as at start-up. The notice appears after a second; Esc on it stops the run.
  std::string noticeText;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QDialog* notice = w->runningNotice();
    if (notice == nullptr || !notice->isVisible()) return;
    for (QLabel* label : notice->findChildren<QLabel*>()) noticeText += label->text().toStdString();
    poll.stop();
    pressKey(notice, Qt::Key_Escape);
  });
  poll.start(50);
  EXPECT_FALSE(w->compileAndRun());
  EXPECT_EQ(noticeText, "Выполняется скрипт " + file + "\nEsc или Ctrl+Break - остановить");
  EXPECT_EQ(w->runningNotice(), nullptr);
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(paneOf(*w).back(), "Error while executing script: Script stopped");
}

TEST_F(ScriptWindowTest, AShortSilentRunShowsNoNotice) {
  auto w = loadedWindow(kGoodScript);
  EXPECT_TRUE(w->compileAndRun());
  EXPECT_EQ(w->runningNotice(), nullptr);
  for (QWidget* top : QApplication::topLevelWidgets()) {
    EXPECT_FALSE(top->objectName() == "runningNotice" && top->isVisible());
  }
}

TEST_F(ScriptWindowTest, EscapeDoesNotCloseTheWindow) {
  auto w = loadedWindow(kGoodScript);
  w->show();
  QTest::keyClick(w.get(), Qt::Key_Escape);
  EXPECT_TRUE(w->isVisible());
}

// ---- the window as runScriptFile shows it ------------------------------------------------

// Acts on the script window once it is shown modally, then closes it.
class ModalScriptWindow : public ScriptWindowTest {
 protected:
  void SetUp() override {
    ScriptWindowTest::SetUp();
    installScriptWindow();
  }
  void TearDown() override {
    setScriptWindowFactory({});
    setSettingsEditor({});
    ScriptWindowTest::TearDown();
  }

  // `act` runs on the shown window; the window is closed afterwards (answering No).
  void whenShown(std::function<void(TfmScripter&)> act) {
    shown = false;
    auto* timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [this, timer, act] {
      auto* w = qobject_cast<TfmScripter*>(QApplication::activeModalWidget());
      if (w == nullptr) return;
      timer->stop();
      timer->deleteLater();
      shown = true;
      seenPane = paneOf(*w);
      seenText = w->memo1()->text().toStdString();
      act(*w);
      answers.push_back(BoxAnswer::No);
      w->close();
    });
    timer->start();
    timer_ = timer;
  }
  // Stops waiting for a window that never came.
  void stopWaiting() {
    if (timer_ && !shown) delete timer_.data();
  }

  bool shown = false;
  Lines seenPane;
  std::string seenText;
  QPointer<QTimer> timer_;
};

TEST_F(ModalScriptWindow, AGoodSettingsScriptShowsNoWindow) {
  writeScript(kGoodScript);
  whenShown([](TfmScripter&) {});
  EXPECT_TRUE(runSettingsScript(file));
  QCoreApplication::processEvents();
  EXPECT_FALSE(shown);
  stopWaiting();
  EXPECT_EQ(kelmo_params().DATA_QUERY_PERIOD_MS, 1000);
  EXPECT_EQ(fmScripter, nullptr);
}

TEST_F(ModalScriptWindow, FailingSettingsScriptsShowTheWindowAndFailWhenClosed) {
  struct Case {
    const char* script;
    std::function<void(const Lines&)> check;
  };
  const Case cases[] = {
      {"begin\r\n  writeLn('x')\r\n  writeLn('y');\r\nend.\r\n",
       [](const Lines& pane) {
         ASSERT_GE(pane.size(), 3u);
         EXPECT_EQ(pane[0], "Compiled Script: ");
         EXPECT_EQ(pane[1].rfind("[Error] (2:15): ", 0), 0u) << pane[1];
         for (const std::string& line : pane) EXPECT_EQ(line.find("Succesfully compiled"), std::string::npos);
       }},
      {"begin\r\n  writeLn('до ошибки');\r\n  kelmo_params.setRange(0, 1000);\r\nend.\r\n",
       [](const Lines& pane) {
         EXPECT_EQ(pane, (Lines{"Compiled Script: ", "Succesfully compiled", "", "до ошибки",
                                "Error while executing script: Exception: диапазон напряжения может быть "
                                "5000,1600,500 или 160мВ, а передано 1000"}));
       }},
      {"", [](const Lines& pane) {
         ASSERT_GE(pane.size(), 2u);
         EXPECT_EQ(pane[1].rfind("[Error] ", 0), 0u);
       }},
  };
  for (const Case& c : cases) {
    writeScript(c.script);
    whenShown([](TfmScripter&) {});
    EXPECT_FALSE(runSettingsScript(file)) << c.script;
    EXPECT_TRUE(shown) << c.script;
    c.check(seenPane);
    EXPECT_EQ(fmScripter, nullptr);
  }
}

TEST_F(ModalScriptWindow, ASuccessfulRunInTheWindowMakesTheStartUpSucceed) {
  writeScript("begin\r\n  kelmo_params.setRange(0, 1000);\r\nend.\r\n");
  whenShown([](TfmScripter& w) {
    w.memo1()->setText(QStringLiteral("begin\r\n  kelmo_params.setRange(0, 500);\r\nend.\r\n"));
    QTest::keyClick(w.memo1(), Qt::Key_F9);
  });
  EXPECT_TRUE(runSettingsScript(file));
  EXPECT_EQ(kelmo_params().ranges->assoc("0")->asInteger(), 2);

  // A failed run after a successful one counts: the last run decides.
  whenShown([](TfmScripter& w) {
    QTest::keyClick(w.memo1(), Qt::Key_F9);
    w.memo1()->setText(QStringLiteral("begin\r\n  kelmo_params.setRange(9, 500);\r\nend.\r\n"));
    QTest::keyClick(w.memo1(), Qt::Key_F9);
  });
  writeScript("begin\r\n  kelmo_params.setRange(0, 1000);\r\nend.\r\n");
  EXPECT_FALSE(runSettingsScript(file));
}

TEST_F(ModalScriptWindow, F3ShowsTheFileWithoutRunningIt) {
  writeScript(kGoodScript);
  whenShown([](TfmScripter&) {});
  EXPECT_TRUE(openSettingsEditor(file));
  EXPECT_TRUE(shown);
  EXPECT_TRUE(seenPane.empty());
  EXPECT_NE(seenText.find("DATA_QUERY_PERIOD_MS := 1000;"), std::string::npos);
  EXPECT_EQ(kelmo_params().DATA_QUERY_PERIOD_MS, 200);
  EXPECT_EQ(fmScripter, nullptr);
}

TEST_F(ModalScriptWindow, F3InTheMainWindowOpensTheSettingsFileOwnedByIt) {
  writeScript(kGoodScript);
  const std::string savedName = SettingsFileName;
  SettingsFileName = file;
  {
    TmainForm form(TmainForm::RunControl{[] {}, [] { return true; }});
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QWidget* parent = nullptr;
    whenShown([&parent](TfmScripter& w) { parent = w.parentWidget(); });
    form.setFocus();
    QTest::keyClick(&form, Qt::Key_F3);
    EXPECT_TRUE(shown) << (boxes.empty() ? std::string() : boxes.front().text);
    EXPECT_EQ(parent, &form);
    EXPECT_NE(seenText.find("DATA_QUERY_PERIOD_MS := 1000;"), std::string::npos);
    EXPECT_TRUE(seenPane.empty());
  }
  SettingsFileName = savedName;
}

TEST_F(ModalScriptWindow, F3OnAFileThatCannotBeReadRaisesTheFileError) {
  EXPECT_THROW(openSettingsEditor(dir.file("missing.ini")), std::runtime_error);
  EXPECT_EQ(fmScripter, nullptr);
}

}  // namespace
}  // namespace kelmo
