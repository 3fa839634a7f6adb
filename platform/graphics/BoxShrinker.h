#pragma once
// Area-averaging shrink of 8-bit pixels (1 byte a pixel grey or 4 bytes B,G,R,X). Each output
// pixel is the mean of the source area it covers, weighted by how much of each source pixel
// falls inside. The weights of every output pixel add up exactly, so a uniform colour comes
// out unchanged (libyuv's colour filters lose up to 2 levels on non-integer factors).
#include <cstdint>
#include <memory>

namespace platform {

class BoxShrinker {
public:
    // One whole sw x sh -> dw x dh shrink made a band of rows at a time: the taps of both axes are
    // worked out once, not for every band. Null for bad arguments or when memory runs out.
    static std::unique_ptr<BoxShrinker> create(int sw, int sh, int dw, int dh, int channels);
    ~BoxShrinker();
    // Rows [firstRow, firstRow + rowCount) of the picture whose top-left pixel is at `dstOrigin`.
    bool rows(const uint8_t* src, int srcStride, uint8_t* dstOrigin, int dstStride, int firstRow, int rowCount);
    // Whether this is the sw x sh -> dw x dh shrink (a kept one is reused only for its sizes).
    bool shrinks(int sw, int sh, int dw, int dh) const;

    // Shrinks sw x sh into a dw x dh picture whose top-left pixel is at `dstOrigin`, writing only
    // the clip rectangle (clipX, clipY, clipW, clipH) of that picture. `channels` is 1 or 4;
    // dw <= sw and dh <= sh. False for bad arguments or when memory runs out.
    static bool shrink(const uint8_t* src, int srcStride, int sw, int sh, uint8_t* dstOrigin, int dstStride, int dw,
                       int dh, int clipX, int clipY, int clipW, int clipH, int channels);

    // Runs the baseline code even where AVX2 code would be chosen (the tests check both).
    static void usePortableCode(bool portable);

private:
    struct Plan;
    explicit BoxShrinker(std::unique_ptr<Plan> plan);
    std::unique_ptr<Plan> plan_;
};

}  // namespace platform
