#include "app/run_script_command.h"

#include <cstdio>
#include <memory>

#include "acquisition/module_globals.h"
#include "app/run_script_file.h"
#include "app/screenless_script_window.h"
#include "app/settings_file.h"
#include "config/kelmo_params.h"
#include "discharge/asymm_audio_control.h"
#include "platform/console_text.h"

namespace kelmo {

namespace {

void printLine(const std::string& line) { writeConsoleLine(stdout, line); }

// Restores the script window factory in force before the command.
class FactoryRestorer {
 public:
  explicit FactoryRestorer(ScriptWindowFactory previous) : previous_(std::move(previous)) {}
  FactoryRestorer(const FactoryRestorer&) = delete;
  FactoryRestorer& operator=(const FactoryRestorer&) = delete;
  ~FactoryRestorer() { setScriptWindowFactory(std::move(previous_)); }

 private:
  ScriptWindowFactory previous_;
};

}  // namespace

int runScriptCommand(const std::string& fileName) {
  createGlobalParams();

  const FactoryRestorer restorer(setScriptWindowFactory([] {
    ScreenlessScriptWindow::Reporting reporting;
    reporting.onLine = printLine;
    reporting.onMessage = printLine;
    return std::make_unique<ScreenlessScriptWindow>(std::move(reporting));
  }));

  int exitCode = 1;
  try {
    exitCode = runSettingsScript(fileName) ? 0 : 1;
  } catch (const SettingsFileError& error) {
    writeConsoleLine(stderr, std::string("kelmo: ") + error.what());
  }

  // Nothing the script started outlives the command.
  endAsymmetricDischarge();
  if (pModule != nullptr) {
    pModule->ReleaseLInstance();
    pModule = nullptr;
  }
  return exitCode;
}

}  // namespace kelmo
