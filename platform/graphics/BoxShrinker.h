#pragma once
// Area-averaging shrink of 8-bit pixels (1 byte a pixel grey or 4 bytes B,G,R,X). Each output
// pixel is the mean of the source area it covers, weighted by how much of each source pixel
// falls inside. The weights of every output pixel add up exactly, so a uniform colour comes
// out unchanged (libyuv's colour filters lose up to 2 levels on non-integer factors).
#include <cstdint>

namespace platform {

class BoxShrinker {
public:
    // Shrinks sw x sh into a dw x dh picture whose top-left pixel is at `dstOrigin`, writing only
    // the clip rectangle (clipX, clipY, clipW, clipH) of that picture. `channels` is 1 or 4;
    // dw <= sw and dh <= sh. False for bad arguments or when memory runs out.
    static bool shrink(const uint8_t* src, int srcStride, int sw, int sh, uint8_t* dstOrigin, int dstStride, int dw,
                       int dh, int clipX, int clipY, int clipW, int clipH, int channels);
};

}  // namespace platform
