#pragma once
// The desktop window: the simulated board on screen in real time, driven by the keyboard,
// gamepads and the command line's input timeline.

#include <stdint.h>

#include <optional>
#include <string>

#include "frontends/capture/outputs.h"
#include "frontends/common/script.h"

namespace frontends::window {

// The exit status when no window can be opened (no display); the message is one line on stderr.
constexpr int kNoDisplayStatus = 3;

// What a window run is asked for: the seed (none: from the clock), the scale (0: the largest that
// fits, up to 4), fullscreen, and the files to write.
struct WindowRequest {
    std::optional<uint16_t> seed;
    int scale = 0;
    bool fullscreen = false;
    OutputRequest outputs;
};

// Runs the demo in a window until it leaves through the hand-over (Escape, closing the window,
// Ctrl+C and START all lead there); returns the exit status. Throws OutputError for unwritable
// outputs.
int run_window(const WindowRequest& request, const InputTimeline& timeline);

// Shows a one-line error in a message box, for a run started from the desktop, where no terminal
// shows stderr; returns once it is dismissed, or at once when there is no display.
void show_error(const std::string& line);

}  // namespace frontends::window
