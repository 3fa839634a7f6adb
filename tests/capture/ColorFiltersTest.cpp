#include "capture/ColorFilters.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <array>
#include <cstring>
#include <random>
#include <string>
#include <vector>

using kestrova::ColorFilters;
using kestrova::ColorMode;
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

// The kept colours in the order the references number them: 0 red, 1 green, 2 blue.
constexpr ColorMode kKept[3] = {ColorMode::Red, ColorMode::Green, ColorMode::Blue};

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
    auto run = [](Rgb fill, ColorMode color) {
        return pixelOf(ColorFilters::singleColorFilter(Image::createBGRX(5, 5, field(25, fill)), color), 12);
    };
    Rgb kept = run({200, 40, 40}, ColorMode::Red);
    EXPECT_EQ(kept.r, 200);
    EXPECT_EQ(kept.g, 40);
    Rgb grey = run({120, 100, 100}, ColorMode::Red);  // (66*120 + 129*100 + 25*100 + 128) >> 8
    EXPECT_EQ(grey.r, 91);
    EXPECT_EQ(grey.g, 91);
    EXPECT_EQ(grey.b, 91);
    Rgb blue = run({0, 0, 1}, ColorMode::Blue);  // 2 x 10 > 0 + 0 + 7
    EXPECT_EQ(blue.b, 1);
    Rgb green = run({50, 200, 50}, ColorMode::Green);  // 4000 > 650 + 650
    EXPECT_EQ(green.g, 200);
    Rgb notGreen = run({100, 100, 100}, ColorMode::Green);  // 2000 > 2600 fails: grey 86
    EXPECT_EQ(notGreen.r, 86);
    EXPECT_EQ(notGreen.g, 86);
}

TEST(ColorFilters, SingleColorBorderKeepsColourAndFourthByteIsZero) {
    // 5 x 5 of a colour that turns grey inside; the first and last S + 1 = 6 pixels keep it.
    auto out = ColorFilters::singleColorFilter(Image::createBGRX(5, 5, field(25, {120, 100, 100}, 0xFF)), ColorMode::Red);
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
    auto out = ColorFilters::singleColorFilter(Image::createBGRX(8, 4, bytes), ColorMode::Blue);
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
            auto out = ColorFilters::singleColorFilter(in, kKept[color]);
            ASSERT_TRUE(out);
            auto want = referenceSingleColor(bytes, size_t(c.rowPixels), color);
            ASSERT_EQ(std::vector<uint8_t>(out->data(), out->data() + out->byteLength()), want)
                << c.w << "x" << c.h << " colour " << color;
        }
    }
}

namespace {

// The 65536 colours with red `r`: blue across, green down, in a 256 x 256 image.
std::vector<uint8_t> coloursWithRed(int r) {
    std::vector<uint8_t> v(256 * 256 * 4);
    for (int g = 0; g < 256; ++g)
        for (int b = 0; b < 256; ++b) {
            uint8_t* p = &v[size_t(g * 256 + b) * 4];
            p[0] = uint8_t(b), p[1] = uint8_t(g), p[2] = uint8_t(r), p[3] = uint8_t(b ^ g);
        }
    return v;
}

uint8_t truncLimit(double v) { return uint8_t(std::min(int(v), 255)); }

// Runs `body` with the AVX2 kernels (where the machine has them) and with the portable ones.
template <typename Body>
void onBothCodePaths(Body&& body) {
    for (bool portable : {false, true}) {
        SCOPED_TRACE(portable ? "portable code" : "AVX2 code where available");
        ColorFilters::usePortableCode(portable);
        body();
        ColorFilters::usePortableCode(false);
        if (::testing::Test::HasFatalFailure()) return;
    }
}

}  // namespace

// Where two buffers first differ, as "pixel P byte K: got G, want W"; empty when equal.
static std::string firstDifference(const std::vector<uint8_t>& got, const std::vector<uint8_t>& want) {
    if (got.size() != want.size()) return "lengths differ";
    if (std::memcmp(got.data(), want.data(), got.size()) == 0) return "";
    size_t i = 0;
    while (got[i] == want[i]) ++i;
    return "pixel " + std::to_string(i / 4) + " byte " + std::to_string(i % 4) + ": got " + std::to_string(got[i]) +
           ", want " + std::to_string(want[i]);
}

