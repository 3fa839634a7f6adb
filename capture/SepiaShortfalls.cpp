#include "capture/SepiaShortfalls.h"

#include <algorithm>

namespace kestrova {

namespace {

// Weights of blue, green and red in the red, green and blue sums, in thousandths.
constexpr int kWeights[3][3] = {{189, 769, 393}, {168, 686, 349}, {131, 534, 272}};

// The formula as it reads, in double precision: built for the x86-64 baseline in ISO C++ mode, so
// without FMA or contraction, each product and sum rounds on its own. Sums are never negative:
// truncation toward zero, then the 255 limit.
uint32_t formula(uint32_t bgr) {
    const double b = double(bgr & 0xFF), g = double((bgr >> 8) & 0xFF), r = double((bgr >> 16) & 0xFF);
    auto limit = [](double v) { return uint32_t(std::min(int(v), 255)); };
    return limit(0.393 * r + 0.769 * g + 0.189 * b) << 16 | limit(0.349 * r + 0.686 * g + 0.168 * b) << 8 |
           limit(0.272 * r + 0.534 * g + 0.131 * b);
}

}  // namespace

const SepiaShortfalls& SepiaShortfalls::table() {
    static const SepiaShortfalls shortfalls;
    return shortfalls;
}

uint32_t SepiaShortfalls::wholeQuotients(uint32_t bgr) {
    const int b = int(bgr & 0xFF), g = int((bgr >> 8) & 0xFF), r = int((bgr >> 16) & 0xFF);
    uint32_t word = 0;
    for (int c = 0; c < 3; ++c)
        word |= uint32_t(std::min((kWeights[c][0] * b + kWeights[c][1] * g + kWeights[c][2] * r) / 1000, 255))
                << (16 - 8 * c);
    return word;
}

SepiaShortfalls::SepiaShortfalls() {
    // For each channel and each remainder m of red and green's part, the blues that complete the
    // sum to a multiple of 1000 (blue * weight = -m, modulo 1000).
    uint8_t count[3][1000] = {}, completing[3][1000][kBluesPerPair];
    for (int c = 0; c < 3; ++c)
        for (int b = 0; b < 256; ++b) {
            const int m = (1000 - kWeights[c][0] * b % 1000) % 1000;
            completing[c][m][count[c][m]++] = uint8_t(b);
        }
    size_t pairs = 0;
    for (uint32_t pair = 0; pair < 65536; ++pair) {
        if (pair % 64 == 0) before_[pair / 64] = uint16_t(pairs);
        const int g = int(pair & 0xFF), r = int(pair >> 8);
        Blue found[kBluesPerPair];
        size_t n = 0;
        for (int c = 0; c < 3; ++c) {
            const int m = (kWeights[c][1] * g + kWeights[c][2] * r) % 1000;
            for (int j = 0; j < count[c][m]; ++j) {
                const uint32_t b = completing[c][m][j], bgr = pair << 8 | b;
                const uint32_t lower = wholeQuotients(bgr) - formula(bgr);
                if (lower == 0 || std::any_of(found, found + n, [&](const Blue& f) { return f.blue == b; })) continue;
                if (n < kBluesPerPair) found[n++] = Blue{b, lower};
            }
        }
        if (n == 0) continue;
        pairs_[pair / 64] |= uint64_t(1) << (pair % 64);
        blues_.resize(kBluesPerPair * (pairs + 1));
        std::copy(found, found + n, blues_.begin() + std::ptrdiff_t(kBluesPerPair * pairs));
        ++pairs;
    }
}

}  // namespace kestrova
