#pragma once
// The size of one read request and the read thread's double buffer.
#include <array>
#include <cstdint>
#include <vector>

namespace kelmo {

// Samples per read request of the current run (a multiple of 32, at most 65536).
extern std::uint32_t DataStep;
// The two buffers the read thread alternates between, DataStep samples each.
extern std::array<std::vector<std::int16_t>, 2> ReadBuffers;

// The smallest multiple of 32 strictly above the samples of one request: channels x rate
// (kHz) x period (ms) / buffers per period, in extended precision and in that order.
// Not limited: the caller checks it against 65536.
std::uint64_t computeDataStep(unsigned channels, double adcRateKHz, int periodMs, int buffersPerPeriod);

}  // namespace kelmo
