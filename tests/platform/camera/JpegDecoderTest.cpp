#include "platform/camera/JpegDecoder.h"

#include "CameraTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <jpeglib.h>

using namespace platform;
using Status = JpegDecoder::Status;

namespace {

using cameratest::JpegOptions;

// A flat 4-byte-pixel picture: B,G,R and 255, or inks C,M,Y with K 255 for JCS_CMYK input.
std::vector<uint8_t> encode(int w, int h, cameratest::BGR pixel, JpegOptions options) {
    options.quality = 95;
    return cameratest::encodeJpeg(cameratest::solid(w, h, pixel), options);
}

struct Scan {
    size_t begin, end;
    std::vector<int> components;
};

// The scans of a stream: each SOS marker up to the next marker that is not a restart.
std::vector<Scan> scansOf(const std::vector<uint8_t>& j) {
    std::vector<Scan> scans;
    size_t i = 2;
    while (i + 4 <= j.size()) {
        if (j[i] != 0xFF) return scans;
        const uint8_t marker = j[i + 1];
        if (marker == 0xD9) break;
        const size_t len = size_t(j[i + 2]) << 8 | j[i + 3];
        if (marker != 0xDA) {
            i += 2 + len;
            continue;
        }
        Scan s{i, 0, {}};
        for (int k = 0; k < j[i + 4]; ++k) s.components.push_back(j[i + 5 + 2 * k]);
        size_t p = i + 2 + len;
        while (p + 1 < j.size() && !(j[p] == 0xFF && j[p + 1] != 0 && (j[p + 1] < 0xD0 || j[p + 1] > 0xD7))) ++p;
        s.end = p;
        scans.push_back(s);
        i = p;
    }
    return scans;
}

std::vector<uint8_t> repeatScan(std::vector<uint8_t> j, const Scan& s, int extra) {
    const std::vector<uint8_t> copy(j.begin() + long(s.begin), j.begin() + long(s.end));
    for (int k = 0; k < extra; ++k) j.insert(j.begin() + long(s.end), copy.begin(), copy.end());
    return j;
}

Status decodeStatus(const std::vector<uint8_t>& j) {
    Status st = Status::Ok;
    JpegDecoder::decode(j.data(), j.size(), JpegDecoder::Request{}, &st);
    return st;
}

}  // namespace

TEST(JpegDecoder, RepeatedScansAreCutOffByCountAndByWork) {
    // Luma 4 x 2 as fine as chroma: a chroma scan costs an eighth of a luma one, so ninety more of
    // them stay within the work limit and only the scan limit stops them.
    auto fine = encode(256, 256, {10, 200, 30}, {.progressive = true, .lumaAcross = 4, .lumaDown = 2});
    auto scans = scansOf(fine);
    ASSERT_EQ(scans.size(), 10u);
    const auto chroma = std::find_if(scans.begin(), scans.end(),
                                     [](const Scan& s) { return s.components == std::vector<int>{2}; });
    ASSERT_NE(chroma, scans.end());
    EXPECT_NE(decodeStatus(repeatScan(fine, *chroma, JpegDecoder::kMaxScans - 10)), Status::TooMuchWork);
    EXPECT_EQ(decodeStatus(repeatScan(fine, *chroma, JpegDecoder::kMaxScans - 9)), Status::TooMuchWork);

    // 4:2:0: the ten scans walk 8 luma-sized passes (the whole picture being 1.5); each repeat of
    // the last, luma, scan adds one. The limit of 20 pictures' worth is 30 luma passes.
    auto usual = encode(256, 256, {10, 200, 30}, {.progressive = true});
    scans = scansOf(usual);
    ASSERT_EQ(scans.back().components, std::vector<int>{1});
    EXPECT_EQ(decodeStatus(usual), Status::Ok);
    EXPECT_NE(decodeStatus(repeatScan(usual, scans.back(), 21)), Status::TooMuchWork);
    EXPECT_EQ(decodeStatus(repeatScan(usual, scans.back(), 23)), Status::TooMuchWork);
}

TEST(JpegDecoder, CutShortStreamsAreTruncatedAndInkPicturesGiveColour) {
    // Cut anywhere in its data, a stream is truncated, and so is one whose end marker is gone.
    auto whole = encode(64, 64, {10, 200, 30}, {.progressive = true});
    const size_t data = scansOf(whole).front().begin;
    for (size_t keep : {data + 20, (data + whole.size()) / 2, whole.size() - 2}) {
        std::vector<uint8_t> cut(whole.begin(), whole.begin() + long(keep));
        EXPECT_EQ(decodeStatus(cut), Status::Truncated) << keep;
    }
    // Bytes after the end do not matter.
    auto padded = whole;
    padded.insert(padded.end(), {0x00, 0x11, 0x22});
    EXPECT_EQ(decodeStatus(padded), Status::Ok);

    // CMYK as Adobe stores it (inverted, which libjpeg's Adobe marker says) and YCCK: full cyan
    // ink leaves no red, half magenta ink halves green, and no yellow ink keeps the blue.
    for (J_COLOR_SPACE stored : {JCS_CMYK, JCS_YCCK}) {
        auto inks = encode(32, 32, {0, 128, 255},
                           {.inputSpace = JCS_CMYK, .storedSpace = stored, .lumaAcross = 2, .lumaDown = 2});
        Status st = Status::Broken;
        ImageRef im = JpegDecoder::decode(inks.data(), inks.size(), JpegDecoder::Request{}, &st);
        ASSERT_TRUE(im) << int(stored);
        EXPECT_EQ(st, Status::Ok);
        const auto p = cameratest::px(im, 16, 16);
        EXPECT_NEAR(p[0], 255, 3) << "blue";
        EXPECT_NEAR(p[1], 128, 3) << "green";
        EXPECT_NEAR(p[2], 0, 3) << "red";
        EXPECT_EQ(p[3], 255);
    }
}
