// The start-up with the settings script, run as a process of its own (this executable
// started again with --probe): which windows appear, what they show, and the exit code.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <Qsci/qsciscintilla.h>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "app/window/script_window.h"
#include "app/window/script_window_install.h"
#include "app/window/windowed_program.h"
#include "config/kelmo_params.h"
#include "platform/cp1251.h"
#include "platform/log_msg.h"
#include "../script_test_support.h"

namespace {

std::string selfPath;

// ---- the probe: the windowed start-up with an operator played by a timer ----------------

void say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

std::string paneText(const kelmo::TfmScripter& w) {
  return w.Memo2()->toPlainText().replace(QLatin1Char('\n'), QStringLiteral(" | ")).toStdString();
}

// mode "close": close the script window as it is; "fix": replace the script by a good one,
// run it with F9 and close.
void playOperator(const std::string& mode) {
  auto* timer = new QTimer(qApp);
  QObject::connect(timer, &QTimer::timeout, [mode] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      say("box: " + box->windowTitle().toStdString() + " | " + box->text().toStdString());
      if (QAbstractButton* no = box->button(QMessageBox::No)) {
        no->click();
      } else {
        box->accept();
      }
      return;
    }
    if (auto* w = qobject_cast<kelmo::TfmScripter*>(modal)) {
      say("script window: " + paneText(*w));
      if (mode == "fix") {
        w->memo1()->setText(QStringLiteral("begin\r\n  kelmo_params.DATA_QUERY_PERIOD_MS := 750;\r\nend.\r\n"));
        QKeyEvent f9(QEvent::KeyPress, Qt::Key_F9, Qt::NoModifier);
        QApplication::sendEvent(w->memo1(), &f9);
        say("after F9: " + paneText(*w));
      }
      // Closed from the event loop: the close question opens a box this timer must answer.
      QTimer::singleShot(0, w, &QWidget::close);
      return;
    }
    auto* mainWindow = dynamic_cast<QWidget*>(kelmo::registeredMainWindow());
    if (mainWindow != nullptr && mainWindow->isVisible()) {
      say("main window, DATA_QUERY_PERIOD_MS=" + std::to_string(kelmo::kelmo_params().DATA_QUERY_PERIOD_MS));
      mainWindow->close();
    }
  });
  timer->start(20);
}

int probe(int argc, char** argv, const std::string& mode) {
  QApplication app(argc, argv);
  kelmo::installScriptWindow();
  playOperator(mode);
  return kelmo::runWindowedProgram(app);
}

// ---- the tests ----------------------------------------------------------------------------

struct Outcome {
  int exitCode = -1;
  std::string out;
};

// Runs the probe in a folder whose kelmo.ini holds `script` (UTF-8, stored in Windows-1251).
Outcome startUp(const std::string& script, const std::string& mode, bool iniIsAFolder = false) {
  kelmo::test::TempDir dir;
  const std::string ini = dir.file("kelmo.ini");
  if (iniIsAFolder) {
    std::filesystem::create_directory(ini);
  } else {
    kelmo::test::writeBytes(ini, kelmo::utf8ToCp1251(script));
  }
  const std::string command = "cd '" + dir.path().string() + "' && QT_QPA_PLATFORM=offscreen '" + selfPath +
                              "' --probe " + mode + " 2>/dev/null";
  Outcome outcome;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return outcome;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) outcome.out += buffer;
  const int status = pclose(pipe);
  if (WIFEXITED(status)) outcome.exitCode = WEXITSTATUS(status);
  return outcome;
}

bool has(const Outcome& o, const std::string& text) { return o.out.find(text) != std::string::npos; }

TEST(ScriptStartup, AGoodScriptShowsNoWindowAndTheMainWindowFollows) {
  const Outcome o = startUp("begin\r\nwith kelmo_params do\r\n  begin\r\n  DATA_QUERY_PERIOD_MS:=1000;\r\n  end;\r\nend.\r\n",
                            "close");
  EXPECT_EQ(o.exitCode, 0) << o.out;
  EXPECT_FALSE(has(o, "script window")) << o.out;
  EXPECT_TRUE(has(o, "main window, DATA_QUERY_PERIOD_MS=1000")) << o.out;
}

