#pragma once
// Measuring aids shared by several benchmarks.
#include "platform/graphics/Image.h"

#include <cstddef>

namespace bench {

// The reference Y: libjpeg-turbo alone encoding a B,G,R,X image at quality 90 into memory.
// Returns the size of the JPEG data.
size_t bareJpegEncode(const platform::Image& image);

// This thread's CPU time in seconds: a share of a core that does not depend on what else the
// machine runs.
double threadCpuSeconds();

}  // namespace bench
