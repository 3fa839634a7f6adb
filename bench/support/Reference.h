#pragma once
// Measuring aids shared by several benchmarks.
#include "platform/graphics/Image.h"

#include <cstddef>
#include <string>

namespace bench {

// The reference Y: libjpeg-turbo alone encoding a B,G,R,X image at quality 90 into memory.
// Returns the size of the JPEG data.
size_t bareJpegEncode(const platform::Image& image);

// This thread's CPU time in seconds: a share of a core that does not depend on what else the
// machine runs.
double threadCpuSeconds();

// "xvfb-run" for a server that never resets, its display searched from a number of its own:
// Xvfb resets whenever its last client leaves (a poller such as xdotool), losing a window being
// opened meanwhile, and servers started back to back on one number race each other's shutdown.
std::string xvfbRun();

// Runs a shell command and returns what it printed (empty when it could not start).
std::string runShell(const std::string& command);

}  // namespace bench
