// The read thread's work on a finished block: every sample through the per-channel filter
// in extended precision. Samples per second against the module's 100 kHz.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "acquisition/read_thread.h"

namespace {

void BM_FilterBlock(benchmark::State& state) {
  const auto channels = static_cast<unsigned>(state.range(0));
  const auto samples = static_cast<std::size_t>(state.range(1));
  std::vector<std::int16_t> block(samples);
  std::mt19937 random(42);
  std::uniform_int_distribution<int> code(-32768, 32767);
  for (auto& s : block) s = static_cast<std::int16_t>(code(random));
  std::array<double, 8> filter{};
  for (auto _ : state) {
    kelmo::filterBlock(filter, block.data(), block.size(), channels, 0.001);
    benchmark::DoNotOptimize(filter);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(samples));
  state.counters["headroom_vs_100kHz"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * static_cast<double>(samples) / 100000.0, benchmark::Counter::kIsRate);
}

// 1 channel: 1024-sample blocks (100 kHz, 100 ms, 10 per period); 8 channels: the default
// 1312-sample blocks and the largest request of 65536.
BENCHMARK(BM_FilterBlock)->Args({1, 1024})->Args({1, 65536})->Args({8, 1312})->Args({8, 65536});

}  // namespace
