#pragma once
// kelmo --headless: one test run without a window and without Qt, for rigs driven from a
// shell and for tests.
#include <optional>

namespace kelmo {

inline constexpr int kHeadlessNormalStop = 0;       // the run ended as asked
inline constexpr int kHeadlessOtherOutcome = 1;     // the run ended on a failure
inline constexpr int kHeadlessStartFailed = 2;      // the start failed (message on stderr)
inline constexpr int kHeadlessSettingsFailed = 123; // the settings script failed

// The start-up of the windowed program without the window: the settings script through
// initialiseParameters (its runner, when one is installed, runs the script silently and
// reports a failure's output pane on standard error; with none installed the defaults
// stand), then a run at once. Console lines go to standard output as UTF-8, one per line.
// The run is asked to stop, as with Esc, after durationSeconds (none: only on a signal)
// or at SIGINT or SIGTERM; returns after the join with one of the codes above.
int runHeadless(std::optional<double> durationSeconds);

}  // namespace kelmo
