#include "app/window/windowed_program.h"

#include <QApplication>
#include <optional>

#include "acquisition/run_state.h"
#include "app/test_run.h"
#include "app/window/caret_blink_timeout.h"
#include "app/window/main_form.h"
#include "app/window/message_box_dialog.h"
#include "app/version.h"
#include "config/kelmo_params.h"
#include "discharge/asymm_audio_control.h"
#include "platform/caret_blink.h"
#include "platform/console_text.h"
#include "platform/message_box.h"

namespace kelmo {

namespace {

constexpr int kSettingsFailedExitCode = 123;

// A failed test-run start ends the program: the message loop ends and main unwinds.
void endWindowedProgram(int exitCode) { QCoreApplication::exit(exitCode); }

}  // namespace

void showModuleLibraryProblem(const std::string& message) {
  if (standardErrorIsConnected()) return;
  installDialogMessageBoxes();
  showMessageBox({kProgramName, "Не удалось выбрать библиотеку модуля E-154:\n\n" + message, BoxIcon::Error,
                  BoxButtons::Ok});
}

int runWindowedProgram(QApplication& app) {
  QApplication::setApplicationName(QString::fromLatin1(kProgramName));
  QApplication::setApplicationVersion(QString::fromLatin1(kVersionText));
  installDialogMessageBoxes();

  if (!initialiseParameters()) return kSettingsFailedExitCode;
  setTestState(TestIdle);

  std::optional<CaretBlinkTimeout> caretBlink;
  if (const auto timeout = caretBlinkTimeout()) caretBlink.emplace(*timeout);

  int exitCode = 0;
  {
    TmainForm mainForm;
    setProgramEnder(endWindowedProgram);
    mainForm.show();
    exitCode = app.exec();
  }
  // The generator reads the parameters at every block: it ends before they go.
  endAsymmetricDischarge();
  destroyGlobalParams();
  return exitCode;
}

}  // namespace kelmo
