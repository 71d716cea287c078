#pragma once
// Pictures of the console's display as files: a palette PNG of one picture, and an animated GIF
// in which every frame carries its own 256-colour palette, so colour cycling stays exact.

#include <stdint.h>

#include <memory>
#include <string>

#include "frontends/capture/output_file.h"
#include "platform/sim/board.h"

namespace frontends {

// Writes an 8-bit palette PNG (all 256 entries, no transparency) into an open output.
void write_png(OutputFile& output, const sim::Picture& picture);
// Writes a PNG to `path` atomically.
void save_png(const std::string& path, const sim::Picture& picture);

class GifRecorder {
  public:
    // Starts the file (a looping animation of 320 x 240 frames).
    explicit GifRecorder(const std::string& path);
    ~GifRecorder();
    GifRecorder(const GifRecorder&) = delete;
    GifRecorder& operator=(const GifRecorder&) = delete;

    // Adds a frame shown for `delay` hundredths of a second.
    void add_frame(const sim::Picture& picture, int delay);
    // Adds a frame of a 60 Hz display sampled every `stride` pulses (2 or more). GIF delays are
    // whole hundredths, so they are spread to keep the total exact: every second pulse gives
    // 3, 3, 4, 3, 3, 4, ...
    void add_sampled_frame(const sim::Picture& picture, int stride = 2);
    // Ends the file and puts it in place.
    void finish();
    // Ends the file and puts it in place if it is at most `limit` bytes; returns its size.
    uint64_t finish_within(uint64_t limit);
    int frames() const { return frames_; }

  private:
    OutputFile output_;
    struct Encoder;
    std::unique_ptr<Encoder> encoder_;
    int frames_ = 0;
};

}  // namespace frontends
