// The main window's layout, its keys with the modifier and focus rules, and the air fields.
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <string>
#include <vector>

#include "app/window/frame_chart.h"
#include "app/window/frame_di.h"
#include "app/window/settings_editor_hook.h"
#include "main_form_fixture.h"

namespace kelmo::test {
namespace {

using KeysTest = MainFormTest;

TEST_F(KeysTest, WindowShowsItsControlsUnderTheirNames) {
  EXPECT_EQ(form->windowTitle(), "kelmo 2.0");
  EXPECT_EQ(control<QPlainTextEdit>("MemoConsole")->toPlainText(), "MemoConsole");
  EXPECT_EQ(control<QPushButton>("buttonNastrojjka")->text(), "F3 - настройка");
  EXPECT_EQ(control<QLabel>("Label1")->text(), "&delay,ms");
  EXPECT_EQ(control<QLabel>("Label1")->buddy(), control("editAirDelay"));
  EXPECT_EQ(control<QLabel>("Label2")->text(), "length,ms");
  EXPECT_EQ(control<QLineEdit>("editAirDelay")->text(), "100");
  EXPECT_EQ(control<QLineEdit>("editAirLength")->text(), "100");
  EXPECT_NE(control<TframeDI>("frameDI0"), nullptr);
  EXPECT_NE(control<TframeDI>("frameDI1"), nullptr);
  EXPECT_EQ(control<QPushButton>("buttonDataNotificationReciever")->parentWidget(), control("hiddenPanel"));
  const char* labels[] = {"Ur", "Ir", "Uref", "a", "P", "W"};
  for (int k = 0; k < 6; ++k) {
    auto* frame = control<TFrameChart>(("FrameChart" + std::to_string(k)).c_str());
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->LabelValue()->text(), labels[k]);
    EXPECT_GE(frame->width(), 320);
  }
}

// Controls on which the window's keys must not act.
const char* const kOtherControls[] = {"buttonNastrojjka", "EditValue", "EditK1", "EditDI"};

TEST_F(KeysTest, F9StartsARunOnlyWhenIdleUnmodifiedAndFromItsControls) {
  struct Case {
    const char* focus;  // nullptr: the window itself
    Qt::KeyboardModifiers modifiers;
    TestStateCode state;
    bool starts;
  };
  const Case cases[] = {
      {nullptr, Qt::NoModifier, TestIdle, true},
      {"MemoConsole", Qt::NoModifier, TestIdle, true},
      {"editAirDelay", Qt::NoModifier, TestIdle, true},
      {"editAirLength", Qt::NoModifier, TestIdle, true},
      {"MemoConsole", Qt::KeypadModifier, TestIdle, true},
      {"MemoConsole", Qt::ShiftModifier, TestIdle, false},
      {"MemoConsole", Qt::ControlModifier, TestIdle, false},
      {"editAirDelay", Qt::AltModifier, TestIdle, false},
      {nullptr, Qt::ControlModifier | Qt::ShiftModifier, TestIdle, false},
      {"MemoConsole", Qt::NoModifier, TestStarting, false},
      {"MemoConsole", Qt::NoModifier, TestRunning, false},
      {"MemoConsole", Qt::NoModifier, TestFinishing, false},
  };
  for (const Case& c : cases) {
    setTestState(c.state);
    const int before = starts;
    if (c.focus == nullptr) {
      form->setFocus();
      QTest::keyClick(form.get(), Qt::Key_F9, c.modifiers);
    } else {
      press(control(c.focus), Qt::Key_F9, c.modifiers);
    }
    EXPECT_EQ(starts - before, c.starts ? 1 : 0) << (c.focus ? c.focus : "window") << " modifiers "
                                                 << c.modifiers << " state " << int(c.state);
  }
  for (const char* name : kOtherControls) {
    setTestState(TestIdle);
    const int before = starts;
    press(control(name), Qt::Key_F9);
    EXPECT_EQ(starts, before) << name;
  }
}

TEST_F(KeysTest, F9PreparesTheWindowBeforeTheRunStarts) {
  setClock([] { return 46000.25; });
  kelmo_params().chartRangeSec = 600;
  kelmo_params().numOfDCIn = 3;
  kelmo_params().airDelay = 250;
  kelmo_params().airLength = 0;
  NextVoltsTime = 0;
  press(control("MemoConsole"), Qt::Key_F9);
  ASSERT_EQ(starts, 1);

  for (int k = 0; k < 6; ++k) {
    auto* frame = control<TFrameChart>(("FrameChart" + std::to_string(k)).c_str());
    EXPECT_EQ(frame->labelChannelNo()->text(), QString::number(k));
    EXPECT_EQ(frame->channelNo(), k);
    EXPECT_EQ(frame->maxPoints(), 1000);
    EXPECT_DOUBLE_EQ(frame->rangeDays(), 600.0 / 86400.0);
  }
  EXPECT_DOUBLE_EQ(NextVoltsTime.load(), 46000.25);
  EXPECT_EQ(control<QPlainTextEdit>("MemoConsole")->toPlainText(), "");
  EXPECT_EQ(control<QLineEdit>("editAirDelay")->text(), "250");
  EXPECT_EQ(control<QLineEdit>("editAirLength")->text(), "0") << "the value the valve uses, below the minimum";
  EXPECT_EQ(kelmo_params().airLength, 0) << "showing is not storing";

  // Indicators found by name whatever the case; a third input has none.
  ASSERT_EQ(form->DIEdits().size(), 3U);
  EXPECT_EQ(form->DIEdits()[0], control<TframeDI>("frameDI0")->EditDI());
  EXPECT_EQ(form->DIEdits()[1], control<TframeDI>("frameDI1")->EditDI());
  EXPECT_EQ(form->DIEdits()[2], nullptr);
}

TEST_F(KeysTest, F9RebuildsTheIndicatorListForTheCurrentInputCount) {
  for (int inputs : {2, 0, 1, -1}) {
    setTestState(TestIdle);
    kelmo_params().numOfDCIn = inputs;
    press(control("MemoConsole"), Qt::Key_F9);
    EXPECT_EQ(form->DIEdits().size(), static_cast<std::size_t>(std::max(inputs, 0))) << inputs;
  }
}

TEST_F(KeysTest, EscAsksOnlyARunningRunToStop) {
  struct Case {
    const char* focus;
    Qt::KeyboardModifiers modifiers;
    TestStateCode state;
    bool stops;
  };
  const Case cases[] = {
      {"MemoConsole", Qt::NoModifier, TestRunning, true},
      {"editAirLength", Qt::NoModifier, TestRunning, true},
      {nullptr, Qt::NoModifier, TestRunning, true},
      {"MemoConsole", Qt::ShiftModifier, TestRunning, false},
      {"MemoConsole", Qt::AltModifier, TestRunning, false},
      {"MemoConsole", Qt::NoModifier, TestIdle, false},
      {"MemoConsole", Qt::NoModifier, TestStarting, false},
      {"MemoConsole", Qt::NoModifier, TestFinishing, false},
      {"buttonNastrojjka", Qt::NoModifier, TestRunning, false},
      {"EditValue", Qt::NoModifier, TestRunning, false},
      {"EditDI", Qt::NoModifier, TestRunning, false},
  };
  for (const Case& c : cases) {
    setTestState(c.state);
    StopRequested = false;
    if (c.focus == nullptr) {
      form->setFocus();
      QTest::keyClick(form.get(), Qt::Key_Escape, c.modifiers);
    } else {
      press(control(c.focus), Qt::Key_Escape, c.modifiers);
    }
    EXPECT_EQ(StopRequested.load(), c.stops) << (c.focus ? c.focus : "window") << " state " << int(c.state);
    EXPECT_EQ(getTestState(), c.state) << "Esc changes nothing else";
  }
  EXPECT_EQ(joins, 0);
}

TEST_F(KeysTest, F3OpensTheSettingsScriptInEveryState) {
  std::vector<std::string> opened;
  const SettingsEditor previous = setSettingsEditor([&](const std::string& file) { opened.push_back(file); });
  SettingsFileName = "kelmo.ini";
  setTestState(TestRunning);
  press(control("MemoConsole"), Qt::Key_F3);
  press(control("editAirDelay"), Qt::Key_F3, Qt::ControlModifier);
  press(control("buttonNastrojjka"), Qt::Key_F3);
  setTestState(TestIdle);
  form->setFocus();
  QTest::keyClick(form.get(), Qt::Key_F3);
  QTest::mouseClick(control("buttonNastrojjka"), Qt::LeftButton);
  setSettingsEditor(previous);
  EXPECT_EQ(opened, (std::vector<std::string>{"kelmo.ini", "kelmo.ini", "kelmo.ini"}));
}

TEST_F(KeysTest, PlainEnterInAnAirFieldStoresItsWholeValue) {
  struct Case {
    const char* field;
    const char* typed;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int stored;  // -1: nothing stored
    const char* shown;
  };
  const Case cases[] = {
      {"editAirDelay", "150.7", Qt::Key_Return, Qt::NoModifier, 150, "150.7"},
      {"editAirLength", "99.99", Qt::Key_Return, Qt::NoModifier, 99, "99.99"},
      {"editAirLength", "2000", Qt::Key_Enter, Qt::KeypadModifier, 2000, "2000"},
      {"editAirDelay", "5", Qt::Key_Return, Qt::NoModifier, 10, "10"},
      {"editAirDelay", "", Qt::Key_Return, Qt::NoModifier, 10, "10"},
      {"editAirDelay", "300", Qt::Key_Return, Qt::ShiftModifier, -1, "300"},
      {"editAirLength", "300", Qt::Key_Return, Qt::ControlModifier, -1, "300"},
  };
  for (const Case& c : cases) {
    kelmo_params().airDelay = -1;
    kelmo_params().airLength = -1;
    auto* field = control<QLineEdit>(c.field);
    field->clear();
    field->setFocus();
    QTest::keyClicks(field, c.typed);
    QTest::keyClick(field, c.key, c.modifiers);
    const int stored = std::string(c.field) == "editAirDelay" ? kelmo_params().airDelay : kelmo_params().airLength;
    EXPECT_EQ(stored, c.stored) << c.field << " '" << c.typed << "'";
    EXPECT_EQ(field->text().toStdString(), c.shown) << c.field << " '" << c.typed << "'";
  }
}

TEST_F(KeysTest, EnterBeforeTheFirstF9StoresTheShownHundred) {
  kelmo_params().airDelay = 7;
  press(control("editAirDelay"), Qt::Key_Return);
  EXPECT_EQ(kelmo_params().airDelay, 100);
  EXPECT_EQ(starts, 0);
}

TEST_F(KeysTest, AirFieldsShowTheValveTimingAsItIsAndEnterKeepsIt) {
  // The minimum binds what the operator types, not what F9 shows.
  struct Case {
    int current;
    const char* typed;  // nullptr: Enter on the value F9 showed
    const char* shown;
    int stored;
  };
  const Case cases[] = {
      {0, nullptr, "0", 0},
      {3, nullptr, "3", 3},
      {250, nullptr, "250", 250},
      {0, "5", "10", 10},
      {0, "40", "40", 40},
  };
  for (const Case& c : cases) {
    setTestState(TestIdle);
    kelmo_params().airDelay = c.current;
    kelmo_params().airLength = c.current;
    press(control("MemoConsole"), Qt::Key_F9);
    auto* field = control<QLineEdit>("editAirLength");
    EXPECT_EQ(field->text().toStdString(), std::to_string(c.current));
    EXPECT_EQ(control<QLineEdit>("editAirDelay")->text().toStdString(), std::to_string(c.current));
    kelmo_params().airLength = -1;
    field->setFocus();
    if (c.typed != nullptr) {
      field->selectAll();
      QTest::keyClicks(field, c.typed);
    }
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(kelmo_params().airLength, c.stored) << c.current << " " << (c.typed ? c.typed : "-");
    EXPECT_EQ(field->text().toStdString(), c.shown) << c.current << " " << (c.typed ? c.typed : "-");
    // Leaving the field changes nothing either.
    control("MemoConsole")->setFocus();
    EXPECT_EQ(field->text().toStdString(), c.shown);
  }
}

TEST_F(KeysTest, AClickOnAFrameBoxOrTheSettingsButtonLeavesTheKeysAlive) {
  // These take the focus by Tab only; a click leaves it where F9 and Esc still count.
  const char* const clicked[] = {"buttonNastrojjka", "EditValue", "EditK1", "EditK2", "EditDI", "DI"};
  for (const char* name : clicked) {
    EXPECT_EQ(control(name)->focusPolicy(), Qt::TabFocus) << name;
    setTestState(TestIdle);
    control("MemoConsole")->setFocus();
    QTest::mouseClick(control(name), Qt::LeftButton);
    QWidget* focused = QApplication::focusWidget();
    EXPECT_EQ(focused, control("MemoConsole")) << name;
    const int before = starts;
    QTest::keyClick(focused, Qt::Key_F9);
    EXPECT_EQ(starts - before, 1) << name;
    QTest::keyClick(focused, Qt::Key_Escape);
    EXPECT_TRUE(StopRequested) << name;
    StopRequested = false;
  }
}

TEST_F(KeysTest, AirFieldsTakeDigitsButNoLetters) {
  auto* field = control<QLineEdit>("editAirDelay");
  field->clear();
  field->setFocus();
  QTest::keyClicks(field, "1x2.5-");
  EXPECT_EQ(field->text(), "12.5");
}

TEST_F(KeysTest, AccessKeyOfTheDelayLabelMovesTheFocusToItsField) {
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  control("MemoConsole")->setFocus();
  QTest::keyClick(form.get(), Qt::Key_D, Qt::AltModifier);
  EXPECT_EQ(QApplication::focusWidget(), control("editAirDelay"));
}

}  // namespace
}  // namespace kelmo::test
