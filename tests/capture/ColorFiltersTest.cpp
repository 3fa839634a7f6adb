#include "capture/ColorFilters.h"
#include "capture/SepiaShortfalls.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <array>
#include <random>
#include <string>
#include <vector>

using kestrova::ColorFilters;
using kestrova::ColorMode;
using kestrova::SepiaShortfalls;
using platform::Image;
using platform::ImageRef;

namespace {

struct Rgb {
    uint8_t r, g, b;
};

// B, G, R, X bytes of `pixels`, the fourth byte `x`.
std::vector<uint8_t> bgrx(std::initializer_list<Rgb> pixels, uint8_t x) {
    std::vector<uint8_t> v;
    for (Rgb c : pixels) v.insert(v.end(), {c.b, c.g, c.r, x});
    return v;
}

std::vector<uint8_t> bytesOf(const ImageRef& img) {
    return img ? std::vector<uint8_t>(img->data(), img->data() + img->byteLength()) : std::vector<uint8_t>{};
}

// The kept colours in the order the references number them: 0 red, 1 green, 2 blue.
constexpr ColorMode kKept[3] = {ColorMode::Red, ColorMode::Green, ColorMode::Blue};

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

// Sepia by the formula, in double precision: B | G << 8 | R << 16.
uint32_t sepiaFormula(int r, int g, int b) {
    auto limited = [](double v) { return uint32_t(std::min(int(v), 255)); };
    const double B = b, G = g, R = r;
    return limited(0.393 * R + 0.769 * G + 0.189 * B) << 16 | limited(0.349 * R + 0.686 * G + 0.168 * B) << 8 |
           limited(0.272 * R + 0.534 * G + 0.131 * B);
}


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

// Sepia by the formula for every whole pixel of `in`; stray bytes 0.
std::vector<uint8_t> referenceSepia(const std::vector<uint8_t>& in) {
    std::vector<uint8_t> out(in.size(), 0);
    for (size_t i = 0; i + 4 <= in.size(); i += 4) {
        const uint32_t want = sepiaFormula(in[i + 2], in[i + 1], in[i]);
        for (int c = 0; c < 3; ++c) out[i + c] = uint8_t(want >> (8 * c));
    }
    return out;
}

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


void appendPixel(std::vector<uint8_t>& v, Rgb c) {
    v.insert(v.end(), {c.b, c.g, c.r, uint8_t(0x5A)});
}

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

// The image forms, on pictures small enough for the code's tail: sepia's sums worked by hand, the
// negative, a fourth byte that is always cleared, an input left alone, padded rows, and refusals.
TEST(ColorFilters, ImagesOfFourBytesAPixelAndRefusals) {
    const Rgb white{255, 255, 255}, black{0, 0, 0}, mid{100, 150, 200};
    const auto bytes = bgrx({white, black, mid, white, white, white}, 0xFF);
    auto in = Image::createBGRX(3, 2, bytes);
    ASSERT_TRUE(in);
    auto out = ColorFilters::sephiaTransform(in);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->width(), 3);
    EXPECT_EQ(out->height(), 2);
    EXPECT_EQ(out->bytesPerRow(), in->bytesPerRow());
    // White: R and G capped at 255, B never above 238. The mid colour: 39.3 + 115.35 + 37.8 =
    // 192.45; 34.9 + 102.9 + 33.6 = 171.4; 27.2 + 80.1 + 26.2 = 133.5.
    const Rgb sepiaWhite{255, 255, 238};
    EXPECT_EQ(bytesOf(out), bgrx({sepiaWhite, black, {192, 171, 133}, sepiaWhite, sepiaWhite, sepiaWhite}, 0));
    EXPECT_EQ(bytesOf(in), bytes);

    auto negative = bgrx({{10, 20, 30}, {10, 20, 30}, {10, 20, 30}, {255, 0, 128}}, 0xFF);
    negative[4 * 1 + 3] = 0;  // a cleared fourth byte must stay cleared, not be complemented
    EXPECT_EQ(bytesOf(ColorFilters::inverseTransform(Image::createBGRX(2, 2, negative))),
              bgrx({{245, 235, 225}, {245, 235, 225}, {245, 235, 225}, {0, 255, 127}}, 0));

    // A kept colour on a picture with padded rows (7 wide, rows of 9 pixels): the padding counts
    // as pixels of the row, as in the term-by-term filter.
    std::mt19937 rng(7);
    std::vector<uint8_t> padded(9 * 5 * 4);
    for (auto& b : padded) b = uint8_t(rng() & 0xFF);
    for (int color = 0; color < 3; ++color)
        EXPECT_EQ(bytesOf(ColorFilters::singleColorFilter(Image::createBGRX(7, 5, padded, 9 * 4), kKept[color])),
                  referenceAllColours(padded, 9)[color])
            << "colour " << color;

    auto grey = Image::createGray(4, 4, std::vector<uint8_t>(16, 9));
    EXPECT_FALSE(ColorFilters::singleColorFilter(grey, ColorMode::Red));
    EXPECT_FALSE(ColorFilters::sephiaTransform(nullptr));
}

