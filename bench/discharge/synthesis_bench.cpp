// Synthesis time of one 4096-frame block for periods from one frame to minutes long, and
// far into a run: the cost must not grow with the period or the block counter.
#include <benchmark/benchmark.h>

#include <vector>

#include "config/kelmo_params.h"
#include "discharge/discharge_pattern.h"

namespace kelmo {
namespace {

DischargePattern patternOfPeriodMs(double periodMs) {
  // Discharge 80 %, pause 5 %, charge 10 %, pause 5 % of the period.
  return {framesOf(periodMs * 0.80), framesOf(periodMs * 0.05), framesOf(periodMs * 0.10),
          framesOf(periodMs * 0.05), sampleOf(1.0), sampleOf(-1.0)};
}

void SynthesizeBlock(benchmark::State& state) {
  const DischargePattern pattern = patternOfPeriodMs(static_cast<double>(state.range(0)));
  std::vector<std::int16_t> block(kDischargeBlockSamples);
  std::uint64_t counter = static_cast<std::uint64_t>(state.range(1));
  for (auto _ : state) {
    synthesizeBlock(std::span<std::int16_t, kDischargeBlockSamples>(block), counter++, pattern);
    benchmark::DoNotOptimize(block.data());
    benchmark::ClobberMemory();
  }
  state.counters["period_frames"] = static_cast<double>(pattern.period());
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kDischargeBlockFrames));
}
// Arguments: period in ms (the rig's default pattern is 61 ms), first block counter.
BENCHMARK(SynthesizeBlock)
    ->Args({1, 0})
    ->Args({61, 0})
    ->Args({1000, 0})
    ->Args({600000, 0})
    ->Args({61, 1'000'000'000})
    ->Args({600000, 1'000'000'000});

void SynthesizeBlockFromParameters(benchmark::State& state) {
  // The thread's own path: the six parameters are read for every block.
  std::vector<std::int16_t> block(kDischargeBlockSamples);
  std::uint64_t counter = 0;
  for (auto _ : state) {
    synthesizeBlock(std::span<std::int16_t, kDischargeBlockSamples>(block), counter++,
                    currentDischargePattern());
    benchmark::DoNotOptimize(block.data());
  }
}

BENCHMARK(SynthesizeBlockFromParameters)
    ->Setup([](const benchmark::State&) { createGlobalParams(); })
    ->Teardown([](const benchmark::State&) { destroyGlobalParams(); });

}  // namespace
}  // namespace kelmo
