#pragma once
// The desktop window: the simulated board on screen in real time, driven by the keyboard,
// gamepads and the command line's input timeline.

#include "frontends/common/options.h"
#include "frontends/common/script.h"

#include <string>

namespace frontends::window {

// The exit status when no window can be opened (no display); the message is one line on stderr.
constexpr int kNoDisplayStatus = 3;

// Runs the demo in a window until it leaves through the hand-over (Escape, closing the window,
// Ctrl+C and START all lead there); returns the exit status. Throws OutputError for unwritable
// outputs.
int run_window(const Options& options, const InputTimeline& timeline);

// Shows a one-line error in a message box, for a run started from the desktop, where no terminal
// shows stderr; returns once it is dismissed, or at once when there is no display.
void show_error(const std::string& line);

}  // namespace frontends::window
