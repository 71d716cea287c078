// The window's video pipeline.
//
// The console's display is 320 x 240 bytes of palette indices at the scan address, seen through
// the 256 colours loaded last. At each sync pulse's rising edge the front end captures both (a
// sim::Picture) and shows it here:
//
// 1. A picture equal to the one on screen is not converted again (slow motion shows each frame
//    for seventeen pulses), unless the window changed meanwhile.
// 2. Palette expansion: the 256 entries become a table of 32-bit pixels in the output's own
//    format, and each byte becomes its colour through one lookup. (Measured: SDL's 8-bit palette
//    surface saves nothing over it, and only the lookup can write a scaled picture straight into
//    the window surface in one pass; docs/PERFORMANCE.md has figures.)
// 3. Integer scaling with nearest filtering: each console pixel becomes a square block of the
//    largest whole size that fits the window, so the picture stays sharp and every pixel exact.
//    A row is expanded once and put on each line of its block with stores that bypass the caches
//    (where the processor has them): nothing in this process reads the output back.
// 4. Letterboxing: the scaled picture is centred and the rest of the window is black.
// 5. Two roads to the screen. With a GPU, the 320 x 240 expansion goes into a streaming texture
//    that the renderer scales (nearest) into the placed rectangle. Without one (no accelerated
//    renderer, or OpenGL is a software rasteriser, as under Xvfb), the expansion writes the
//    scaled picture straight into the window's own surface, which costs far less than the
//    renderer's software stretch. SDL_RENDER_DRIVER in the environment forces the renderer road.
// 6. Presenting never waits for the monitor's refresh: the console's own 60 Hz clock paces the
//    pulses, whatever the monitor runs at.

#include "frontends/window/video.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

#include "frontends/window/pixels.h"

namespace frontends::window {
namespace {

constexpr uint32_t kGlRenderer = 0x1F01;  // glGetString's name for the rasteriser

// True when the renderer draws with OpenGL and that OpenGL is a software rasteriser.
bool renders_in_software(SDL_Renderer* renderer) {
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(renderer, &info) != 0 || (info.flags & SDL_RENDERER_SOFTWARE)) {
        return true;
    }
    if (std::strncmp(info.name, "opengl", 6) != 0) {
        return false;
    }
    using GetString = const unsigned char* (*)(uint32_t);
    const auto get_string = (GetString)SDL_GL_GetProcAddress("glGetString");
    const char* name = get_string ? (const char*)get_string(kGlRenderer) : nullptr;
    if (name == nullptr) {
        return false;
    }
    for (const char* soft : {"llvmpipe", "softpipe", "Software Rasterizer", "swrast"}) {
        if (std::strstr(name, soft) != nullptr) {
            return true;
        }
    }
    return false;
}

// SDL's drivers that show nothing on a screen; used only when SDL_VIDEODRIVER asks for them.
bool invisible(const std::string& driver) {
    return driver == "offscreen" || driver == "dummy" || driver == "evdev";
}

// Starts SDL's video on the first driver that reaches a display. Without a session directory
// there can be no Wayland compositor, and probing for one would only print its own complaint.
void start_video() {
    if (std::getenv("SDL_VIDEODRIVER") != nullptr) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            throw NoDisplay(std::string("no display to open a window on: ") + SDL_GetError());
        }
        return;
    }
    const bool session = std::getenv("XDG_RUNTIME_DIR") != nullptr;
    std::string tried;
    for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
        const std::string driver = SDL_GetVideoDriver(i);
        if (invisible(driver) || (driver == "wayland" && !session)) {
            continue;
        }
        SDL_SetHint(SDL_HINT_VIDEODRIVER, driver.c_str());
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
            return;
        }
        tried += (tried.empty() ? "" : ", ") + std::string(SDL_GetError());
    }
    throw NoDisplay("no display to open a window on (" + tried + ")");
}

uint32_t pack_xrgb(uint8_t r, uint8_t g, uint8_t b) {
    return 0xFF000000u | (uint32_t)r << 16 | (uint32_t)g << 8 | b;
}

}  // namespace

struct Video::Sdl {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    Uint32 flags = 0;
    int width = 0, height = 0;

    ~Sdl() { close(); }
    void close() {
        if (texture) {
            SDL_DestroyTexture(texture);
        }
        if (renderer) {
            SDL_DestroyRenderer(renderer);
        }
        if (window) {
            SDL_DestroyWindow(window);
        }
        texture = nullptr;
        renderer = nullptr;
        window = nullptr;
    }
    void open_window(const std::string& title) {
        window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                  width, height, flags);
        if (window == nullptr) {
            throw NoDisplay(std::string("no window could be opened: ") + SDL_GetError());
        }
        SDL_SetWindowMinimumSize(window, sim::kWidth, sim::kHeight);
    }
    bool make_texture() {
        texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                    sim::kWidth, sim::kHeight);
        return texture != nullptr && SDL_SetTextureScaleMode(texture, SDL_ScaleModeNearest) == 0;
    }
    // A usable window surface of 32-bit pixels; false leaves none.
    bool surface_usable() {
        SDL_Surface* surface = SDL_GetWindowSurface(window);
        return surface != nullptr && surface->format->BytesPerPixel == 4;
    }
};

