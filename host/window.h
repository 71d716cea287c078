#pragma once
// The desktop window: the simulated console on screen in real time, driven by the keyboard,
// gamepads and the command line's input timeline.

#include "host/cli.h"
#include "host/script.h"

namespace host {

// The exit status when no window can be opened (no display); the message is one line on stderr.
constexpr int kNoDisplayStatus = 3;

// Runs the demo in a window until it leaves through the hand-over (Escape, closing the window and
// START all lead there); returns the exit status. Throws OutputError for unwritable outputs.
int run_window(const Options& options, const InputTimeline& timeline);

}  // namespace host
