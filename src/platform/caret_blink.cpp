#include "platform/caret_blink.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace kelmo {

#ifdef _WIN32

std::optional<std::chrono::milliseconds> caretBlinkTimeout() {
  // Not every SDK's headers name this setting.
  constexpr UINT kGetCaretTimeout = 0x2022;  // SPI_GETCARETTIMEOUT
  DWORD timeoutMs = 0;
  if (SystemParametersInfoW(kGetCaretTimeout, 0, &timeoutMs, 0) == 0) return std::chrono::milliseconds{5'000};
  if (timeoutMs == INFINITE) return std::nullopt;
  return std::chrono::milliseconds{timeoutMs};
}

#else

// GTK's default, for systems that keep no such setting.
std::optional<std::chrono::milliseconds> caretBlinkTimeout() { return std::chrono::milliseconds{10'000}; }

#endif

}  // namespace kelmo