TEST(ColorFilters, SepiaAndNegativeMatchTheFormulasForEveryColour) {
    // Integer sums such as (393 R + 769 G + 189 B) / 1000 are the exact quotients, but the double
    // sums fall just below a whole number for some colours: counted here to show the fast filter
    // is checked where a plain integer form would fail.
    int integerFormWrong[3] = {0, 0, 0};
    std::vector<uint8_t> out(256 * 256 * 4), inPlace, sepia(out.size()), negative(out.size());
    for (int r = 0; r < 256; ++r) {
        const auto in = coloursWithRed(r);
        for (size_t i = 0; i < in.size(); i += 4) {
            const uint8_t* px = in.data() + i;
            uint8_t* sp = sepia.data() + i;
            uint8_t* ng = negative.data() + i;
            const double B = px[0], G = px[1], R = px[2];
            sp[0] = truncLimit(0.272 * R + 0.534 * G + 0.131 * B);
            sp[1] = truncLimit(0.349 * R + 0.686 * G + 0.168 * B);
            sp[2] = truncLimit(0.393 * R + 0.769 * G + 0.189 * B);
            sp[3] = 0;
            const int exact[3] = {(272 * px[2] + 534 * px[1] + 131 * px[0]) / 1000,
                                  (349 * px[2] + 686 * px[1] + 168 * px[0]) / 1000,
                                  (393 * px[2] + 769 * px[1] + 189 * px[0]) / 1000};
            for (int c = 0; c < 3; ++c)
                if (std::min(exact[c], 255) != sp[c]) ++integerFormWrong[2 - c];
            for (int c = 0; c < 3; ++c) ng[c] = uint8_t(255 - px[c]);
            ng[3] = 0;
        }
        onBothCodePaths([&] {
            ColorFilters::sepia(in.data(), out.data(), in.size());
            ASSERT_EQ(firstDifference(out, sepia), "") << "sepia, red " << r;
            inPlace = in;
            ColorFilters::sepia(inPlace.data(), inPlace.data(), inPlace.size());
            ASSERT_EQ(firstDifference(inPlace, sepia), "") << "sepia in place, red " << r;
            ColorFilters::inverse(in.data(), out.data(), in.size());
            ASSERT_EQ(firstDifference(out, negative), "") << "negative, red " << r;
        });
        if (HasFatalFailure()) return;
    }
    EXPECT_EQ(integerFormWrong[0], 390);  // red
    EXPECT_EQ(integerFormWrong[1], 439);  // green
    EXPECT_EQ(integerFormWrong[2], 30);   // blue
}

namespace {

// Sepia by the formula, in double precision, for every whole pixel of `in`; stray bytes 0.
std::vector<uint8_t> referenceSepia(const std::vector<uint8_t>& in) {
    std::vector<uint8_t> out(in.size(), 0);
    for (size_t i = 0; i + 4 <= in.size(); i += 4) {
        const double B = in[i], G = in[i + 1], R = in[i + 2];
        out[i] = truncLimit(0.272 * R + 0.534 * G + 0.131 * B);
        out[i + 1] = truncLimit(0.349 * R + 0.686 * G + 0.168 * B);
        out[i + 2] = truncLimit(0.393 * R + 0.769 * G + 0.189 * B);
    }
    return out;
}

// The colours for which some channel of the formula comes out below the whole quotient
// min(255, (393 R + 769 G + 189 B) / 1000) and so on.
std::vector<Rgb> coloursBelowTheWholeQuotients() {
    std::vector<Rgb> found;
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; ++b) {
                const double B = b, G = g, R = r;
                const int red = std::min((393 * r + 769 * g + 189 * b) / 1000, 255),
                          green = std::min((349 * r + 686 * g + 168 * b) / 1000, 255),
                          blue = std::min((272 * r + 534 * g + 131 * b) / 1000, 255);
                if (truncLimit(0.393 * R + 0.769 * G + 0.189 * B) != red ||
                    truncLimit(0.349 * R + 0.686 * G + 0.168 * B) != green ||
                    truncLimit(0.272 * R + 0.534 * G + 0.131 * B) != blue)
                    found.push_back({uint8_t(r), uint8_t(g), uint8_t(b)});
            }
    return found;
}

void appendPixel(std::vector<uint8_t>& v, Rgb c) {
    v.insert(v.end(), {c.b, c.g, c.r, uint8_t(0x5A)});
}

}  // namespace

