#include "app/test_run.h"

#include <cstdlib>
#include <exception>
#include <memory>
#include <stdexcept>

#include "acquisition/data_step.h"
#include "acquisition/dll_version.h"
#include "acquisition/init_module.h"
#include "acquisition/module_globals.h"
#include "acquisition/module_library.h"
#include "acquisition/read_thread.h"
#include "acquisition/run_state.h"
#include "air/air_thread.h"
#include "app/module_library_choice.h"
#include "config/kelmo_params.h"
#include "measure/data_file.h"
#include "measure/measure_thread.h"
#include "platform/log_msg.h"
#include "platform/message_box.h"
#include "platform/os_thread.h"
#include "platform/text_format.h"
#include "sim/sim_library.h"

namespace kelmo {

namespace {

constexpr std::size_t kWorkerStackBytes = 8192;
constexpr std::uint64_t kMaxDataStep = 65536;

void exitProcess(int exitCode) { std::exit(exitCode); }

ProgramEnder programEnder = exitProcess;

// The workers of the current run.
std::unique_ptr<TReadData> ReadThread;
OsThread MeasureThread;
OsThread AirThread;

[[noreturn]] void assertionFailure(const char* condition) {
  throw std::logic_error(std::string("Assertion failure: ") + condition);
}

// A start that fails after workers were started stops them before the module goes.
void stopStartedWorkers() {
  StopRequested = true;
  if (ReadThread) {
    ReadThread->stop();
    ReadThread->waitFor();
    ReadThread.reset();
  }
  if (MeasureThread.joinable()) MeasureThread.join();
  if (AirThread.joinable()) AirThread.join();
}

void abandonStart(const std::string& message) {
  stopStartedWorkers();
  cleanupTestRun(message, true);
}

void logModuleSummary() {
  logMsg("");
  logMsg(formatText(" Module E-154 (S/N %s is ready ...", {descriptionText(kDescriptionSerialOffset)}));
  logMsg("   Module Info:");
  logMsg(formatText("     Module  Revision   is '%1.1s'", {descriptionText(kDescriptionRevisionOffset)}));
  logMsg(formatText("     MCU Driver Version is %s (%s)", {descriptionText(kDescriptionMcuVersionOffset),
                                                            descriptionText(kDescriptionMcuTextOffset)}));
  logMsg("   ADC parameters:");
  logMsg(formatText("     ChannelsQuantity = %d", {static_cast<long long>(AdcPars.ChannelsQuantity)}));
  logMsg(formatText("     AdcRate = %5.3f kHz", {AdcPars.AdcRate}));
  logMsg(formatText("     InterKadrDelay = %2.4f ms", {AdcPars.InterKadrDelay}));
  logMsg(formatText("     KadrRate =  %5.3f kHz", {AdcPars.KadrRate}));
}

// The library in use; the first start puts the start-up choice in use when nobody has.
ModuleLibrary& libraryInUse() {
  try {
    return moduleLibrary();
  } catch (const std::logic_error&) {
  }
  std::string error;
  std::shared_ptr<ModuleLibrary> chosen = chooseModuleLibraryFromEnvironment(error);
  if (!chosen) throw std::runtime_error(error);
  setModuleLibrary(std::move(chosen));
  return moduleLibrary();
}

// Steps 4 on of the start; false when the start was abandoned.
bool startFromModule() {
  const DWORD version = libraryInUse().GetDllVersion();
  if (!isRequiredDllVersion(version)) {
    cleanupTestRun(dllVersionMessage(version), true);
    return false;
  }
  logMsg(" DLL Version --> OK");

  std::string errorText;
  if (!initModule(logMsg, errorText)) {
    cleanupTestRun(errorText, true);
    return false;
  }
  logMsg("");

  tKELMO_Params& params = kelmo_params();
  if (!openDataFile(params.FileName)) {
    cleanupTestRun("Не могу создать файл Test.dat для записи собираемых данных!", true);
    return false;
  }
  logMsg(" Create file Test.dat ... OK");
  if (!seekDataFileEnd()) {
    cleanupTestRun("Не могу встать в конец файла Test.dat", true);
    return false;
  }
  logMsg(" Seeked EOF Test.dat ... Ok");

  // The period and the channel count stay those of the start for the whole run.
  const int periodMs = params.DATA_QUERY_PERIOD_MS;
  if (!(static_cast<double>(periodMs) > 0.06)) assertionFailure("DATA_QUERY_PERIOD_MS > 0.06");
  const unsigned channels = AdcPars.ChannelsQuantity;

  const std::uint64_t dataStep =
      computeDataStep(channels, AdcPars.AdcRate, periodMs, params.dataBuffersPerPeriod);
  logMsg("DataStep=" + std::to_string(dataStep));
  if (dataStep > kMaxDataStep) assertionFailure("DataStep <= 65536");
  DataStep = static_cast<std::uint32_t>(dataStep);
  for (auto& buffer : ReadBuffers) buffer.assign(DataStep, 0);

  ReadThread = std::make_unique<TReadData>(channels, periodMs);
  logMsg("Создали поток для потокового чтения");
  if (!ReadThread->start()) throw std::runtime_error("Thread creation error: ReadData");
  logMsg("Запустили поток для потокового чтения");

  if (!MeasureThread.start([periodMs] { measureThreadBody(periodMs); }, kWorkerStackBytes, "MeasureThread")) {
    abandonStart("Не могу запустить поток сбора данных! Выйди из программы");
    return false;
  }
  logMsg(" Create ReadThread ... OK");
  if (!AirThread.start(airThreadBody, kWorkerStackBytes, "AirThread")) {
    abandonStart("Не могу запустить поток управления воздухом! Выйди из программы");
    return false;
  }
  logMsg("");
  return true;
}

}  // namespace

void setProgramEnder(ProgramEnder ender) { programEnder = ender != nullptr ? ender : exitProcess; }

void startTestRun() {
  if (getTestState() != TestIdle) {
    logMsg("Ошибка: тест уже запущен!");
    return;
  }
  setTestState(TestStarting);
  StopRequested = false;
  ThreadErrorCode = 0;
  MeasureFinished = false;
  DataFile = -1;

  try {
    if (!startFromModule()) return;
  } catch (const std::exception& error) {
    // A failed look-up or assertion abandons the start like any other failure.
    abandonStart(error.what());
    return;
  }

  setTestState(TestRunning);
  logModuleSummary();
  logMsg("\n\r You can press ESC key to terminate the program...\n\r");
}

bool joinTestRun() {
  if (!MeasureFinished || !ReadThread) return false;

  ReadThread->stop();
  ReadThread->waitFor();
  ReadThread.reset();
  logMsg("Дождались завершения потокового чтения");
  if (MeasureThread.joinable()) MeasureThread.join();
  logMsg("Дождались завершения потока вычислений и отображения");
  if (AirThread.joinable()) AirThread.join();
  logMsg("Дождались завершения потока контроля воздуха");
  logMsg("");

  cleanupTestRun(" ", false);
  if (ThreadErrorCode != 0) {
    reportThreadError();
  } else {
    logMsg(" The program was completed successfully!!!");
  }
  setTestState(TestIdle);
  return true;
}

void cleanupTestRun(const std::string& message, bool endProgram) {
  if (pModule != nullptr) {
    const bool released = pModule->ReleaseLInstance() != 0;
    logMsg(released ? " ReleaseLInstance() --> OK" : " ReleaseLInstance() --> Bad");
    pModule = nullptr;
  }
  // The workers' threads were joined before this point; nothing of them is left to close.
  closeDataFile();
  if (message != " ") showMessageBox({"ОШИБКА!!!", message, BoxIcon::Information, BoxButtons::Ok});
  if (endProgram) programEnder(0);
}

}  // namespace kelmo
