// The webcam mode choice over real webcams' published mode listings (data/webcam-listings.txt):
// each listing is read as v4l2-ctl prints it (both its older "Index/Pixel Format" and its newer
// "[0]: 'MJPG'" layout) and the first mode chosen must be the one noted beside it. The table of
// choices is printed, for a reader to check against the rule.
#include "platform/camera/VideoModeChooser.h"

#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <regex>
#include <sstream>

using namespace platform;

namespace {

struct Listing {
    std::string name, source, expected;
    std::vector<VideoMode> modes;
};

// The listings, each with its formats, their discrete sizes and intervals. Rates are kept to the
// millisecond of a frame per second that v4l2-ctl prints (29.970 stays 29.970).
std::vector<Listing> readListings(const std::string& text) {
    static const std::regex format(R"((?:\[\d+\]:|Pixel Format:)\s+'(.{4})')"), size(R"(Size: Discrete (\d+)x(\d+))"),
        interval(R"(Interval: Discrete [0-9.]+s \(([0-9.]+) fps\))");
    std::vector<Listing> out;
    uint32_t pixelFormat = 0;
    std::smatch m;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("=== ", 0) == 0) {
            out.push_back({line.substr(4), "", "", {}});
        } else if (out.empty() || line.rfind("#", 0) == 0) {
            continue;
        } else if (line.rfind("source: ", 0) == 0) {
            out.back().source = line.substr(8);
        } else if (line.rfind("expect: ", 0) == 0) {
            out.back().expected = line.substr(8);
        } else if (std::regex_search(line, m, format)) {
            const std::string f = m[1];
            pixelFormat = fourcc(f[0], f[1], f[2], f[3]);
        } else if (std::regex_search(line, m, size)) {
            out.back().modes.push_back({pixelFormat, std::stoi(m[1]), std::stoi(m[2]), {}, false});
        } else if (std::regex_search(line, m, interval) && !out.back().modes.empty()) {
            out.back().modes.back().intervals.push_back({1000, uint32_t(std::lround(std::stod(m[1]) * 1000))});
        }
    }
    return out;
}

std::string describe(const VideoModeChooser::Candidate& c) {
    std::string format;
    for (int i = 0; i < 4; ++i) format += char((c.pixelFormat >> (8 * i)) & 0xff);
    char fps[32];
    std::snprintf(fps, sizeof fps, "%g", std::round(c.interval.fps() * 1000) / 1000);
    return format + " " + std::to_string(c.width) + "x" + std::to_string(c.height) + " " + fps;
}

}  // namespace

TEST(WebcamListings, EachRealWebcamGetsTheModeTheRuleNames) {
    const auto listings =
        readListings(testenv::readFile(testenv::sourceDir() + "/tests/platform/camera/data/webcam-listings.txt"));
    ASSERT_GE(listings.size(), 20u);
    std::printf("%-60s %s\n", "webcam", "chosen mode (format size fps)");
    for (const auto& l : listings) {
        SCOPED_TRACE(l.name);
        EXPECT_FALSE(l.source.empty());
        ASSERT_FALSE(l.modes.empty());
        const auto candidates = VideoModeChooser::candidates(l.modes);
        ASSERT_FALSE(candidates.empty());
        const std::string chosen = describe(candidates.front());
        std::printf("%-60s %s\n", l.name.substr(0, 60).c_str(), chosen.c_str());
        EXPECT_EQ(chosen, l.expected);
    }
}
