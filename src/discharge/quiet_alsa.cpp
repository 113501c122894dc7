#include "discharge/quiet_alsa.h"

#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace kelmo {

namespace {

void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

void silenceAlsaErrors() { snd_lib_error_set_handler(&ignoreAlsaError); }

MutedStderr::MutedStderr() {
  std::fflush(stderr);
  const int nullFd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (nullFd < 0) return;
  saved_ = ::dup(STDERR_FILENO);
  if (saved_ >= 0) ::dup2(nullFd, STDERR_FILENO);
  ::close(nullFd);
}

MutedStderr::~MutedStderr() {
  if (saved_ < 0) return;
  std::fflush(stderr);
  ::dup2(saved_, STDERR_FILENO);
  ::close(saved_);
}

}  // namespace kelmo