TEST(ColorFilters, SepiaMatchesTheFormulaWhereverTheColoursBelowTheQuotientsSit) {
    // Each such colour in every place of a group of 16 pixels: alone among white (no sum of which
    // is a multiple of 1000), with a second one eight pixels on, alone among black (all of whose
    // sums are), filling two groups and then half a group, and taking turns with the colour one
    // blue away; then a tail shorter than a group, and two stray bytes. Long enough to span many
    // stretches of the wide code.
    const auto below = coloursBelowTheWholeQuotients();
    ASSERT_FALSE(below.empty());
    const Rgb white{255, 255, 255}, black{0, 0, 0};
    std::vector<uint8_t> in;
    auto group = [&](auto pixel) {
        for (int k = 0; k < 16; ++k) appendPixel(in, pixel(k));
    };
    for (size_t i = 0; i < below.size(); ++i) {
        const Rgb a = below[i], b = below[(i + 1) % below.size()], near{a.r, a.g, uint8_t(a.b ^ 1)};
        const int at = int(i % 16), half = int(i % 8);
        group([&](int k) { return k == at ? a : white; });
        group([&](int k) { return k == half ? a : k == half + 8 ? b : white; });
        group([&](int k) { return k == at ? a : black; });
        group([&](int) { return a; });
        group([&](int) { return a; });
        group([&](int k) { return k < 8 ? a : black; });
        group([&](int k) { return k % 2 ? near : a; });
    }
    for (size_t k = 0; k < 13; ++k) appendPixel(in, below[k * 37 % below.size()]);
    in.push_back(7);
    in.push_back(9);
    const auto want = referenceSepia(in);
    std::vector<uint8_t> out(in.size()), inPlace;
    onBothCodePaths([&] {
        ColorFilters::sepia(in.data(), out.data(), in.size());
        ASSERT_EQ(firstDifference(out, want), "");
        inPlace = in;
        ColorFilters::sepia(inPlace.data(), inPlace.data(), inPlace.size());
        ASSERT_EQ(firstDifference(inPlace, want), "") << "in place";
    });
}

namespace {

// The single-colour filter for all three colours at once, term by term.
std::array<std::vector<uint8_t>, 3> referenceAllColours(const std::vector<uint8_t>& in, size_t s) {
    const size_t n = in.size() / 4;
    std::array<std::vector<uint8_t>, 3> out;
    for (auto& o : out) o.assign(in.size(), 0);
    uint8_t* const targets[3] = {out[0].data(), out[1].data(), out[2].data()};
    const uint8_t* const bytes = in.data();
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* p = bytes + 4 * i;
        int sum[3] = {0, 0, 0};
        const bool border = i < s + 1 || i + s + 1 >= n;
        if (!border) {
            const uint8_t* up = p - 4 * s;
            const uint8_t* down = p + 4 * s;
            for (int c = 0; c < 3; ++c)
                sum[c] = up[c - 4] + up[c] + up[c + 4] + p[c - 4] + 2 * p[c] + p[c + 4] + down[c - 4] + down[c] +
                         down[c + 4];
        }
        const int sb = sum[0], sg = sum[1], sr = sum[2];
        const bool keep[3] = {border || (sr > 900 && sr > 1.5 * sb && sr > 1.4 * sg) || sr > 1.3 * (sb + sg),
                              border || 2 * sg > 1.3 * sr + 1.3 * sb, border || 2 * sb > sg + sr + 7};
        const uint8_t y = uint8_t((66 * p[2] + 129 * p[1] + 25 * p[0] + 128) >> 8);
        for (int color = 0; color < 3; ++color) {
            uint8_t* q = targets[color] + 4 * i;
            for (int c = 0; c < 3; ++c) q[c] = keep[color] ? p[c] : y;
        }
    }
    return out;
}

}  // namespace

TEST(ColorFilters, SingleColorMatchesReferenceForEveryColour) {
    std::vector<uint8_t> out(256 * 256 * 4);
    for (int r = 0; r < 256; ++r) {
        const auto in = coloursWithRed(r);
        const auto want = referenceAllColours(in, 256);
        onBothCodePaths([&] {
            for (int color = 0; color < 3; ++color) {
                ColorFilters::singleColor(in.data(), out.data(), in.size(), 256, kKept[color]);
                ASSERT_EQ(firstDifference(out, want[color]), "") << "red " << r << " colour " << color;
            }
        });
        if (HasFatalFailure()) return;
    }
}

namespace {

// Sets the ten-term sums of the pixel at (x, 1) of a three-row image to `sums` (B, G, R): the
// centre counts twice, so it gets a tenth and the remainder is spread over the neighbours.
void setNeighbourhoodSums(std::vector<uint8_t>& v, size_t width, size_t x, const int (&sums)[3]) {
    for (int c = 0; c < 3; ++c) {
        const int base = sums[c] / 10, extra = sums[c] % 10;
        int given = 0;
        for (size_t y = 0; y < 3; ++y)
            for (size_t dx = 0; dx < 3; ++dx) {
                const bool centre = y == 1 && dx == 1;
                v[4 * (y * width + x - 1 + dx) + c] = uint8_t(base + (!centre && given++ < extra ? 1 : 0));
            }
    }
}

}  // namespace

