#pragma once
// A shown main window with a recording test-run control, fresh settings and run state.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <atomic>
#include <memory>
#include <string>

#include "acquisition/run_state.h"
#include "app/window/frame_chart.h"
#include "app/window/main_form.h"
#include "config/kelmo_params.h"
#include "platform/date_time.h"
#include "platform/text_format.h"
#include "qt_test_app.h"

namespace kelmo::test {

class MainFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testApplication();
    setDecimalSeparator('.');
    createGlobalParams();
    resetRunState();
    setTestState(TestIdle);
    form = std::make_unique<TmainForm>(TmainForm::RunControl{[this] { startRun(); }, [this] { return joinRun(); }});
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  }

  void TearDown() override {
    form.reset();
    setClock({});
    resetRunState();
  }

  // The fake run: F9 leaves it running; the join ends it once the workers have finished.
  virtual void startRun() {
    ++starts;
    setTestState(TestRunning);
  }
  virtual bool joinRun() {
    ++joins;
    if (!MeasureFinished) return false;
    setTestState(TestIdle);
    return true;
  }

  template <class T = QWidget>
  T* control(const char* name) const {
    T* found = form->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }

  // A key typed while `focused` has the keyboard focus: it goes to that control first.
  void press(QWidget* focused, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    focused->setFocus();
    QTest::keyClick(focused, key, modifiers);
  }

  TFrameChart* chart(int k) const {
    return form->findChild<TFrameChart*>(QStringLiteral("FrameChart%1").arg(k));
  }

  QStringList consoleLines() const {
    return control<QWidget>("MemoConsole")->property("plainText").toString().split('\n');
  }

  // Handles posted events until `done` holds or a generous time-out passes.
  template <class Condition>
  bool processUntil(Condition done) {
    for (int i = 0; i < 500 && !done(); ++i) QTest::qWait(10);
    return done();
  }

  std::unique_ptr<TmainForm> form;
  std::atomic<int> starts{0};
  std::atomic<int> joins{0};
};

}  // namespace kelmo::test
