#include "app/window/script_window.h"

#include <QColor>
#include <QEventLoop>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <Qsci/qscilexerpascal.h>
#include <Qsci/qsciscintilla.h>
#include <algorithm>
#include <iterator>
#include <thread>

#include "app/settings_file.h"
#include "app/version.h"
#include "platform/message_box.h"

namespace kelmo {

namespace {

constexpr int kKeyF9 = 120;
// Ctrl with any of these saves. 83 is the S key. 115, 219 and 251 are what the S key
// gives as a character code in other cases and layouts ('s', 'Ы', 'ы' in Windows-1251),
// but as key codes they are F4, '[' (the key that types 'Х' on the Russian layout) and
// Zoom, and those keys save as well.
constexpr int kSaveKeyCodes[] = {83, 115, 219, 251};

// The Windows key code of a Qt key, for the keys this window looks at; 0 for others.
// The S key of the Russian layout (Qt reports 'Ы') is the S key, as Windows reports it.
// Qt reports a Cyrillic letter key by the upper-case letter's code point.
constexpr int kQtKeyCyrillicYeru = 0x042B;  // 'Ы', the S key
constexpr int kQtKeyCyrillicHa = 0x0425;    // 'Х', the '[' key

int windowsKeyCode(int qtKey) {
  switch (qtKey) {
    case Qt::Key_F9:
      return kKeyF9;
    case Qt::Key_S:
    case kQtKeyCyrillicYeru:
      return 83;
    case Qt::Key_F4:
      return 115;
    case Qt::Key_BracketLeft:
    case kQtKeyCyrillicHa:
      return 219;
    case Qt::Key_Zoom:
      return 251;
    default:
      return 0;
  }
}

QString fromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

TfmScripter::TfmScripter(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fmScripter"));
  setWindowTitle(QStringLiteral("fmScripter"));
  setFont(QFont(QStringLiteral("Tahoma"), 8));
  setFixedSize(402, 546);
  move(325, 245);

  Label1_ = new QLabel(QStringLiteral("F9 - выполнить скрипт; Ctrl-S - сохранить файл"), this);
  Label1_->setObjectName(QStringLiteral("Label1"));
  Label1_->move(4, 0);
  Label1_->adjustSize();

  memo1_ = new QsciScintilla(this);
  memo1_->setObjectName(QStringLiteral("memo1"));
  memo1_->setGeometry(0, 16, 401, 337);
  memo1_->setUtf8(true);
  memo1_->setEolMode(QsciScintilla::EolWindows);
  auto* lexer = new QsciLexerPascal(memo1_);
  memo1_->setLexer(lexer);
  memo1_->setMarginType(0, QsciScintilla::NumberMargin);
  memo1_->setMarginLineNumbers(0, true);
  memo1_->setMarginWidth(0, QStringLiteral("0000"));
  memo1_->markerDefine(QsciScintilla::Background, kErrorMarker);
  memo1_->setMarkerBackgroundColor(QColor(255, 200, 200), kErrorMarker);
  connect(memo1_, &QsciScintilla::textChanged, this, &TfmScripter::memo1Change);

  Memo2_ = new QPlainTextEdit(this);
  Memo2_->setObjectName(QStringLiteral("Memo2"));
  Memo2_->setGeometry(0, 359, 401, 146);
  Memo2_->setReadOnly(true);

  memo1_->installEventFilter(this);
  Memo2_->installEventFilter(this);
}

TfmScripter::~TfmScripter() = default;

void TfmScripter::loadFile(const std::string& fileName) {
  fileName_ = fileName;
  QString text;
  for (const std::string& line : readScriptFile(fileName)) text += fromUtf8(line) + QStringLiteral("\r\n");
  memo1_->setText(text);
  // Loading changed the text; only the operator's changes count.
  modified_ = false;
}

std::vector<std::string> TfmScripter::editorLines() const {
  const QByteArray text = memo1_->text().toUtf8();
  return splitScriptLines(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
}

bool TfmScripter::compileAndRun() {
  if (running_) return false;  // F9 while the script runs: it is already running
  memo1_->markerDeleteAll(kErrorMarker);
  if (!runner_.compile(joinScriptLines(editorLines()))) {
    if (runner_.firstCompileError()) showFirstCompileError();
    return false;
  }
  return executeWhileResponsive();
}

// The engine is used by one thread at a time: compiled here, executed on the worker, and
// read here again after the join. The script's natives reach this window only through
// writeLn and showMessage, which hand over to this thread; the parameters and the module
// they touch are shared with the test run's threads anyway (the module under ModuleLock).
bool TfmScripter::executeWhileResponsive() {
  running_ = true;
  QEventLoop loop;
  QTimer noticeTimer;
  noticeTimer.setSingleShot(true);
  connect(&noticeTimer, &QTimer::timeout, this, [this] {
    if (!isVisible()) showRunningNotice();
  });
  noticeTimer.start(kRunningNoticeAfterMs);
  std::thread worker([this, &loop] {
    runner_.execute();
    // Queued after everything the script wrote, so the pane is complete when the loop ends.
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec();
  worker.join();
  noticeTimer.stop();
  delete std::exchange(runningNotice_, nullptr);
  running_ = false;
  return runner_.runSucceeded();
}

void TfmScripter::showRunningNotice() {
  runningNotice_ = new QDialog(this);
  runningNotice_->setObjectName(QStringLiteral("runningNotice"));
  runningNotice_->setWindowTitle(QString::fromLatin1(kProgramName));
  auto* text = new QLabel(
      fromUtf8("Выполняется скрипт " + fileName_ + "\nEsc или Ctrl+Break - остановить"), runningNotice_);
  auto* stop = new QPushButton(QStringLiteral("Остановить"), runningNotice_);
  connect(stop, &QPushButton::clicked, this, [this] { runner_.requestStop(); });
  auto* column = new QVBoxLayout(runningNotice_);
  column->addWidget(text);
  column->addWidget(stop);
  runningNotice_->installEventFilter(this);
  stop->installEventFilter(this);
  runningNotice_->show();
}

void TfmScripter::showFirstCompileError() {
  const script::CompilerMessage error = *runner_.firstCompileError();
  // Errors in a plug-in's declarations have no place in the editor.
  if (!error.module.empty() || error.row < 1) return;
  const int line = error.row - 1;
  // The engine counts columns in characters (one Windows-1251 byte each), the editor in
  // UTF-16 units: a character beyond the basic plane takes two.
  const QString lineText = memo1_->text(line);
  int index = 0;
  for (int column = 1; column < error.col && index < lineText.size(); ++column)
    index += lineText.at(index).isHighSurrogate() ? 2 : 1;
  memo1_->setCursorPosition(line, index);
  memo1_->markerAdd(line, kErrorMarker);
  memo1_->ensureLineVisible(line);
}

bool TfmScripter::showModal() {
  runner_.clearRunSucceeded();
  exec();
  return runner_.runSucceeded();
}

void TfmScripter::writeLn(const std::string& text) { addOutput(text); }

void TfmScripter::clearOutput() { Memo2_->clear(); }

void TfmScripter::addOutput(const std::string& entry) {
  if (QThread::currentThread() == thread()) {
    appendToPane(entry);
  } else {
    QMetaObject::invokeMethod(this, [this, entry] { appendToPane(entry); }, Qt::QueuedConnection);
  }
}

void TfmScripter::appendToPane(const std::string& entry) {
  for (const std::string& line : paneLines(entry)) Memo2_->appendPlainText(fromUtf8(line));
}

void TfmScripter::showScriptMessage(const std::string& text) {
  if (QThread::currentThread() == thread()) {
    ScriptOutput::showScriptMessage(text);
  } else {
    // The script waits for the box to close, as it would on this thread.
    QMetaObject::invokeMethod(this, [this, text] { ScriptOutput::showScriptMessage(text); },
                              Qt::BlockingQueuedConnection);
  }
}

void TfmScripter::saveFile() {
  writeScriptFile(fileName_, editorLines());
  modified_ = false;
}

void TfmScripter::saveFromKeyboard() {
  try {
    saveFile();
  } catch (const SettingsFileError& error) {
    showMessageBox({kProgramName, error.what(), BoxIcon::Error, BoxButtons::Ok});
    return;
  }
  writeLn(fileName_ + " saved");
}

// Esc, or Break with Ctrl as Windows users know it (Qt reports it as Pause or Cancel).
bool TfmScripter::isStopKey(const QKeyEvent& e) const {
  return e.key() == Qt::Key_Escape || e.key() == Qt::Key_Pause || e.key() == Qt::Key_Cancel;
}

bool TfmScripter::FormKeyDown(const QKeyEvent& e) {
  if (running_ && isStopKey(e)) {
    runner_.requestStop();
    return true;
  }
  const Qt::KeyboardModifiers mods = e.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
  const int key = windowsKeyCode(e.key());
  if (key == kKeyF9 && mods == Qt::NoModifier) {
    compileAndRun();
    return true;
  }
  if (mods == Qt::ControlModifier && key != 0 &&
      std::find(std::begin(kSaveKeyCodes), std::end(kSaveKeyCodes), key) != std::end(kSaveKeyCodes)) {
    saveFromKeyboard();
    return true;
  }
  return false;
}

bool TfmScripter::eventFilter(QObject* watched, QEvent* e) {
  const bool ours = watched == memo1_ || watched == Memo2_ ||
                    (runningNotice_ != nullptr && (watched == runningNotice_ || watched->parent() == runningNotice_));
  if (ours && e->type() == QEvent::KeyPress) {
    // Every other key goes on to the editor as usual. The keys acted on stop here: the
    // editors have no use for them, and passed on they would come back to the window.
    if (FormKeyDown(static_cast<const QKeyEvent&>(*e))) return true;
  }
  return QDialog::eventFilter(watched, e);
}

void TfmScripter::keyPressEvent(QKeyEvent* e) {
  if (FormKeyDown(*e)) return;
  // Esc is not a close command here (the window has no Cancel button).
  if (e->key() == Qt::Key_Escape) {
    e->accept();
    return;
  }
  QDialog::keyPressEvent(e);
}

void TfmScripter::reject() {
  // Closing while the script runs stops it; the window closes when asked again.
  if (running_) {
    runner_.requestStop();
    return;
  }
  if (FormCloseQuery()) QDialog::reject();
}

bool TfmScripter::FormCloseQuery() {
  if (!modified_) return true;
  switch (showMessageBox({"kelmo", "Сохранить файл?", BoxIcon::Question, BoxButtons::YesNoCancel})) {
    case BoxAnswer::Yes:
      try {
        saveFile();
      } catch (const SettingsFileError& error) {
        showMessageBox({kProgramName, error.what(), BoxIcon::Error, BoxButtons::Ok});
        return false;
      }
      return true;
    case BoxAnswer::No:
      return true;
    default:
      return false;
  }
}

}  // namespace kelmo
