#include "app/window/main_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <exception>
#include <stdexcept>
#include <thread>

#include "acquisition/run_state.h"
#include "app/test_run.h"
#include "app/window/data_file_review_hook.h"
#include "app/window/frame_chart.h"
#include "app/window/frame_di.h"
#include "app/window/key_notification_event.h"
#include "app/window/log_line_event.h"
#include "app/window/numeric_field.h"
#include "app/window/settings_editor_hook.h"
#include "app/window/value_box.h"
#include "app/version.h"
#include "config/kelmo_params.h"
#include "measure/measurement.h"
#include "platform/date_time.h"
#include "platform/log_msg.h"
#include "platform/message_box.h"
#include "platform/text_format.h"

namespace kelmo {

namespace {

constexpr int kLeftColumnWidth = 1024 - 2 * 322;
constexpr double kAirFieldMinimum = 10;
constexpr double kAirFieldShown = 100;
const QColor kInputOn(0, 128, 0);
const QColor kInputOff(255, 0, 0);

bool isPlain(Qt::KeyboardModifiers modifiers) {
  return (modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) == 0;
}

bool isEnter(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

// The values of the latest computation, copied in one piece: the measurement thread
// writes them under ModuleLock.
struct Measurement {
  std::array<double, 6> values{};
  double R = 0, Ua = 0, Up = 0, U6 = 0;
  unsigned digitalInputs = 0;
};

Measurement latestMeasurement() {
  Measurement m;
  lockModule();
  for (std::size_t k = 0; k < m.values.size(); ++k) m.values[k] = MeasuredValues[k];
  m.R = R;
  m.Ua = Ua;
  m.Up = Up;
  m.U6 = U6;
  m.digitalInputs = DigitalInputs;
  unlockModule();
  return m;
}

// A console line may carry its own line breaks (CR LF, LF CR, LF or CR); each is one break.
QString consoleText(const std::string& line) {
  QString text = QString::fromStdString(line);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

// A new palette repaints the box: only when the colour changes.
void paintInput(ValueBox* box, bool on) {
  const QColor& colour = on ? kInputOn : kInputOff;
  if (box->palette().color(QPalette::Base) == colour) return;
  QPalette palette = box->palette();
  palette.setColor(QPalette::Base, colour);
  box->setPalette(palette);
}

}  // namespace

template <class Handler>
void TmainForm::guarded(Handler&& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    showMessageBox({kProgramName, error.what(), BoxIcon::Error, BoxButtons::Ok});
  }
}

TmainForm::RunControl TmainForm::testRunControl() {
  return {[] { startTestRun(); }, [] { return joinTestRun(); }};
}

TmainForm::TmainForm(RunControl runControl, QWidget* parent)
    : QWidget(parent), runControl_(std::move(runControl)) {
  setObjectName(QStringLiteral("mainForm"));
  setWindowTitle(QStringLiteral("%1 %2").arg(QLatin1String(kProgramName), QLatin1String(kVersionText)));
  buildLayout();
  resize(1024, 700);
  displayTimer_ = new QTimer(this);
  displayTimer_->setSingleShot(true);
  displayTimer_->setTimerType(Qt::PreciseTimer);
  connect(displayTimer_, &QTimer::timeout, this, &TmainForm::displayNow);
  registerMainWindow(this, std::this_thread::get_id());
}

TmainForm::~TmainForm() {
  destroying_ = true;
  // Lines logged after this point find no window rather than a freed one.
  if (registeredMainWindow() == this) registerMainWindow(nullptr, std::this_thread::get_id());
}

void TmainForm::buildLayout() {
  auto* columns = new QHBoxLayout(this);
  columns->setContentsMargins(0, 0, 0, 0);
  columns->setSpacing(0);
  columns->addWidget(buildLeftColumn(), 1);
  columns->addWidget(buildChartColumn(0, {"Ur", "Ir", "Uref"}));
  columns->addWidget(buildChartColumn(3, {"a", "P", "W"}));
}

QWidget* TmainForm::buildLeftColumn() {
  auto* column = new QWidget(this);
  column->setMinimumWidth(kLeftColumnWidth);

  MemoConsole_ = new QPlainTextEdit(column);
  MemoConsole_->setObjectName(QStringLiteral("MemoConsole"));
  MemoConsole_->setPlainText(QStringLiteral("MemoConsole"));
  MemoConsole_->setMinimumHeight(512);
  MemoConsole_->setLineWrapMode(QPlainTextEdit::NoWrap);
  MemoConsole_->installEventFilter(this);

  frameDI0_ = new TframeDI(column);
  frameDI0_->setObjectName(QStringLiteral("frameDI0"));
  frameDI1_ = new TframeDI(column);
  frameDI1_->setObjectName(QStringLiteral("frameDI1"));

  buttonNastrojjka_ = new QPushButton(QStringLiteral("F3 - настройка"), column);
  buttonNastrojjka_->setObjectName(QStringLiteral("buttonNastrojjka"));
  // Tab only: after a click the window's keys still count (F3 does what the click does).
  buttonNastrojjka_->setFocusPolicy(Qt::TabFocus);
  connect(buttonNastrojjka_, &QPushButton::clicked, this, [this] { guarded([this] { buttonNastrojjkaClick(); }); });

  editAirDelay_ = new NumericField(kAirFieldMinimum, kAirFieldShown, column);
  editAirDelay_->setObjectName(QStringLiteral("editAirDelay"));
  editAirDelay_->installEventFilter(this);
  Label1_ = new QLabel(QStringLiteral("&delay,ms"), column);
  Label1_->setObjectName(QStringLiteral("Label1"));
  Label1_->setBuddy(editAirDelay_);

  editAirLength_ = new NumericField(kAirFieldMinimum, kAirFieldShown, column);
  editAirLength_->setObjectName(QStringLiteral("editAirLength"));
  editAirLength_->installEventFilter(this);
  Label2_ = new QLabel(QStringLiteral("length,ms"), column);
  Label2_->setObjectName(QStringLiteral("Label2"));
  for (NumericField* field : {editAirDelay_, editAirLength_}) field->setFixedWidth(80);

  // Receives the workers' notifications; the operator never needs to reach it.
  hiddenPanel_ = new QFrame(column);
  hiddenPanel_->setObjectName(QStringLiteral("hiddenPanel"));
  hiddenPanel_->setFixedSize(24, 24);
  buttonDataNotificationReciever_ = new QPushButton(hiddenPanel_);
  buttonDataNotificationReciever_->setObjectName(QStringLiteral("buttonDataNotificationReciever"));
  buttonDataNotificationReciever_->setFocusPolicy(Qt::NoFocus);
  buttonDataNotificationReciever_->setFlat(true);
  buttonDataNotificationReciever_->setGeometry(2, 2, 20, 20);
  buttonDataNotificationReciever_->installEventFilter(this);

  auto* controls = new QGridLayout;
  controls->setContentsMargins(6, 6, 6, 6);
  controls->setHorizontalSpacing(6);
  controls->addWidget(frameDI0_, 0, 0, 1, 3);
  controls->addWidget(frameDI1_, 1, 0, 1, 3);
  controls->addWidget(buttonNastrojjka_, 2, 0, 1, 2);
  controls->addWidget(Label1_, 3, 0);
  controls->addWidget(editAirDelay_, 3, 1);
  controls->addWidget(Label2_, 4, 0);
  controls->addWidget(editAirLength_, 4, 1);
  controls->addWidget(hiddenPanel_, 4, 3, Qt::AlignRight | Qt::AlignBottom);
  controls->setColumnStretch(2, 1);

  auto* rows = new QVBoxLayout(column);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(0);
  rows->addWidget(MemoConsole_, 1);
  rows->addLayout(controls);
  return column;
}

QWidget* TmainForm::buildChartColumn(int firstChart, const std::array<const char*, 3>& labels) {
  auto* column = new QWidget(this);
  column->setFixedWidth(322);
  auto* rows = new QVBoxLayout(column);
  rows->setContentsMargins(1, 0, 1, 0);
  rows->setSpacing(2);
  for (int i = 0; i < 3; ++i) {
    const int k = firstChart + i;
    auto* frame = new TFrameChart(column);
    frame->setObjectName(QStringLiteral("FrameChart%1").arg(k));
    frame->setMinimumSize(320, 200);
    frame->LabelValue()->setText(QString::fromUtf8(labels[static_cast<std::size_t>(i)]));
    charts_[static_cast<std::size_t>(k)] = frame;
    rows->addWidget(frame, 1);
  }
  return column;
}

// ---- keys -------------------------------------------------------------------------------

void TmainForm::keyPressEvent(QKeyEvent* e) {
  // Keys count here only when the window itself has the focus; keys that other controls
  // did not use arrive here too and must be left alone.
  QWidget* focused = focusWidget();
  if (focused == nullptr || focused == this) {
    FormKeyDown(e->key(), e->modifiers());
    return;
  }
  QWidget::keyPressEvent(e);
}

bool TmainForm::eventFilter(QObject* watched, QEvent* e) {
  if (watched == buttonDataNotificationReciever_ && e->type() == KeyNotificationEvent::type()) {
    const int keyCode = static_cast<KeyNotificationEvent*>(e)->keyCode();
    guarded([&] { buttonDataNotificationRecieverKeyDown(keyCode == kKeyEnter    ? Qt::Key_Return
                                                        : keyCode == kKeyEscape ? Qt::Key_Escape
                                                                                : keyCode); });
    return true;
  }
  if (e->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, e);
  auto* key = static_cast<QKeyEvent*>(e);
  if (watched == buttonDataNotificationReciever_) {
    guarded([&] { buttonDataNotificationRecieverKeyDown(key->key()); });
    return true;
  }
  if (watched == editAirDelay_ || watched == editAirLength_) {
    return airFieldKeyDown(static_cast<NumericField*>(watched), key);
  }
  if (watched == MemoConsole_) FormKeyDown(key->key(), key->modifiers());
  return QWidget::eventFilter(watched, e);
}

void TmainForm::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
  if (!isPlain(modifiers)) return;
  guarded([&] {
    switch (key) {
      case Qt::Key_F9:
        if (getTestState() == TestIdle) startFromKeyboard();
        break;
      case Qt::Key_Escape:
        if (getTestState() == TestRunning) StopRequested = true;
        break;
      case Qt::Key_F3:
        buttonNastrojjka_->click();
        break;
      case Qt::Key_F5:
        if (getTestState() == TestIdle) openDataFileReview(this, kelmo_params().FileName);
        break;
      default:
        break;
    }
  });
}

void TmainForm::startFromKeyboard() {
  const tKELMO_Params& params = kelmo_params();
  for (int k = 0; k < kChartCount; ++k) charts_[static_cast<std::size_t>(k)]->prepareChart(k, params.chartRangeSec);
  rebuildDIEdits();
  MemoConsole_->clear();
  editAirDelay_->setValue(params.airDelay);
  editAirLength_->setValue(params.airLength);
  runControl_.startTestRun();
}

void TmainForm::rebuildDIEdits() {
  const int count = std::max(0, kelmo_params().numOfDCIn);
  DIEdits_.assign(static_cast<std::size_t>(count), nullptr);
  const QList<QObject*> components = findChildren<QObject*>();
  for (int i = 0; i < count; ++i) {
    const QString name = QStringLiteral("FrameDI%1").arg(i);
    for (QObject* component : components) {
      if (component->objectName().compare(name, Qt::CaseInsensitive) != 0) continue;
      auto* frame = qobject_cast<TframeDI*>(component);
      if (frame == nullptr) {
        throw std::runtime_error("Invalid class typecast: " + name.toStdString() + " is not a TframeDI");
      }
      DIEdits_[static_cast<std::size_t>(i)] = frame->EditDI();
      break;
    }
  }
}

bool TmainForm::airFieldKeyDown(NumericField* field, QKeyEvent* e) {
  if (isEnter(e->key()) && isPlain(e->modifiers())) {
    const double shown = field->value();
    field->setValue(shown);
    const int whole = static_cast<int>(std::trunc(shown));
    if (field == editAirDelay_) {
      kelmo_params().airDelay = whole;
    } else {
      kelmo_params().airLength = whole;
    }
    return true;
  }
  FormKeyDown(e->key(), e->modifiers());
  return false;  // the field still gets its typing
}

void TmainForm::buttonNastrojjkaClick() {
  if (!openSettingsEditor(SettingsFileName)) logMsg("Окно настройки недоступно: " + SettingsFileName);
}

// ---- notifications ----------------------------------------------------------------------

void TmainForm::buttonDataNotificationRecieverKeyDown(int key) {
  if (isEnter(key)) {
    refreshFromMeasurement();
  } else if (key == Qt::Key_Escape) {
    runControl_.joinTestRun();
    // The run's last values are on the screen at once, not at the next display tick.
    displayNow();
  }
}

void TmainForm::refreshFromMeasurement() {
  const Measurement m = latestMeasurement();
  for (int k = 0; k < kChartCount; ++k) {
    charts_[static_cast<std::size_t>(k)]->addValue(now(), m.values[static_cast<std::size_t>(k)]);
  }
  const auto extra = [this](int k, const std::string& prefix, double v) {
    charts_[static_cast<std::size_t>(k)]->setExtraValue(prefix, v);
  };
  extra(1, "R=", m.R);
  extra(2, ".-Ur=", m.values[2] - m.values[0]);
  extra(3, "Ua=", m.Ua);
  extra(4, "Up=", m.Up);
  extra(5, "U6=", m.U6);

  const int inputs = kelmo_params().numOfDCIn;
  for (int i = 0; i < inputs && i < static_cast<int>(DIEdits_.size()); ++i) {
    ValueBox* box = DIEdits_[static_cast<std::size_t>(i)];
    if (box != nullptr) paintInput(box, ((m.digitalInputs >> i) & 1U) != 0);
  }
}

bool TmainForm::event(QEvent* e) {
  if (e->type() == QEvent::UpdateRequest && !paintRequested()) return true;
  if (e->type() == LogLineEvent::kType) {
    pendingLogLines_.fetch_sub(1);
    guarded([&] { WMLogMsg(static_cast<const LogLineEvent&>(*e)); });
    return true;
  }
  return QWidget::event(e);
}

void TmainForm::WMLogMsg(const LogLineEvent& e) { logMsg(e.line()); }

// ---- painting -------------------------------------------------------------------------------

// Every change of a control asks the window to paint (the toolkit merges the asks until the
// paint); here the window decides when. A paint it holds back stays pending, with every
// region changed meanwhile, until the display timer paints it.
bool TmainForm::paintRequested() {
  const auto now = std::chrono::steady_clock::now();
  const auto since = now - lastPaint_;
  if (!paintAtOnce_ && since < kDisplayInterval) {
    if (!displayTimer_->isActive()) {
      displayTimer_->start(std::chrono::ceil<std::chrono::milliseconds>(kDisplayInterval - since));
    }
    return false;
  }
  paintAtOnce_ = false;
  lastPaint_ = now;
  // The charts draw their new points and the boxes take their texts now, so that this paint
  // shows them.
  for (TFrameChart* chart : charts_) chart->showLatest();
  return true;
}

void TmainForm::displayNow() {
  displayTimer_->stop();
  paintAtOnce_ = true;
  QEvent request(QEvent::UpdateRequest);
  QCoreApplication::sendEvent(this, &request);
}

// ---- the console and the port of the worker threads ------------------------------------

void TmainForm::appendConsoleLine(const std::string& line) { MemoConsole_->appendPlainText(consoleText(line)); }

bool TmainForm::postLogLine(int kind, std::unique_ptr<std::string>& line) {
  if (QCoreApplication::instance() == nullptr || destroying_) return false;
  // Like a full message queue: a flood of lines while the main thread is blocked is refused.
  if (pendingLogLines_.fetch_add(1) >= pendingLogLimit_) {
    pendingLogLines_.fetch_sub(1);
    return false;
  }
  QCoreApplication::postEvent(this, new LogLineEvent(kind, std::move(line)));
  return true;
}

bool TmainForm::postKeyNotification(int keyCode) {
  QCoreApplication::postEvent(buttonDataNotificationReciever_, new KeyNotificationEvent(keyCode));
  return true;
}

bool TmainForm::isDestroying() const { return destroying_; }

void TmainForm::processPendingMessages() { QCoreApplication::processEvents(); }

// ---- closing ----------------------------------------------------------------------------

bool TmainForm::waitForStopFromInterface() {
  if (getTestState() == TestIdle) return true;
  StopRequested = true;
  for (int attempt = 0; attempt < 20; ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    // The workers' last lines and the Esc notification, and with it the join, come here.
    processPendingMessages();
    if (getTestState() == TestIdle) break;
  }
  if (getTestState() != TestIdle) {
    logMsg("Не могу дождаться завершения сбора данных");
    return false;
  }
  return true;
}

void TmainForm::closeEvent(QCloseEvent* e) {
  if (waitForStopFromInterface()) {
    e->accept();
  } else {
    e->ignore();
  }
}

}  // namespace kelmo
