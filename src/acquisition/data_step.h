#pragma once
// The size of one read request, the read thread's double buffer, and the timing that
// follows from the request: the pause between blocks and the wait for one block.
#include <array>
#include <chrono>
#include <cstdint>
#include <vector>

namespace kelmo {

// Samples per read request of the current run (a multiple of 32, at most 65536).
extern std::uint32_t DataStep;
// The two buffers the read thread alternates between, DataStep samples each.
extern std::array<std::vector<std::int16_t>, 2> ReadBuffers;

inline constexpr std::uint32_t kMaxDataStep = 65536;
// A request never holds less than this much of the stream, so that a block always
// outlasts the wake-up of the read thread.
inline constexpr double kMinBlockMs = 5.0;

// The samples of one request, from the module's total rate over all channels (kHz): the
// samples of one period divided by the buffers per period, but never fewer than the
// samples of kMinBlockMs; then the smallest multiple of 32 strictly above that, at most
// kMaxDataStep. A multiple of 32 holds whole frames of 1, 2, 4 or 8 channels.
// buffersPerPeriod must be at least 1 (the start refuses anything less).
std::uint32_t computeDataStep(double adcRateKHz, int periodMs, int buffersPerPeriod);

// How long the module takes to fill a request of dataStep samples, in ms.
double blockDurationMs(std::uint32_t dataStep, double adcRateKHz);

// The read thread's pause after each block: 20 ms, or half a block when that is shorter,
// so that the pending request is never filled before the next one is issued.
std::chrono::microseconds pauseBetweenBlocks(std::uint32_t dataStep, double adcRateKHz);

// Time-out of one request in ms: the block's duration, truncated, plus a second.
std::uint32_t readTimeoutMs(std::uint32_t dataStep, double adcRateKHz);

}  // namespace kelmo
