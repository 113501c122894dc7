#pragma once
// The main window: console, digital-input indicators, settings button, air fields and six
// chart frames. F9 starts a test run, Esc asks it to stop, F3 opens the settings script;
// worker threads reach it only through posted events (log lines, Enter/Esc notifications).
#include <QWidget>
#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <vector>

#include "platform/main_window_port.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QFrame;
class QTimer;

namespace kelmo {

class LogLineEvent;
class NumericField;
class TFrameChart;
class TframeDI;
class ValueBox;

class TmainForm : public QWidget, public MainWindowPort {
  Q_OBJECT

 public:
  // The test-run operations that F9 and the Esc notification call.
  struct RunControl {
    std::function<void()> startTestRun;
    std::function<bool()> joinTestRun;
  };
  static RunControl testRunControl();

  static constexpr int kChartCount = 6;
  // Unhandled log lines above which a post is refused (then the line goes to the error file).
  static constexpr int kDefaultPendingLogLimit = 10000;
  // The window paints at most 25 times a second, whatever the measurement period: a screen
  // shows no more than that to an operator reading numbers, and painting is the window's
  // main cost. Notifications in between change the data; the next paint shows them all.
  static constexpr std::chrono::milliseconds kDisplayInterval{40};

  explicit TmainForm(RunControl runControl = testRunControl(), QWidget* parent = nullptr);
  ~TmainForm() override;

  // MainWindowPort
  void appendConsoleLine(const std::string& line) override;
  bool postLogLine(int kind, std::unique_ptr<std::string>& line) override;
  bool postKeyNotification(int keyCode) override;
  bool isDestroying() const override;
  void processPendingMessages() override;

  // True when no test run is active, at once or after asking it to stop and waiting.
  bool waitForStopFromInterface();

  void setPendingLogLimit(int limit) { pendingLogLimit_ = limit; }
  const std::vector<ValueBox*>& DIEdits() const { return DIEdits_; }

 protected:
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void buildLayout();
  QWidget* buildLeftColumn();
  QWidget* buildChartColumn(int firstChart, const std::array<const char*, 3>& labels);

  // Keys of the window, MemoConsole and the air fields.
  void FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
  void startFromKeyboard();
  void rebuildDIEdits();
  bool airFieldKeyDown(NumericField* field, QKeyEvent* e);
  void buttonNastrojjkaClick();

  // Worker notifications.
  void buttonDataNotificationRecieverKeyDown(int key);
  void refreshFromMeasurement();
  void WMLogMsg(const LogLineEvent& e);

  // Painting at the display pace: a paint request within kDisplayInterval of the last paint
  // waits for the display timer; displayNow paints what is pending at once.
  bool paintRequested();
  void displayNow();

  // Runs an event handler; an error leaving it is shown in a box and the program goes on.
  template <class Handler>
  void guarded(Handler&& handler);

  RunControl runControl_;
  std::atomic<bool> destroying_{false};
  std::atomic<int> pendingLogLines_{0};
  std::atomic<int> pendingLogLimit_{kDefaultPendingLogLimit};

  QPlainTextEdit* MemoConsole_ = nullptr;
  TframeDI* frameDI0_ = nullptr;
  TframeDI* frameDI1_ = nullptr;
  QPushButton* buttonNastrojjka_ = nullptr;
  QLabel* Label1_ = nullptr;
  NumericField* editAirDelay_ = nullptr;
  QLabel* Label2_ = nullptr;
  NumericField* editAirLength_ = nullptr;
  QFrame* hiddenPanel_ = nullptr;
  QPushButton* buttonDataNotificationReciever_ = nullptr;
  std::array<TFrameChart*, kChartCount> charts_{};
  std::vector<ValueBox*> DIEdits_;

  QTimer* displayTimer_ = nullptr;
  std::chrono::steady_clock::time_point lastPaint_{};
  bool paintAtOnce_ = false;
};

}  // namespace kelmo