// Every colour, on both code paths: sepia (also in place) and the negative against the formulas,
// each kept colour against the term-by-term filter, and the sepia table against the formula. The
// colours whose whole quotients lie above the formula's then go in every place of a group of 16
// pixels: alone among white (no sum of which is a multiple of 1000), with a second one eight pixels
// on, alone among black (all of whose sums are), filling two groups and then half a group, and
// taking turns with the colour one blue away; then a tail shorter than a group, and two stray
// bytes. Long enough to span many stretches of the wide code.
TEST(ColorFilters, EveryColourMatchesTheReferences) {
    const SepiaShortfalls& table = SepiaShortfalls::table();
    std::vector<Rgb> below;
    uint32_t shortChannels = 0;
    std::vector<uint8_t> out(256 * 256 * 4), inPlace, negative(out.size());
    for (int r = 0; r < 256; ++r) {
        const auto in = coloursWithRed(r);
        const auto sepia = referenceSepia(in);
        const auto kept = referenceAllColours(in, 256);
        for (size_t i = 0; i < in.size(); i += 4) {
            const uint32_t bgr = uint32_t(in[i]) | uint32_t(in[i + 1]) << 8 | uint32_t(r) << 16;
            const uint32_t want = uint32_t(sepia[i]) | uint32_t(sepia[i + 1]) << 8 | uint32_t(sepia[i + 2]) << 16;
            ASSERT_EQ(SepiaShortfalls::wholeQuotients(bgr) - table.of(bgr), want) << "sepia table, colour " << bgr;
            if (table.of(bgr)) below.push_back({uint8_t(r), in[i + 1], in[i]});
            shortChannels |= table.of(bgr);
            for (int c = 0; c < 4; ++c) negative[i + c] = c == 3 ? 0 : uint8_t(255 - in[i + c]);
        }
        onBothCodePaths([&] {
            ColorFilters::sepia(in.data(), out.data(), in.size());
            ASSERT_EQ(out, sepia) << "sepia, red " << r;
            inPlace = in;
            ColorFilters::sepia(inPlace.data(), inPlace.data(), inPlace.size());
            ASSERT_EQ(inPlace, sepia) << "sepia in place, red " << r;
            ColorFilters::inverse(in.data(), out.data(), in.size());
            ASSERT_EQ(out, negative) << "negative, red " << r;
            for (int color = 0; color < 3; ++color) {
                ColorFilters::singleColor(in.data(), out.data(), in.size(), 256, kKept[color]);
                ASSERT_EQ(out, kept[color]) << "red " << r << " colour " << color;
            }
        });
        if (HasFatalFailure()) return;
    }
    // The formula falls short in each channel somewhere, so the lookups are all exercised.
    EXPECT_EQ(shortChannels, 0x010101u);
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
    out.resize(in.size());
    onBothCodePaths([&] {
        ColorFilters::sepia(in.data(), out.data(), in.size());
        ASSERT_EQ(out, want);
        inPlace = in;
        ColorFilters::sepia(inPlace.data(), inPlace.data(), inPlace.size());
        ASSERT_EQ(inPlace, want) << "in place";
    });
}

TEST(ColorFilters, SingleColorDecidesTiesOfTheKeepTestsAsDoublesDo) {
    // Neighbourhood sums (B, G, R) on and next to the lines where a keep test's two sides are
    // equal: red 5 SR = 7 SG, green 20 SG = 13 (SR + SB), blue 2 SB = SG + SR + 7. On the red line
    // the double 1.4 SG lands below SR for 645 and 903 (kept) and above it for 735 and 1029.
    const std::array<int, 3> cases[] = {{50, 645, 902},  {50, 645, 903},  {50, 645, 904},  {57, 735, 1029},
                                        {500, 649, 500}, {500, 650, 500}, {500, 651, 500}, {499, 500, 493},
                                        {500, 500, 493}, {501, 500, 493}};
    ASSERT_GT(903, 1.4 * 645);
    ASSERT_LE(1029, 1.4 * 735);
    // Each case has its own 3 x 3 block, all within the row's whole groups of eight pixels.
    const size_t width = 3 * std::size(cases) + 10;
    std::vector<uint8_t> in(width * 3 * 4, 0);
    for (size_t k = 0; k < std::size(cases); ++k)
        setNeighbourhoodSums(in, width, 3 * k + 2, {cases[k][0], cases[k][1], cases[k][2]});
    const auto want = referenceAllColours(in, width);
    std::vector<uint8_t> out(in.size());
    onBothCodePaths([&] {
        for (int color = 0; color < 3; ++color) {
            ColorFilters::singleColor(in.data(), out.data(), in.size(), width, kKept[color]);
            ASSERT_EQ(out, want[color]) << "colour " << color;
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
                ASSERT_EQ(oneOut, wantOne[color])
                    << "colour " << color << " sums B " << c[0] << " G " << c[1] << " R " << c[2];
            }
        }
    });
}
