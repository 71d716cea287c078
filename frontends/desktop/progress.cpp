// The line is redrawn in place (carriage return, then erase to the end of the line), so it never
// scrolls; a redraw costs one write, a few times a second.

#include "frontends/desktop/progress.h"

#include <algorithm>
#include <cmath>

namespace frontends::desktop {
namespace {

constexpr double kShowAfter = 0.5;     // seconds
constexpr double kLongRun = 1.0;       // seconds in all
constexpr double kRedrawEvery = 0.25;  // seconds

std::string duration(double seconds) {
    const long total = std::lround(std::max(0.0, seconds));
    if (total < 60) {
        return std::to_string(total) + " s";
    }
    char text[32];
    if (total < 3600) {
        std::snprintf(text, sizeof text, "%ld min %02ld s", total / 60, total % 60);
    } else {
        std::snprintf(text, sizeof text, "%ld h %02ld min", total / 3600, total / 60 % 60);
    }
    return text;
}

}  // namespace

std::string progress_text(uint32_t done, uint32_t total, double seconds) {
    done = std::min(done, total);
    const int percent = total == 0 ? 100 : (int)((uint64_t)done * 100 / total);
    std::string text = "pulse " + std::to_string(done) + " of " + std::to_string(total) + " (" +
                       std::to_string(percent) + "%)";
    if (done == 0 || seconds <= 0) {
        return text;
    }
    const double rate = done / seconds;
    return text + ", " + std::to_string(std::lround(rate)) + " pulses/s, " +
           duration((total - done) / rate) + " left";
}

bool progress_worth_showing(uint32_t done, uint32_t total, double seconds) {
    if (seconds < kShowAfter || done >= total) {
        return false;
    }
    return done == 0 || seconds * total / done > kLongRun;
}

ProgressLine::ProgressLine(std::FILE* terminal, uint32_t total)
    : terminal_(terminal), total_(total) {}

ProgressLine::~ProgressLine() {
    clear();
}

void ProgressLine::update(uint32_t done) {
    if (terminal_ == nullptr) {
        return;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    if (seconds < next_draw_ || (!shown_ && !progress_worth_showing(done, total_, seconds))) {
        return;
    }
    next_draw_ = seconds + kRedrawEvery;
    std::fprintf(terminal_, "\r%s\033[K",
                 ("plasmaballs: " + progress_text(done, total_, seconds)).c_str());
    std::fflush(terminal_);
    shown_ = true;
}

void ProgressLine::clear() {
    if (shown_) {
        std::fputs("\r\033[K", terminal_);
        std::fflush(terminal_);
        shown_ = false;
    }
}

}  // namespace frontends::desktop
