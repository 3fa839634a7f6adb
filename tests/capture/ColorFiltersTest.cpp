#include "capture/ColorFilters.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using kestrova::ColorFilters;
using platform::Image;
using platform::ImageRef;

namespace {

struct Rgb {
    uint8_t r, g, b;
};

// A width x height B,G,R,X image filled with `fill`, the fourth byte set to `x`.
std::vector<uint8_t> field(int pixels, Rgb fill, uint8_t x = 0xAB) {
    std::vector<uint8_t> v(size_t(pixels) * 4);
    for (int i = 0; i < pixels; ++i) {
        v[4 * i] = fill.b;
        v[4 * i + 1] = fill.g;
        v[4 * i + 2] = fill.r;
        v[4 * i + 3] = x;
    }
    return v;
}

void setPixel(std::vector<uint8_t>& v, size_t i, Rgb c) {
    v[4 * i] = c.b;
    v[4 * i + 1] = c.g;
    v[4 * i + 2] = c.r;
}

Rgb pixelOf(const ImageRef& img, size_t i) {
    const uint8_t* p = img->data() + 4 * i;
    return {p[2], p[1], p[0]};
}

void expectPixel(const ImageRef& img, size_t i, Rgb want) {
    Rgb got = pixelOf(img, i);
    EXPECT_EQ(got.r, want.r) << "pixel " << i;
    EXPECT_EQ(got.g, want.g) << "pixel " << i;
    EXPECT_EQ(got.b, want.b) << "pixel " << i;
}

void expectFourthBytesZero(const ImageRef& img) {
    for (size_t i = 0; i < img->byteLength() / 4; ++i) ASSERT_EQ(img->data()[4 * i + 3], 0) << "pixel " << i;
}

// The single-colour filter written out term by term, as a reference for the fast one.
std::vector<uint8_t> referenceSingleColor(const std::vector<uint8_t>& in, size_t s, int color) {
    const size_t n = in.size() / 4;
    std::vector<uint8_t> out(in.size(), 0);
    auto ch = [&](size_t i, int c) { return int(in[4 * i + c]); };
    for (size_t i = 0; i < n; ++i) {
        bool keep;
        if (i < s + 1 || i + s + 1 >= n) {
            keep = true;
        } else {
            int sum[3];
            for (int c = 0; c < 3; ++c)
                sum[c] = ch(i - s - 1, c) + ch(i - s, c) + ch(i - s + 1, c) + ch(i - 1, c) + ch(i + 1, c) +
                         ch(i + s - 1, c) + ch(i + s, c) + ch(i + s + 1, c) + 2 * ch(i, c);
            const int sb = sum[0], sg = sum[1], sr = sum[2];
            if (color == 0)
                keep = (sr > 900 && sr > 1.5 * sb && sr > 1.4 * sg) || sr > 1.3 * (sb + sg);
            else if (color == 1)
                keep = 2 * sg > 1.3 * sr + 1.3 * sb;
            else
                keep = 2 * sb > sg + sr + 7;
        }
        if (keep) {
            for (int c = 0; c < 3; ++c) out[4 * i + c] = in[4 * i + c];
        } else {
            const int y = (66 * ch(i, 2) + 129 * ch(i, 1) + 25 * ch(i, 0) + 128) >> 8;
            for (int c = 0; c < 3; ++c) out[4 * i + c] = uint8_t(y);
        }
    }
    return out;
}

}  // namespace

TEST(ColorFilters, SepiaExactValuesEveryPixelAndClearedFourthByte) {
    // 3 x 2 image: white first, black, a mid colour, white last.
    auto bytes = field(6, {255, 255, 255}, 0xFF);
    setPixel(bytes, 1, {0, 0, 0});
    setPixel(bytes, 2, {100, 150, 200});
    auto in = Image::createBGRX(3, 2, bytes);
    ASSERT_TRUE(in);
    auto out = ColorFilters::sephiaTransform(in);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->width(), 3);
    EXPECT_EQ(out->height(), 2);
    EXPECT_EQ(out->bytesPerRow(), in->bytesPerRow());
    expectPixel(out, 0, {255, 255, 238});  // R and G capped at 255, B never above 238
    expectPixel(out, 1, {0, 0, 0});
    // 39.3 + 115.35 + 37.8 = 192.45; 34.9 + 102.9 + 33.6 = 171.4; 27.2 + 80.1 + 26.2 = 133.5
    expectPixel(out, 2, {192, 171, 133});
    expectPixel(out, 5, {255, 255, 238});
    expectFourthBytesZero(out);
    // The input is untouched.
    EXPECT_EQ(in->data()[3], 0xFF);
    EXPECT_EQ(in->data()[0], 255);
}

TEST(ColorFilters, NegativeComplementsAndClearsFourthByte) {
    auto bytes = field(4, {10, 20, 30}, 0xFF);
    setPixel(bytes, 3, {255, 0, 128});
    bytes[4 * 1 + 3] = 0;  // a cleared fourth byte must stay cleared, not be complemented
    auto out = ColorFilters::inverseTransform(Image::createBGRX(2, 2, bytes));
    ASSERT_TRUE(out);
    expectPixel(out, 0, {245, 235, 225});
    expectPixel(out, 3, {0, 255, 127});
    expectFourthBytesZero(out);
}