Video::Video(const std::string& title, int scale, bool fullscreen) : sdl_(new Sdl) {
    start_video();
    if (scale == 0) {
        SDL_Rect usable;
        scale = SDL_GetDisplayUsableBounds(0, &usable) == 0 ? fitting_scale(usable.w, usable.h) : 1;
    }
    Sdl& sdl = *sdl_;
    sdl.width = sim::kWidth * scale;
    sdl.height = sim::kHeight * scale;
    sdl.flags =
        SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | (fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
    sdl.open_window(title);

    const bool forced = std::getenv("SDL_RENDER_DRIVER") != nullptr;
    sdl.renderer = SDL_CreateRenderer(sdl.window, -1, forced ? 0 : SDL_RENDERER_ACCELERATED);
    if (sdl.renderer != nullptr && (forced || !renders_in_software(sdl.renderer))) {
        if (!sdl.make_texture()) {
            throw NoDisplay(std::string("no texture for the picture: ") + SDL_GetError());
        }
    } else {
        // A fresh window without the renderer's OpenGL, whose surface SDL must not emulate with
        // OpenGL again.
        sdl.close();
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        sdl.open_window(title);
        if (!sdl.surface_usable()) {
            sdl.renderer = SDL_CreateRenderer(sdl.window, -1, SDL_RENDERER_SOFTWARE);
            if (sdl.renderer == nullptr || !sdl.make_texture()) {
                throw NoDisplay(std::string("no way to draw in the window: ") + SDL_GetError());
            }
        }
    }
    SDL_ShowWindow(sdl.window);
    // The first picture on a new window costs far more than a pulse (the server maps the window
    // and shares the buffer): pay that now, before the console's clock starts.
    show(sim::Picture{});
}

Video::~Video() {
    sdl_->close();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void Video::toggle_fullscreen() {
    const bool full = SDL_GetWindowFlags(sdl_->window) & SDL_WINDOW_FULLSCREEN_DESKTOP;
    SDL_SetWindowFullscreen(sdl_->window, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
    stale_ = true;
}

void Video::set_title(const std::string& title) {
    SDL_SetWindowTitle(sdl_->window, title.c_str());
}

void Video::show(const sim::Picture& picture) {
    if (!stale_ && picture == picture_) {
        return;
    }
    picture_ = picture;
    if (sdl_->renderer != nullptr) {
        show_with_renderer();
        SDL_RenderPresent(sdl_->renderer);
    } else {
        show_on_surface();
    }
}

void Video::show_on_surface() {
    SDL_Surface* surface = SDL_GetWindowSurface(sdl_->window);
    if (surface == nullptr) {
        return;  // the window is changing size; the next pulse draws again
    }
    if (stale_ || surface->w != sdl_->width || surface->h != sdl_->height) {
        SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
        sdl_->width = surface->w;
        sdl_->height = surface->h;
    }
    stale_ = false;
    const SDL_PixelFormat* format = surface->format;
    const Lut lut = make_lut(picture_.palette, [format](uint8_t r, uint8_t g, uint8_t b) {
        return (uint32_t)SDL_MapRGB(format, r, g, b);
    });
    if (SDL_MUSTLOCK(surface)) {
        SDL_LockSurface(surface);
    }
    expand(picture_, lut, place(surface->w, surface->h), (uint8_t*)surface->pixels, surface->w,
           surface->h, (size_t)surface->pitch);
    if (SDL_MUSTLOCK(surface)) {
        SDL_UnlockSurface(surface);
    }
    SDL_UpdateWindowSurface(sdl_->window);
}

void Video::show_with_renderer() {
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(sdl_->texture, nullptr, &pixels, &pitch) == 0) {
        expand(picture_, make_lut(picture_.palette, pack_xrgb), Placement{}, (uint8_t*)pixels,
               sim::kWidth, sim::kHeight, (size_t)pitch);
        SDL_UnlockTexture(sdl_->texture);
    }
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(sdl_->renderer, &w, &h);
    const Placement placement = place(w, h);
    if (!placement.covers(w, h)) {
        SDL_SetRenderDrawColor(sdl_->renderer, 0, 0, 0, 255);
        SDL_RenderClear(sdl_->renderer);
    }
    const SDL_Rect target{placement.x, placement.y, placement.width(), placement.height()};
    SDL_RenderCopy(sdl_->renderer, sdl_->texture, nullptr, &target);
    stale_ = false;
}

}  // namespace frontends::window