TEST(ColorFilters, SingleColorDecidesTiesOfTheKeepTestsAsDoublesDo) {
    // Neighbourhood sums on and next to the lines where a keep test's two sides are equal:
    // red 5 SR = 7 SG (where the double 1.4 SG lands below SR for some), green 20 SG = 13 (SR + SB),
    // blue 2 SB = SG + SR + 7. Each tested pixel has its own 3 x 3 block.
    std::vector<std::array<int, 3>> cases;  // B, G, R
    for (int t = 0; 7 * t <= 2550; ++t)
        for (int d : {-1, 0, 1})
            for (int sb : {0, 5 * t / 2, 5 * t / 13, 5 * t / 13 + 1, std::min(2550, 14 * t / 3)})
                cases.push_back({sb, 5 * t, std::clamp(7 * t + d, 0, 2550)});
    for (int u = 0; 13 * u <= 2550; ++u)
        for (int sr = 0; sr <= std::min(20 * u, 2550); sr += 37)
            if (20 * u - sr <= 2550)
                for (int d : {-1, 0, 1}) cases.push_back({20 * u - sr, std::clamp(13 * u + d, 0, 2550), sr});
    for (int sr = 0; sr <= 2550; sr += 51)
        for (int sg = 0; sg + sr + 7 <= 5100; sg += 97)
            for (int d : {-1, 0, 1})
                if ((sg + sr + 7 + d) % 2 == 0 && (sg + sr + 7 + d) / 2 <= 2550)
                    cases.push_back({(sg + sr + 7 + d) / 2, sg, sr});
    const size_t width = 3 * cases.size() + 3;
    std::vector<uint8_t> in(width * 3 * 4, 0);
    for (size_t k = 0; k < cases.size(); ++k)
        setNeighbourhoodSums(in, width, 3 * k + 2, {cases[k][0], cases[k][1], cases[k][2]});
    const auto want = referenceAllColours(in, width);
    std::vector<uint8_t> out(in.size());
    int redTiesKeptByDouble = 0;
    for (size_t k = 0; k < cases.size(); ++k) {
        const int sb = cases[k][0], sg = cases[k][1], sr = cases[k][2];
        if (5 * sr == 7 * sg && sr > 900 && 2 * sr > 3 * sb && 10 * sr <= 13 * (sb + sg) && sr > 1.4 * sg)
            ++redTiesKeptByDouble;
    }
    EXPECT_GT(redTiesKeptByDouble, 0) << "no case where the integer form of the red test is wrong";
    onBothCodePaths([&] {
        for (int color = 0; color < 3; ++color) {
            ColorFilters::singleColor(in.data(), out.data(), in.size(), width, kKept[color]);
            ASSERT_EQ(firstDifference(out, want[color]), "") << "colour " << color;
        }
    });
    // Each case again alone in a 3 x 3 picture: its one inner pixel is decided by the code for
    // the last few pixels of a row, which the wide row above hardly reaches.
    onBothCodePaths([&] {
        std::vector<uint8_t> one(3 * 3 * 4), oneOut(one.size());
        for (const auto& c : cases) {
            std::fill(one.begin(), one.end(), uint8_t(0));
            setNeighbourhoodSums(one, 3, 1, {c[0], c[1], c[2]});
            const auto wantOne = referenceAllColours(one, 3);
            for (int color = 0; color < 3; ++color) {
                ColorFilters::singleColor(one.data(), oneOut.data(), one.size(), 3, kKept[color]);
                ASSERT_EQ(firstDifference(oneOut, wantOne[color]), "")
                    << "colour " << color << " sums B " << c[0] << " G " << c[1] << " R " << c[2];
            }
        }
    });
}

TEST(ColorFilters, RefuseImagesThatAreNotFourBytesAPixel) {
    auto grey = Image::createGray(4, 4, std::vector<uint8_t>(16, 9));
    EXPECT_FALSE(ColorFilters::sephiaTransform(grey));
    EXPECT_FALSE(ColorFilters::inverseTransform(grey));
    EXPECT_FALSE(ColorFilters::singleColorFilter(grey, ColorMode::Red));
    EXPECT_FALSE(ColorFilters::sephiaTransform(nullptr));
}
