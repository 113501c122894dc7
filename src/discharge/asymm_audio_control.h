#pragma once
// The asymmetric discharge/charge pulse pattern on the sound output: a discharge pulse on
// the left channel, a pause, a charge pulse on the right channel and a second pause,
// repeated. Durations and levels are read from kelmo_params() for every block played.
namespace kelmo {

// Opens the sound streams and starts DischargeThread. A start while the generator runs is
// ignored (a debug line says so); a start while a stopped generator is still winding down
// waits for it to end first, at most about a second. Throws std::runtime_error naming
// every sound device tried and why it failed when none opens, or when the previous
// generator does not end; nothing is left running then.
void startAsymmetricDischarge();

// Asks DischargeThread to end and returns at once; it ends within a tenth of a second.
void stopAsymmetricDischarge();

// Program shutdown: stops the generator and waits until DischargeThread has ended, so that
// the parameter object it reads can go, at most about a second: a thread stuck in its
// sound device is left behind rather than hanging the program. Does nothing when no
// generator runs.
void endAsymmetricDischarge();

}  // namespace kelmo
