// A whole headless run on the simulated module: the process's CPU time as a share of one
// core, and the samples the module lost (none is the aim for every configuration within
// its limits). The default settings, then the shortest periods at the edges of the
// module's limits. KELMO_BENCH_SECONDS sets each run's length (default 60);
// --benchmark_filter picks runs.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "acquisition/module_library.h"
#include "app/headless.h"
#include "config/kelmo_params.h"
#include "sim/sim_library.h"

namespace {

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double runSeconds() {
  const char* text = std::getenv("KELMO_BENCH_SECONDS");
  return text != nullptr ? std::atof(text) : 60.0;
}

struct RunSettings {
  int airMs = 0;        // the air valve's pause and pulse (0: back-to-back pulses)
  int channels = 8;
  double adcRateKHz = 4.0;
  int periodMs = 200;
};

void measureRun(benchmark::State& state, const RunSettings& settings);

// Argument: the air valve's pause and pulse in ms (0: the defaults, back-to-back pulses).
void BM_HeadlessRun(benchmark::State& state) {
  RunSettings settings;
  settings.airMs = static_cast<int>(state.range(0));
  measureRun(state, settings);
}

// Arguments: channels, the module's total rate in kHz, the period in ms.
void BM_ShortPeriodRun(benchmark::State& state) {
  RunSettings settings;
  settings.airMs = 100;
  settings.channels = static_cast<int>(state.range(0));
  settings.adcRateKHz = static_cast<double>(state.range(1));
  settings.periodMs = static_cast<int>(state.range(2));
  measureRun(state, settings);
}

void measureRun(benchmark::State& state, const RunSettings& settings) {
  kelmo::setSettingsScriptRunner([settings](const std::string&) {
    kelmo::tKELMO_Params& params = kelmo::kelmo_params();
    params.airDelay = settings.airMs;
    params.airLength = settings.airMs;
    params.ChannelsQuantity = settings.channels;
    params.adcRate = settings.adcRateKHz;
    params.DATA_QUERY_PERIOD_MS = settings.periodMs;
    return true;
  });
  const auto dir = std::filesystem::temp_directory_path() / "kelmo_bench_headless";
  std::filesystem::create_directories(dir);
  std::filesystem::current_path(dir);
  std::filesystem::remove("test.dat");
  for (auto _ : state) {
    auto library = std::make_shared<kelmo::sim::SimLibrary>();
    kelmo::setModuleLibrary(library);
    // The console lines would crowd the benchmark's table.
    std::fflush(stdout);
    const int savedOut = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    const double cpuBefore = cpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    const int code = kelmo::runHeadless(runSeconds());
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    const double cpu = cpuSeconds() - cpuBefore;
    std::fflush(stdout);
    dup2(savedOut, STDOUT_FILENO);
    close(savedOut);
    close(null);
    state.SetIterationTime(wall);
    state.counters["exit_code"] = code;
    state.counters["cpu_percent_of_one_core"] = 100.0 * cpu / wall;
    state.counters["overruns"] = static_cast<double>(library->lastModule()->counters().overruns);
    state.counters["lost_samples"] = static_cast<double>(library->lastModule()->counters().lostSamples);
    kelmo::setModuleLibrary(nullptr);
  }
}

BENCHMARK(BM_HeadlessRun)->Arg(0)->Arg(100)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_ShortPeriodRun)
    ->ArgNames({"channels", "kHz", "period_ms"})
    ->Args({1, 100, 10})
    ->Args({8, 100, 10})
    ->Args({2, 50, 10})
    ->Args({8, 4, 10})
    ->Args({1, 1, 10})
    ->Args({8, 100, 1000})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

}  // namespace
