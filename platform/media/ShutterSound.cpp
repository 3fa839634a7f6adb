#include "platform/media/ShutterSound.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace platform {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Deterministic white noise in [-1, 1).
class Noise {
public:
    double next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_ / 2147483648.0 - 1.0;
    }

private:
    uint32_t state_ = 0x2545F491u;
};

// Two-pole band-pass (constant peak gain) around `centre` Hz.
class BandPass {
public:
    BandPass(double centre, double q, double rate) {
        double w = 2 * kPi * centre / rate, alpha = std::sin(w) / (2 * q), a0 = 1 + alpha;
        b0_ = alpha / a0;
        b2_ = -alpha / a0;
        a1_ = -2 * std::cos(w) / a0;
        a2_ = (1 - alpha) / a0;
    }
    double process(double x) {
        double y = b0_ * x + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
        x2_ = x1_;
        x1_ = x;
        y2_ = y1_;
        y1_ = y;
        return y;
    }

private:
    double b0_, b2_, a1_, a2_;
    double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// One blade movement starting at `start` seconds: a ringing click and a noise burst behind it.
void addBlade(std::vector<double>& out, double rate, double start, double level, double ringHz,
              double noiseHz, double noiseDecay) {
    Noise noise;
    BandPass band(noiseHz, 0.9, rate);
    const size_t first = static_cast<size_t>(start * rate);
    for (size_t i = first; i < out.size(); ++i) {
        const double t = (i - first) / rate;
        // The click: a sharp edge ringing at a high pitch, gone within a few milliseconds.
        double click = std::exp(-t / 0.0015) * std::sin(2 * kPi * ringHz * t + 0.3);
        // The burst: filtered noise with a 1 ms rise and an exponential fall.
        double envelope = std::min(1.0, t / 0.001) * std::exp(-t / noiseDecay);
        double burst = band.process(noise.next()) * envelope;
        out[i] += level * (click + 1.6 * burst);
    }
}

}  // namespace

PcmSound ShutterSound::synthesize() {
    const double rate = kSampleRate;
    std::vector<double> mix(static_cast<size_t>(kDuration * rate), 0.0);
    addBlade(mix, rate, 0.000, 1.00, 3600, 2800, 0.030);  // opening
    addBlade(mix, rate, 0.072, 0.55, 4300, 3400, 0.022);  // closing

    // Fade the tail to true silence over the last 20 ms, then scale to the peak level.
    const size_t fade = static_cast<size_t>(0.020 * rate);
    for (size_t k = 0; k < fade; ++k) mix[mix.size() - 1 - k] *= double(k) / fade;
    double peak = 0;
    for (double v : mix) peak = std::max(peak, std::fabs(v));
    const double gain = peak > 0 ? kPeak * 32767.0 / peak : 0;

    PcmSound sound;
    sound.sampleRate = kSampleRate;
    sound.channels = 1;
    sound.samples.reserve(mix.size());
    for (double v : mix) sound.samples.push_back(static_cast<int16_t>(std::lround(v * gain)));
    return sound;
}

}  // namespace platform
