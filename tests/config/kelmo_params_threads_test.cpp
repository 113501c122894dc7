#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "config/kelmo_params.h"

namespace kelmo {
namespace {

// Worker threads read the shared fields while the main thread (a script, the air fields)
// writes them. Each write stores one of two whole values; a reader must only ever see
// one of them, never a mixture, and ThreadSanitizer must see no race.
TEST(KelmoParamsThreads, WorkersNeverSeeAHalfWrittenValue) {
  createGlobalParams();
  tKELMO_Params& params = kelmo_params();
  constexpr double kA = 1.0 / 3.0;
  constexpr double kB = -123456789.987654321;
  params.IrScale = kA;
  params.lowPassFilterK = kA;
  params.chargeURel = kA;

  std::atomic<bool> stop{false};
  std::atomic<int> torn{0};
  std::atomic<long> reads{0};
  std::vector<std::thread> readers;
  for (int t = 0; t < 2; ++t) {
    readers.emplace_back([&] {
      const tKELMO_Params& p = kelmo_params();
      while (!stop.load()) {
        for (double v : {static_cast<double>(p.IrScale), static_cast<double>(p.lowPassFilterK),
                         static_cast<double>(p.chargeURel)}) {
          if (v != kA && v != kB) ++torn;
        }
        const int delay = p.airDelay;
        const int period = p.DATA_QUERY_PERIOD_MS;
        const int channels = p.ChannelsQuantity;
        if (delay < 0 || delay > 1000 || (period != 200 && period != 100) || (channels != 8 && channels != 4)) ++torn;
        ++reads;
      }
    });
  }
  for (int i = 0; i < 20000 || reads.load() < 1000; ++i) {
    const bool odd = (i % 2) != 0;
    params.IrScale = odd ? kB : kA;
    params.lowPassFilterK = odd ? kB : kA;
    params.chargeURel = odd ? kB : kA;
    params.airDelay = i % 1001;
    params.DATA_QUERY_PERIOD_MS = odd ? 100 : 200;
    params.ChannelsQuantity = odd ? 4 : 8;
  }
  stop = true;
  for (std::thread& t : readers) t.join();
  EXPECT_EQ(torn.load(), 0);
  EXPECT_GE(reads.load(), 1000);
  destroyGlobalParams();
}

}  // namespace
}  // namespace kelmo
