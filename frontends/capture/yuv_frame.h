#pragma once
// The console's pictures as 4:2:0 video frames, each pixel a square of whole-number size.

#include <stdint.h>

#include <vector>

#include "platform/sim/board.h"

namespace frontends {

class YuvScaler {
  public:
    explicit YuvScaler(int scale);
    // Writes `picture`, scaled, into the three planes of a frame of 320 x 240 times the scale.
    void convert(const sim::Picture& picture, uint8_t* const planes[3], const int strides[3]) const;

  private:
    int scale_;
    std::vector<int> left_, right_;  // the console columns under each chroma column
};

}  // namespace frontends