TEST(ScriptStartup, AFailingScriptShowsTheWindowAndClosingItEndsWith123) {
  struct Case {
    const char* what;
    std::string script;
    std::string shown;
  };
  const Case cases[] = {
      {"syntax error", "begin\r\n  writeLn('x')\r\n  writeLn('y');\r\nend.\r\n",
       "script window: Compiled Script:  | [Error] (2:15): "},
      {"setRange(0, 1000)", "begin\r\n  kelmo_params.setRange(0, 1000);\r\nend.\r\n",
       "script window: Compiled Script:  | Succesfully compiled |  | Error while executing script: Exception: "
       "диапазон напряжения может быть 5000,1600,500 или 160мВ, а передано 1000\n"},
      {"empty file", "", "script window: Compiled Script:  | [Error] "},
  };
  for (const Case& c : cases) {
    const Outcome o = startUp(c.script, "close");
    EXPECT_EQ(o.exitCode, 123) << c.what << "\n" << o.out;
    EXPECT_TRUE(has(o, c.shown)) << c.what << "\n" << o.out;
    EXPECT_FALSE(has(o, "Succesfully Executed")) << c.what;
    EXPECT_TRUE(has(o, "box: Error | Не удалось инициализировать параметры программы")) << c.what << "\n" << o.out;
    EXPECT_FALSE(has(o, "main window")) << c.what << "\n" << o.out;
  }
  const Outcome syntax = startUp(cases[0].script, "close");
  EXPECT_FALSE(has(syntax, "Succesfully compiled")) << syntax.out;
}

TEST(ScriptStartup, ASuccessfulRunInTheWindowLetsTheStartUpContinue) {
  const Outcome o = startUp("begin\r\n  writeLn('x')\r\nend\r\n", "fix");
  EXPECT_EQ(o.exitCode, 0) << o.out;
  EXPECT_TRUE(has(o, "after F9: Compiled Script:  | Succesfully compiled |  | Succesfully Executed")) << o.out;
  EXPECT_TRUE(has(o, "box: kelmo | Сохранить файл?")) << o.out;
  EXPECT_FALSE(has(o, "Не удалось инициализировать")) << o.out;
  EXPECT_TRUE(has(o, "main window, DATA_QUERY_PERIOD_MS=750")) << o.out;
}

// Abort ends the script as a stop it asked for: the settings made before it stand and no
// window opens.
TEST(ScriptStartup, AScriptThatAbortsItselfLetsTheStartUpContinue) {
  const Outcome o = startUp("begin\r\n  kelmo_params.DATA_QUERY_PERIOD_MS := 900;\r\n  Abort;\r\n"
                            "  kelmo_params.DATA_QUERY_PERIOD_MS := 1;\r\nend.\r\n",
                            "close");
  EXPECT_EQ(o.exitCode, 0) << o.out;
  EXPECT_FALSE(has(o, "script window")) << o.out;
  EXPECT_FALSE(has(o, "box: ")) << o.out;
  EXPECT_TRUE(has(o, "main window, DATA_QUERY_PERIOD_MS=900")) << o.out;
}

TEST(ScriptStartup, ASettingsFileThatCannotBeReadEndsWithCode2) {
  const Outcome o = startUp("", "close", true);
  EXPECT_EQ(o.exitCode, 2) << o.out;
  // The message names the full path that was tried, not only the relative name.
  const std::string lead = "box: Error | Не удалось прочитать файл \"";
  const std::size_t at = o.out.find(lead);
  ASSERT_NE(at, std::string::npos) << o.out;
  const std::size_t from = at + lead.size();
  const std::size_t quote = o.out.find('"', from);
  const std::filesystem::path tried = o.out.substr(from, quote - from);
  EXPECT_TRUE(tried.is_absolute()) << o.out;
  EXPECT_EQ(tried.filename(), "kelmo.ini") << o.out;
  EXPECT_EQ(o.out.find("\": Is a directory", from), quote) << o.out;
  EXPECT_FALSE(has(o, "script window")) << o.out;
  EXPECT_FALSE(has(o, "main window")) << o.out;
}

}  // namespace

// This executable is also the probe it starts.
int main(int argc, char** argv) {
  if (argc >= 3 && std::string(argv[1]) == "--probe") return probe(argc, argv, argv[2]);
  selfPath = std::filesystem::canonical("/proc/self/exe").string();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
