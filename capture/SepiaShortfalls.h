#pragma once
// The colours for which sepia's sums, evaluated in double precision as the formula reads
// (0.393 R + 0.769 G + 0.189 B and so on, left to right, truncated), come out one below the whole
// quotients (393 R + 769 G + 189 B) / 1000 that the filter computes. The double sums are those
// quotients give or take far less than 1/1000, so only a sum that is a whole multiple of 1000 can
// land below its whole number: 859 colours do, each in one channel. They are found once, from the
// double formula itself, and kept by red and green: a bit for each of the 788 red-green pairs that
// have any, and for each such pair its few blues.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrova {

class SepiaShortfalls {
public:
    // Built on first use (about a millisecond), then shared; safe from any thread.
    static const SepiaShortfalls& table();

    // What to subtract from the word of whole quotients (B | G << 8 | R << 16, each limited to 255)
    // of colour `bgr` (B | G << 8 | R << 16) to get the formula's: 0, or 1 in the byte of the channel
    // that falls short.
    uint32_t of(uint32_t bgr) const {
        const uint32_t pair = bgr >> 8;
        const uint64_t word = pairs_[pair >> 6];
        if (__builtin_expect(!(word >> (pair & 63) & 1), 1)) return 0;
        const size_t index = before_[pair >> 6] + size_t(std::popcount(word & ((uint64_t(1) << (pair & 63)) - 1)));
        const Blue* blues = &blues_[kBluesPerPair * index];
        uint32_t lower = 0;
        for (size_t j = 0; j < kBluesPerPair; ++j) lower += blues[j].blue == (bgr & 0xFF) ? blues[j].lower : 0;
        return lower;
    }

    // The word of whole quotients for `bgr`, as `of` takes it.
    static uint32_t wholeQuotients(uint32_t bgr);

private:
    SepiaShortfalls();

    // For one red and green, a sum is a multiple of 1000 for at most three blues.
    static constexpr size_t kBluesPerPair = 3;
    struct Blue {
        uint32_t blue = 0, lower = 0;  // an unused slot lowers nothing
    };

    uint64_t pairs_[1024] = {};   // bit (R << 8 | G)
    uint16_t before_[1024] = {};  // pairs with a bit in the words before
    std::vector<Blue> blues_;     // kBluesPerPair slots a pair, in the order of the bits
};

}  // namespace kestrova
