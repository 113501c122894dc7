#pragma once
// The asymmetric discharge/charge pulse pattern on the sound output: a discharge pulse on
// the left channel, a pause, a charge pulse on the right channel and a second pause,
// repeated. Durations and levels are read from kelmo_params() for every block played.
namespace kelmo {

// Opens the sound streams and starts DischargeThread. A start while the generator runs is
// ignored (a debug line says so); a start while a stopped generator is still winding down
// waits for it to end first. Throws std::runtime_error naming the sound device and the
// reason when a stream cannot be opened; nothing is left running then.
void startAsymmetricDischarge();

// Asks DischargeThread to end and returns at once; it ends within one block.
void stopAsymmetricDischarge();

// Program shutdown: stops the generator and waits until DischargeThread has ended, so that
// the parameter object it reads can go. Does nothing when no generator runs.
void endAsymmetricDischarge();

}  // namespace kelmo
