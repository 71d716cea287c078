// How much one pulse's conversion costs, for each way of turning the console's 8-bit picture into
// something SDL shows: run under a display (e.g. xvfb-run -a) as
//   window_convert_bench [renderer] [scale]
// with a renderer name as SDL_HINT_RENDER_DRIVER takes it ("software", "opengl", ...). Pictures
// are 120 real frames of the demo; each way converts and presents 600 of them, back to back.

#include <SDL.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "frontends/common/headless.h"
#include "frontends/window/pixels.h"
#include "platform/sim/run_demo.h"

namespace {

using frontends::window::Lut;
using sim::Picture;

double seconds(clockid_t clock) {
    timespec t;
    clock_gettime(clock, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

std::vector<Picture> demo_pictures() {
    std::vector<Picture> pictures;
    frontends::HeadlessFrontend frontend(frontends::InputTimeline({}, 120));
    frontend.on_pulse = [&pictures](const sim::Board& board, uint32_t) {
        pictures.push_back(board.picture());
    };
    sim::Board board(frontend);
    frontend.prepare(board);
    sim::run_demo(board);
    return pictures;
}

void set_colours(SDL_Surface* indexed, const Picture& picture) {
    SDL_Color colours[256];
    for (int i = 0; i < 256; ++i) {
        colours[i] = {picture.palette[i].r, picture.palette[i].g, picture.palette[i].b, 255};
    }
    SDL_SetPaletteColors(indexed->format->palette, colours, 0, 256);
    for (int y = 0; y < sim::kHeight; ++y) {
        std::memcpy((uint8_t*)indexed->pixels + y * indexed->pitch,
                    picture.pixels.data() + y * sim::kWidth, sim::kWidth);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int scale = argc > 2 ? std::atoi(argv[2]) : 1;
    const std::vector<Picture> pictures = demo_pictures();
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "no display: %s\n", SDL_GetError());
        return 1;
    }
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (argc > 1) {
        SDL_SetHint(SDL_HINT_RENDER_DRIVER, argv[1]);
    }
    const int w = sim::kWidth * scale, h = sim::kHeight * scale;
    SDL_Window* window = SDL_CreateWindow("bench", 0, 0, w, h, 0);
    SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, 0);
    SDL_RendererInfo info;
    SDL_GetRendererInfo(renderer, &info);
    SDL_Texture* texture = SDL_CreateTexture(
        renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, sim::kWidth, sim::kHeight);
    SDL_Surface* indexed =
        SDL_CreateRGBSurfaceWithFormat(0, sim::kWidth, sim::kHeight, 8, SDL_PIXELFORMAT_INDEX8);
    SDL_Surface* rgb =
        SDL_CreateRGBSurfaceWithFormat(0, sim::kWidth, sim::kHeight, 32, SDL_PIXELFORMAT_RGB888);
    const SDL_Rect target{0, 0, w, h};
    std::printf("renderer %s, window %d x %d\n", info.name, w, h);

    struct Way {
        const char* name;
        std::function<SDL_Texture*(const Picture&)> convert;  // returns the texture to show
    };
    const Way ways[] = {
        {"palette lookup into a streaming texture",
         [&](const Picture& p) {
             void* pixels;
             int pitch;
             SDL_LockTexture(texture, nullptr, &pixels, &pitch);
             const Lut lut =
                 frontends::window::make_lut(p.palette, [](uint8_t r, uint8_t g, uint8_t b) {
                     return 0xFF000000u | (uint32_t)r << 16 | (uint32_t)g << 8 | b;
                 });
             frontends::window::expand(p, lut, {}, (uint8_t*)pixels, sim::kWidth, sim::kHeight,
                                       (size_t)pitch);
             SDL_UnlockTexture(texture);
             return texture;
         }},
        {"8-bit surface blitted to 32 bits, texture updated",
         [&](const Picture& p) {
             set_colours(indexed, p);
             SDL_BlitSurface(indexed, nullptr, rgb, nullptr);
             SDL_UpdateTexture(texture, nullptr, rgb->pixels, rgb->pitch);
             return texture;
         }},
        {"8-bit surface made into a new texture",
         [&](const Picture& p) {
             set_colours(indexed, p);
             return SDL_CreateTextureFromSurface(renderer, indexed);
         }},
    };
    constexpr int kRounds = 600;
    for (const Way& way : ways) {
        double converting = 0;
        const double wall = seconds(CLOCK_MONOTONIC), cpu = seconds(CLOCK_PROCESS_CPUTIME_ID);
        for (int i = 0; i < kRounds; ++i) {
            const double start = seconds(CLOCK_MONOTONIC);
            SDL_Texture* shown = way.convert(pictures[(size_t)i % pictures.size()]);
            converting += seconds(CLOCK_MONOTONIC) - start;
            SDL_RenderCopy(renderer, shown, nullptr, &target);
            SDL_RenderPresent(renderer);
            if (shown != texture) {
                SDL_DestroyTexture(shown);
            }
        }
        std::printf("%-52s convert %6.1f us, with presenting %7.1f us wall, %7.1f us cpu\n",
                    way.name, converting / kRounds * 1e6,
                    (seconds(CLOCK_MONOTONIC) - wall) / kRounds * 1e6,
                    (seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu) / kRounds * 1e6);
    }
    SDL_DestroyRenderer(renderer);

    // The road the window takes without a GPU: the scaled expansion straight into the window's
    // own surface.
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    if (surface != nullptr && surface->format->BytesPerPixel == 4) {
        const double wall = seconds(CLOCK_MONOTONIC), cpu = seconds(CLOCK_PROCESS_CPUTIME_ID);
        double converting = 0;
        for (int i = 0; i < kRounds; ++i) {
            const Picture& p = pictures[(size_t)i % pictures.size()];
            const double start = seconds(CLOCK_MONOTONIC);
            const SDL_PixelFormat* format = surface->format;
            const Lut lut =
                frontends::window::make_lut(p.palette, [format](uint8_t r, uint8_t g, uint8_t b) {
                    return (uint32_t)SDL_MapRGB(format, r, g, b);
                });
            frontends::window::expand(p, lut, frontends::window::place(w, h),
                                      (uint8_t*)surface->pixels, w, h, (size_t)surface->pitch);
            converting += seconds(CLOCK_MONOTONIC) - start;
            SDL_UpdateWindowSurface(window);
        }
        std::printf("%-52s convert %6.1f us, with presenting %7.1f us wall, %7.1f us cpu\n",
                    "scaled palette lookup into the window surface", converting / kRounds * 1e6,
                    (seconds(CLOCK_MONOTONIC) - wall) / kRounds * 1e6,
                    (seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu) / kRounds * 1e6);
    }
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
