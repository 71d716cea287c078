#pragma once
// The window that shows the console's display: opening it, showing one picture per pulse,
// fullscreen and the title.

#include <stdint.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/sim/board.h"

namespace frontends::window {

// No window could be opened (no display, or none that works); what() says why in one line.
class NoDisplay : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class Video {
  public:
    // Opens the window: `scale` 0 picks the largest that fits the screen, up to 4. Throws
    // NoDisplay.
    Video(const std::string& title, int scale, bool fullscreen);
    ~Video();
    Video(const Video&) = delete;
    Video& operator=(const Video&) = delete;

    // Shows the picture; one that is already shown is not converted again unless the window
    // changed since.
    void show(const sim::Picture& picture);
    // After a resize, an expose or a change of fullscreen: the next show redraws everything.
    void invalidate() { stale_ = true; }
    void toggle_fullscreen();
    void set_title(const std::string& title);

  private:
    struct Sdl;
    void show_on_surface();
    void show_with_renderer();
    std::unique_ptr<Sdl> sdl_;
    sim::Picture picture_;
    bool stale_ = true;
};

}  // namespace frontends::window
