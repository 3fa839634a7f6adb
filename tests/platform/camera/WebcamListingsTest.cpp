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

std::string fourccText(uint32_t f) {
    std::string s;
    for (int i = 0; i < 4; ++i) s += char((f >> (8 * i)) & 0xff);
    return s;
}

// One listing's lines: formats, their discrete sizes and intervals. Rates are kept to the
// millisecond of a frame per second that v4l2-ctl prints (29.970 stays 29.970).
std::vector<VideoMode> parseListing(const std::vector<std::string>& lines) {
    static const std::regex newFormat(R"(\[\d+\]:\s+'(.{4})')"), oldFormat(R"(Pixel Format:\s+'(.{4})')"),
        size(R"(Size: Discrete (\d+)x(\d+))"), interval(R"(Interval: Discrete [0-9.]+s \(([0-9.]+) fps\))");
    std::vector<VideoMode> modes;
    uint32_t format = 0;
    std::smatch m;
    for (const auto& line : lines) {
        if (std::regex_search(line, m, newFormat) || std::regex_search(line, m, oldFormat)) {
            const std::string f = m[1];
            format = fourcc(f[0], f[1], f[2], f[3]);
        } else if (std::regex_search(line, m, size)) {
            modes.push_back({format, std::stoi(m[1]), std::stoi(m[2]), {}, false});
        } else if (std::regex_search(line, m, interval) && !modes.empty()) {
            modes.back().intervals.push_back({1000, uint32_t(std::lround(std::stod(m[1]) * 1000))});
        }
    }
    return modes;
}

std::vector<Listing> readListings(const std::string& text) {
    std::vector<Listing> out;
    std::vector<std::string> body;
    auto finish = [&] {
        if (!out.empty()) out.back().modes = parseListing(body);
        body.clear();
    };
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("=== ", 0) == 0) {
            finish();
            out.push_back({line.substr(4), "", "", {}});
        } else if (out.empty() || line.rfind("#", 0) == 0) {
            continue;
        } else if (line.rfind("source: ", 0) == 0) {
            out.back().source = line.substr(8);
        } else if (line.rfind("expect: ", 0) == 0) {
            out.back().expected = line.substr(8);
        } else {
            body.push_back(line);
        }
    }
    finish();
    return out;
}

std::string describe(const VideoModeChooser::Candidate& c) {
    char fps[32];
    std::snprintf(fps, sizeof fps, "%g", std::round(c.interval.fps() * 1000) / 1000);
    return fourccText(c.pixelFormat) + " " + std::to_string(c.width) + "x" + std::to_string(c.height) + " " + fps;
}

}  // namespace

TEST(WebcamListings, ReadsBothLayoutsOfTheListing) {
    const auto modes = parseListing({"\t[0]: 'MJPG' (Motion-JPEG, compressed)", "\t\tSize: Discrete 1280x720",
                                     "\t\t\tInterval: Discrete 0.033s (30.000 fps)",
                                     "\t\t\tInterval: Discrete 0.133s (7.500 fps)", "\tPixel Format: 'YUYV'",
                                     "\t\tSize: Discrete 640x480", "\t\t\tInterval: Discrete 0.033s (29.970 fps)"});
    ASSERT_EQ(modes.size(), 2u);
    EXPECT_EQ(modes[0].pixelFormat, kFourccMJPEG);
    EXPECT_EQ(modes[0].width, 1280);
    EXPECT_EQ(modes[0].height, 720);
    EXPECT_EQ(modes[0].intervals, (std::vector<FrameInterval>{{1000, 30000}, {1000, 7500}}));
    EXPECT_EQ(modes[1].pixelFormat, kFourccYUYV);
    EXPECT_EQ(modes[1].intervals, (std::vector<FrameInterval>{{1000, 29970}}));
}

TEST(WebcamListings, EachRealWebcamGetsTheModeTheRuleNames) {
    const auto listings =
        readListings(testenv::readFile(testenv::sourceDir() + "/tests/platform/camera/data/webcam-listings.txt"));
    ASSERT_GE(listings.size(), 3u);
    std::printf("%-60s %s\n", "webcam", "chosen mode (format size fps)");
    for (const auto& l : listings) {
        SCOPED_TRACE(l.name);
        EXPECT_FALSE(l.source.empty());
        ASSERT_FALSE(l.modes.empty());
        const auto candidates = VideoModeChooser::candidates(l.modes);
        ASSERT_FALSE(candidates.empty());
        const std::string chosen = describe(candidates.front());
        std::printf("%-60s %s\n", l.name.c_str(), chosen.c_str());
        EXPECT_EQ(chosen, l.expected);
    }
}
