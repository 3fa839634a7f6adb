#include "platform/graphics/BitmapContext.h"
#include "platform/graphics/BoxShrinker.h"
#include "platform/graphics/ImageScaler.h"
#include "tests/platform/graphics/TestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace platform;

namespace {

// Counts the pixels of a colour context that are not exactly (b, g, r).
int mismatches(BitmapContext& c, uint8_t b, uint8_t g, uint8_t r) {
    int bad = 0;
    const uint8_t* p = c.data();
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x) {
            const uint8_t* q = p + size_t(y) * c.bytesPerRow() + size_t(x) * 4;
            if (q[0] != b || q[1] != g || q[2] != r) ++bad;
        }
    return bad;
}

ImageRef pattern(int w, int h) {
    std::vector<uint8_t> px(size_t(w) * h * 4);
    for (size_t i = 0; i < px.size(); ++i) px[i] = uint8_t(i * 37 + (i >> 5) * 11);
    return Image::createBGRX(w, h, std::move(px));
}

}  // namespace

TEST(BoxShrinkerTest, UniformColoursStayExactAtNonIntegerFactors) {
    struct Size {
        int sw, sh, dw, dh;
    };
    // The picture-to-screen, preview-to-thumbnail and odd factors, each below 2 and beyond it.
    const Size sizes[] = {{1600, 1200, 960, 720}, {400, 320, 75, 60}, {533, 400, 160, 120}, {7, 5, 3, 2}};
    using testimages::Rgb;
    for (const Rgb& k : {Rgb{255, 255, 255}, Rgb{10, 20, 30}}) {
        for (const Size& s : sizes) {
            auto img = testimages::solid(s.sw, s.sh, k);
            auto c = BitmapContext::create(s.dw, s.dh, 8, s.dw * 4, ColorSpace::DeviceRGB, BitmapInfo::BGRX);
            ASSERT_TRUE(c);
            c->drawImage({0, 0, float(s.dw), float(s.dh)}, img);
            EXPECT_TRUE(c->lastDrawWasDirect());
            EXPECT_EQ(mismatches(*c, k.b, k.g, k.r), 0) << s.sw << "x" << s.sh << " -> " << s.dw << "x" << s.dh
                                                        << " colour " << int(k.r);
        }
    }
}

TEST(BoxShrinkerTest, AveragesTheCoveredAreaAndWritesOnlyTheClip) {
    // 3 -> 2 in one row: output 0 covers source 0 and half of 1, output 1 the other half and 2.
    const uint8_t row[] = {0, 90, 180};
    uint8_t out[2] = {7, 7};
    ASSERT_TRUE(BoxShrinker::shrink(row, 3, 3, 1, out, 2, 2, 1, 0, 0, 2, 1, 1));
    EXPECT_EQ(out[0], 30);   // (0 + 45) / 1.5
    EXPECT_EQ(out[1], 150);  // (45 + 180) / 1.5

    // Only the clip's right pixel is written; the left one keeps its marker.
    uint8_t clipped[2] = {7, 7};
    ASSERT_TRUE(BoxShrinker::shrink(row, 3, 3, 1, clipped, 2, 2, 1, 1, 0, 1, 1, 1));
    EXPECT_EQ(clipped[0], 7);
    EXPECT_EQ(clipped[1], 150);
}

// Halving only across: each output pixel is the rounded mean of its two source pixels, channel by
// channel, in order, for an odd number of outputs too (pixels are filtered two at a time).
TEST(BoxShrinkerTest, EachPixelAndChannelKeepsItsOwnAverage) {
    const int dw = 7, sw = 2 * dw, h = 3;
    std::vector<uint8_t> src(size_t(sw) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < sw; ++x)
            for (int c = 0; c < 4; ++c) src[(size_t(y) * sw + x) * 4 + c] = uint8_t((x * (7 + 6 * c) + y * 31 + c * 50) % 251);
    for (bool portable : {false, true}) {
        BoxShrinker::usePortableCode(portable);
        std::vector<uint8_t> out(size_t(dw) * h * 4, 0);
        ASSERT_TRUE(BoxShrinker::shrink(src.data(), sw * 4, sw, h, out.data(), dw * 4, dw, h, 0, 0, dw, h, 4));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < dw; ++x)
                for (int c = 0; c < 4; ++c) {
                    const int a = src[(size_t(y) * sw + 2 * x) * 4 + c], b = src[(size_t(y) * sw + 2 * x + 1) * 4 + c];
                    EXPECT_EQ(out[(size_t(y) * dw + x) * 4 + c], (a + b + 1) / 2)
                        << x << "," << y << " channel " << c << (portable ? " portable" : "");
                }
    }
    BoxShrinker::usePortableCode(false);
}

// The AVX2 code (where the processor has it), the baseline code and a shrinker made once and
// asked for bands of rows give the same bytes, for widths that leave 0 to 3 pixels after the
// groups of four and factors between 1 and 3.
TEST(BoxShrinkerTest, EveryCodePathAndBandsGiveTheSameBytes) {
    struct Case {
        int sw, sh, dw, dh;
    };
    uint32_t seed = 7;
    for (Case c : {Case{161, 121, 97, 73}, Case{50, 40, 30, 24}, Case{37, 29, 17, 13}, Case{29, 7, 18, 5},
                   Case{100, 60, 34, 41}}) {
        const int stride = c.sw * 4 + 12;
        std::vector<uint8_t> src(size_t(stride) * c.sh);
        for (auto& b : src) b = uint8_t((seed = seed * 1103515245u + 12345u) >> 24);
        auto shrunk = [&](bool portable) {
            BoxShrinker::usePortableCode(portable);
            std::vector<uint8_t> out(size_t(c.dw) * c.dh * 4, 0);
            EXPECT_TRUE(BoxShrinker::shrink(src.data(), stride, c.sw, c.sh, out.data(), c.dw * 4, c.dw, c.dh, 0, 0,
                                            c.dw, c.dh, 4));
            BoxShrinker::usePortableCode(false);
            return out;
        };
        const auto portable = shrunk(true), wide = shrunk(false);
        EXPECT_TRUE(wide == portable) << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh;
        auto shrinker = BoxShrinker::create(c.sw, c.sh, c.dw, c.dh, 4);
        ASSERT_TRUE(shrinker);
        std::vector<uint8_t> bands(portable.size(), 0);
        for (int y = 0; y < c.dh; y += 5)
            ASSERT_TRUE(shrinker->rows(src.data(), stride, bands.data(), c.dw * 4, y, std::min(5, c.dh - y)));
        EXPECT_TRUE(bands == portable) << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh << " in bands";
    }
    EXPECT_FALSE(BoxShrinker::create(10, 10, 11, 5, 4));
    EXPECT_FALSE(BoxShrinker::create(10, 10, 5, 5, 3));
}

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
