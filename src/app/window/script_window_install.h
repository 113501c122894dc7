#pragma once
// The windowed program's script layer: script windows are TfmScripter, F3 opens one on the
// settings file, and the start-up settings script shows one when it fails.

namespace kelmo {

// Call before the start-up settings step (initialiseParameters).
void installScriptWindow();

}  // namespace kelmo
