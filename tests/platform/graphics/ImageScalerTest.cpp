#include "platform/graphics/BitmapContext.h"
#include "platform/graphics/ImageScaler.h"

#include <gtest/gtest.h>

#include <vector>

using namespace platform;

namespace {

ImageRef pattern(int w, int h) {
    std::vector<uint8_t> px(size_t(w) * h * 4);
    for (size_t i = 0; i < px.size(); ++i) px[i] = uint8_t(i * 37 + (i >> 5) * 11);
    return Image::createBGRX(w, h, std::move(px));
}

}  // namespace

TEST(ImageScaler, BandsAreWhatAnUprightDrawGives) {
    // Enlarging (bilinear), shrinking by whole and by other factors (box), the same size (copy),
    // and a crop whose rows are longer than its width; rows made in bands of 3, last one short.
    struct Case {
        int sw, sh, dw, dh;
    };
    for (Case c : {Case{7, 5, 19, 13}, Case{12, 9, 4, 3}, Case{12, 9, 5, 4}, Case{6, 4, 6, 4}, Case{9, 6, 9, 13}}) {
        ImageRef src = pattern(c.sw + 3, c.sh + 2)->crop(Rect(2, 1, float(c.sw), float(c.sh)));
        ASSERT_TRUE(src);
        auto ctx = BitmapContext::create(c.dw, c.dh, 8, c.dw * 4, ColorSpace::DeviceRGB, BitmapInfo::BGRX);
        ctx->drawImage(Rect(0, 0, float(c.dw), float(c.dh)), src);
        ASSERT_TRUE(ctx->lastDrawWasDirect());
        std::vector<uint8_t> rows(size_t(c.dw) * 4 * c.dh, 0);
        for (int y = 0; y < c.dh; y += 3)
            ASSERT_TRUE(ImageScaler::scaleRows(*src, c.dw, c.dh, y, std::min(3, c.dh - y),
                                               rows.data() + size_t(y) * c.dw * 4, c.dw * 4));
        for (int y = 0; y < c.dh; ++y)
            for (int x = 0; x < c.dw; ++x)
                for (int k = 0; k < 3; ++k)
                    ASSERT_EQ(rows[(size_t(y) * c.dw + x) * 4 + k], ctx->data()[size_t(y) * c.dw * 4 + x * 4 + k])
                        << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh << " at " << x << "," << y;
    }
}

TEST(ImageScaler, RefusesWhatItCannotScale) {
    auto src = pattern(4, 4);
    std::vector<uint8_t> out(64);
    EXPECT_FALSE(ImageScaler::scaleRows(*src, 4, 4, 3, 2, out.data(), 16));  // past the last row
    EXPECT_FALSE(ImageScaler::scaleRows(*src, 4, 4, 0, 1, out.data(), 8));   // row too short
    auto grey = Image::createGray(4, 4, std::vector<uint8_t>(16, 1));
    EXPECT_FALSE(ImageScaler::accepts(*grey));
    EXPECT_FALSE(ImageScaler::scaleRows(*grey, 2, 2, 0, 1, out.data(), 8));
}
