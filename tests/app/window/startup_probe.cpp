// The windowed start-up with a settings step that fails, run as its own process by
// startup_test: it answers the message box and reports what it saw on standard output.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

#include "app/window/windowed_program.h"
#include "config/kelmo_params.h"
#include "platform/log_msg.h"

namespace {

bool failingSettingsScript(const std::string&) { return false; }

// Answers every box the start-up shows, as an operator pressing OK would.
void answerMessageBoxes() {
  auto* timer = new QTimer(qApp);
  QObject::connect(timer, &QTimer::timeout, [] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      std::printf("box: %s | %s\n", box->windowTitle().toUtf8().constData(), box->text().toUtf8().constData());
      std::fflush(stdout);
      box->accept();
    }
  });
  timer->start(20);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  kelmo::setSettingsScriptRunner(failingSettingsScript);
  answerMessageBoxes();
  const int exitCode = kelmo::runWindowedProgram(app);
  std::printf("main window: %s\n", kelmo::registeredMainWindow() == nullptr ? "none" : "created");
  return exitCode;
}
