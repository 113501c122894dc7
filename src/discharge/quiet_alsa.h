#pragma once
// Keeps the sound libraries' complaints about missing cards and servers off the user's
// terminal: ALSA's error handler is silenced for good, and standard error is muted while
// the sound layer initialises (it probes every card and server it knows).
namespace kelmo {

void silenceAlsaErrors();

class MutedStderr {
 public:
  MutedStderr();
  ~MutedStderr();
  MutedStderr(const MutedStderr&) = delete;
  MutedStderr& operator=(const MutedStderr&) = delete;

 private:
  int saved_ = -1;
};

}  // namespace kelmo
