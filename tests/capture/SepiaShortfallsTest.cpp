#include "capture/SepiaShortfalls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using kestrova::SepiaShortfalls;

namespace {

uint32_t limited(double v) { return uint32_t(std::min(int(v), 255)); }

}  // namespace

TEST(SepiaShortfalls, WholeQuotientsLessTheShortfallAreTheFormulaForEveryColour) {
    const SepiaShortfalls& table = SepiaShortfalls::table();
    int shortIn[3] = {0, 0, 0};  // blue, green, red
    std::string firstWrong;
    for (uint32_t bgr = 0; bgr < (1u << 24) && firstWrong.empty(); ++bgr) {
        const int b = int(bgr & 0xFF), g = int((bgr >> 8) & 0xFF), r = int(bgr >> 16);
        const double B = b, G = g, R = r;
        const uint32_t formula = limited(0.393 * R + 0.769 * G + 0.189 * B) << 16 |
                                 limited(0.349 * R + 0.686 * G + 0.168 * B) << 8 |
                                 limited(0.272 * R + 0.534 * G + 0.131 * B);
        const uint32_t whole = uint32_t(std::min((393 * r + 769 * g + 189 * b) / 1000, 255)) << 16 |
                               uint32_t(std::min((349 * r + 686 * g + 168 * b) / 1000, 255)) << 8 |
                               uint32_t(std::min((272 * r + 534 * g + 131 * b) / 1000, 255));
        const uint32_t shortfall = table.of(bgr);
        if (SepiaShortfalls::wholeQuotients(bgr) != whole || whole - shortfall != formula)
            firstWrong = "colour " + std::to_string(bgr) + ": quotients " +
                         std::to_string(SepiaShortfalls::wholeQuotients(bgr)) + " less " + std::to_string(shortfall) +
                         ", formula " + std::to_string(formula);
        for (int c = 0; c < 3; ++c) shortIn[c] += (shortfall >> (8 * c) & 0xFF) != 0;
    }
    EXPECT_EQ(firstWrong, "");
    // The formula falls short in each channel somewhere, so the lookups are all exercised.
    EXPECT_GT(shortIn[0], 0);
    EXPECT_GT(shortIn[1], 0);
    EXPECT_GT(shortIn[2], 0);
}
