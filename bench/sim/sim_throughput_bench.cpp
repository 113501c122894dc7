// How fast the simulated module makes samples when nothing paces it: two reads kept
// pending as the read thread keeps them, every block generated, quantised and delivered.
#include <benchmark/benchmark.h>

#include <vector>

#include "platform/auto_reset_event.h"
#include "sim/sim_library.h"

namespace {

using namespace kelmo;

struct Request {
  explicit Request(DWORD samples) : buffer(samples) {
    overlapped.hEvent = &event;
    request = {buffer.data(), samples, 0, &overlapped, 1000};
  }
  std::vector<std::int16_t> buffer;
  AutoResetEvent event;
  OVERLAPPED_BLOCK overlapped{};
  IO_REQUEST_LUSBAPI request{};
};

void UnpacedThroughput(benchmark::State& state) {
  const auto channels = static_cast<WORD>(state.range(0));
  const auto blockSamples = static_cast<DWORD>(state.range(1));
  sim::SimConfig config;
  config.paced = false;
  config.latency = {};
  sim::SimLibrary library(config);
  ILE154* module = library.CreateLInstance("e154");
  module->OpenLDevice(0);
  ADC_PARS_E154 pars{};
  module->GET_ADC_PARS(&pars);
  pars.ChannelsQuantity = channels;
  for (WORD i = 0; i < channels; ++i) pars.ControlTable[i] = static_cast<WORD>(i % 4 * 64 + i);
  pars.AdcRate = 100.0;
  module->SET_ADC_PARS(&pars);

  Request requests[2] = {Request(blockSamples), Request(blockSamples)};
  module->ReadData(&requests[0].request);
  module->START_ADC();
  int issued = 0;
  for (auto _ : state) {
    issued ^= 1;
    module->ReadData(&requests[issued].request);
    requests[issued ^ 1].event.wait();
    benchmark::DoNotOptimize(requests[issued ^ 1].buffer.data());
  }
  module->STOP_ADC();
  module->ReleaseLInstance();
  state.counters["samples/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * blockSamples, benchmark::Counter::kIsRate);
}
BENCHMARK(UnpacedThroughput)->Args({1, 1024})->Args({8, 1312})->Args({8, 65536});

}  // namespace
