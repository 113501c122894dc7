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
#include "config/kelmo_params.h"
#include "measure/data_file.h"
#include "measure/measure_thread.h"
#include "platform/log_msg.h"
#include "platform/message_box.h"
#include "platform/os_thread.h"
#include "platform/text_format.h"
#ifndef _WIN32
#include "sim/sim_library.h"
#endif

namespace kelmo {

namespace {

constexpr std::size_t kWorkerStackBytes = 8192;

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

// Steps 4 on of the start; false when the start was abandoned.
bool startFromModule() {
  const std::shared_ptr<ModuleLibrary> library = moduleLibrary();
  if (!library) {
    cleanupTestRun(kNoModuleLibrary, true);
    return false;
  }
  const DWORD version = library->GetDllVersion();
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
  std::string refusal;
  if (!openDataFile(params.FileName, refusal)) {
    // The box text is the same whatever the cause; the console says which it was.
    logMsg("Файл " + params.FileName + ": " + refusal);
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

  const int buffersPerPeriod = params.dataBuffersPerPeriod;
  if (buffersPerPeriod < 1) {
    abandonStart("Число буферов за период dataBuffersPerPeriod должно быть не меньше 1, а задано " +
                 std::to_string(buffersPerPeriod));
    return false;
  }
  DataStep = computeDataStep(AdcPars.AdcRate, periodMs, buffersPerPeriod);
  logMsg("DataStep=" + std::to_string(DataStep));
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

// Samples the module could not deliver during the run; none for a module that does not count
// them. The rig's module loses them silently; the simulated one says so.
struct LostSamples {
  std::uint64_t samples = 0;
  std::uint64_t overruns = 0;
};

LostSamples lostSamplesOfTheRun() {
#ifndef _WIN32
  // Off Windows the simulated module is built into the program; on Windows the module
  // comes from a library whose objects this program cannot look into.
  if (sim::SimModule* module = sim::simModuleOf(pModule)) {
    const sim::SimModule::Counters counters = module->counters();
    return {counters.lostSamples, counters.overruns};
  }
#endif
  return {};
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
  FreshVolts.reset();
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

  const LostSamples lost = lostSamplesOfTheRun();
  cleanupTestRun(" ", false);
  if (ThreadErrorCode != 0) {
    reportThreadError();
  } else {
    logMsg(" The program was completed successfully!!!");
  }
  if (lost.samples > 0) {
    logMsg("Simulated module: " + std::to_string(lost.samples) + " samples lost in " +
           std::to_string(lost.overruns) + " overruns");
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
