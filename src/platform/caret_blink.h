#pragma once
// How long a text caret keeps blinking after the operator's last keystroke or click. Native
// edit controls stop blinking then and leave the caret shown: Windows after its "caret
// timeout" system setting (5 s unless changed), GTK desktops after 10 s.
#include <chrono>
#include <optional>

namespace kelmo {

// Empty when the system lets the caret blink for ever.
std::optional<std::chrono::milliseconds> caretBlinkTimeout();

}  // namespace kelmo