TEST(ColorFilters, SingleColorKeepTestsOnUniformFields) {
    // 5 x 5, so only the centre pixel (12) is inside the border of S + 1 = 6 pixels.
    auto run = [](Rgb fill, int color) {
        return pixelOf(ColorFilters::singleColorFilter(Image::createBGRX(5, 5, field(25, fill)), color), 12);
    };
    Rgb kept = run({200, 40, 40}, ColorFilters::Red);
    EXPECT_EQ(kept.r, 200);
    EXPECT_EQ(kept.g, 40);
    Rgb grey = run({120, 100, 100}, ColorFilters::Red);  // (66*120 + 129*100 + 25*100 + 128) >> 8
    EXPECT_EQ(grey.r, 91);
    EXPECT_EQ(grey.g, 91);
    EXPECT_EQ(grey.b, 91);
    Rgb blue = run({0, 0, 1}, ColorFilters::Blue);  // 2 x 10 > 0 + 0 + 7
    EXPECT_EQ(blue.b, 1);
    Rgb green = run({50, 200, 50}, ColorFilters::Green);  // 4000 > 650 + 650
    EXPECT_EQ(green.g, 200);
    Rgb notGreen = run({100, 100, 100}, ColorFilters::Green);  // 2000 > 2600 fails: grey 86
    EXPECT_EQ(notGreen.r, 86);
    EXPECT_EQ(notGreen.g, 86);
}

TEST(ColorFilters, SingleColorBorderKeepsColourAndFourthByteIsZero) {
    // 5 x 5 of a colour that turns grey inside; the first and last S + 1 = 6 pixels keep it.
    auto out = ColorFilters::singleColorFilter(Image::createBGRX(5, 5, field(25, {120, 100, 100}, 0xFF)), 0);
    ASSERT_TRUE(out);
    for (size_t i : {0u, 5u, 19u, 24u}) expectPixel(out, i, {120, 100, 100});
    for (size_t i : {6u, 12u, 18u}) expectPixel(out, i, {91, 91, 91});
    expectFourthBytesZero(out);
}

TEST(ColorFilters, SingleColorStepsByTrueRowLength) {
    // 8 x 4: rows of 8 pixels, height 4. Pixel (3, 1) is a dull grey with a blue ring around it
    // in the image's true rows; everything else is red. Stepping by the height (4) would count
    // red pixels of unrelated places as its neighbours and turn it grey.
    auto bytes = field(32, {250, 0, 0});
    for (int y = 0; y <= 2; ++y)
        for (int x = 2; x <= 4; ++x) setPixel(bytes, size_t(y * 8 + x), {0, 0, 250});
    setPixel(bytes, 11, {50, 50, 50});
    auto out = ColorFilters::singleColorFilter(Image::createBGRX(8, 4, bytes), ColorFilters::Blue);
    ASSERT_TRUE(out);
    expectPixel(out, 11, {50, 50, 50});  // sums 2100 blue, 100 red, 100 green: kept
    // Stepping by the height the sums are 600 blue, 1600 red: the pixel would turn grey 43.
    auto byHeight = referenceSingleColor(bytes, 4, 2);
    EXPECT_EQ(byHeight[4 * 11], 43);
}

TEST(ColorFilters, SingleColorMatchesTermByTermReference) {
    std::mt19937 rng(7);
    // Random images, including padded rows: 7 x 5 with rows of 9 pixels, and a fan-like image
    // (3 wide, 5 high, rows of 5 pixels) where the row length equals the height.
    struct Case {
        int w, h, rowPixels;
    };
    for (Case c : {Case{7, 5, 9}, Case{3, 5, 5}, Case{75, 75, 75}, Case{40, 3, 40}, Case{2, 1, 2}}) {
        std::vector<uint8_t> bytes(size_t(c.rowPixels) * c.h * 4);
        for (auto& b : bytes) b = uint8_t(rng() & 0xFF);
        auto in = Image::createBGRX(c.w, c.h, bytes, c.rowPixels * 4);
        ASSERT_TRUE(in);
        for (int color = 0; color < 3; ++color) {
            auto out = ColorFilters::singleColorFilter(in, color);
            ASSERT_TRUE(out);
            auto want = referenceSingleColor(bytes, size_t(c.rowPixels), color);
            ASSERT_EQ(std::vector<uint8_t>(out->data(), out->data() + out->byteLength()), want)
                << c.w << "x" << c.h << " colour " << color;
        }
    }
}

TEST(ColorFilters, RefuseImagesThatAreNotFourBytesAPixel) {
    auto grey = Image::createGray(4, 4, std::vector<uint8_t>(16, 9));
    EXPECT_FALSE(ColorFilters::sephiaTransform(grey));
    EXPECT_FALSE(ColorFilters::inverseTransform(grey));
    EXPECT_FALSE(ColorFilters::singleColorFilter(grey, 0));
    EXPECT_FALSE(ColorFilters::sephiaTransform(nullptr));
}
