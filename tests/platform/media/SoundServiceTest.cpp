#include "platform/foundation/EventLog.h"
#include "platform/media/AudioSink.h"
#include "platform/media/ShutterSound.h"
#include "platform/media/SoundService.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

using namespace platform;

namespace {

class RecordingSink : public AudioSink {
public:
    void play(std::shared_ptr<const PcmSound> sound) override { played.push_back(std::move(sound)); }
    std::vector<std::shared_ptr<const PcmSound>> played;
};

double rms(const std::vector<int16_t>& s, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; ++i) sum += double(s[i]) * s[i];
    return std::sqrt(sum / double(to - from));
}

}  // namespace

TEST(SoundService, ShutterIsLoggedAlwaysAndHeardOnlyWithASink) {
    SoundService service;
    EventLog::clear();

    // Headless: no sink, still the log line.
    EXPECT_TRUE(service.playSystemSound(SoundService::kShutter));
    EXPECT_EQ(EventLog::lines(), std::vector<std::string>{"sound shutter"});

    // With a sink: the same sound object every time, one line per play.
    RecordingSink sink;
    service.setSink(&sink);
    EXPECT_TRUE(service.playSystemSound("shutter"));
    EXPECT_TRUE(service.playSystemSound("shutter"));
    ASSERT_EQ(sink.played.size(), 2u);
    EXPECT_EQ(sink.played[0], sink.played[1]);
    EXPECT_EQ(EventLog::lines().size(), 3u);

    // A sound the system does not have: nothing played, nothing logged.
    EXPECT_FALSE(service.playSystemSound("fanfare"));
    EXPECT_FALSE(service.playSystemSound(""));
    EXPECT_EQ(sink.played.size(), 2u);
    EXPECT_EQ(EventLog::lines().size(), 3u);
}

TEST(ShutterSound, AQuarterSecondClickAndBurstThatEndsInSilence) {
    PcmSound s = ShutterSound::synthesize();
    EXPECT_EQ(s.sampleRate, 44100);
    EXPECT_EQ(s.channels, 1);
    ASSERT_EQ(s.samples.size(), 11025u);

    // Peak at the configured level, nowhere near clipping; loud at the start, dying away to silence
    // (the closing event between is for the ear).
    int peak = 0;
    for (int16_t v : s.samples) peak = std::max(peak, std::abs(int(v)));
    EXPECT_NEAR(peak, 0.7 * 32767, 2);
    const double opening = rms(s.samples, 0, 441);    // 0-10 ms
    const double tail = rms(s.samples, 8820, 10584);  // 200-240 ms
    EXPECT_GT(opening, 4 * tail);
    EXPECT_LT(tail, 200);
    EXPECT_EQ(s.samples.back(), 0);
}
