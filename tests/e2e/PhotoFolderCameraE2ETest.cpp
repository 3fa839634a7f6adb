// The images:DIR camera through the real binary: what a user who points it at a folder of photos
// gets in the camera roll, read back with djpeg.
#include "FaultSession.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;
using testenv::shellQuote;

namespace {

// A flat-colour photo made by cjpeg at quality 100.
void flatJpeg(const fs::path& out, int w, int h, std::array<int, 3> rgb) {
    std::string ppm = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    for (int i = 0; i < w * h; ++i)
        for (int c : rgb) ppm += char(c);
    testenv::writeFile(out.string() + ".ppm", ppm);
    testenv::run("cjpeg -quality 100 -outfile " + shellQuote(out.string()) + " " + shellQuote(out.string() + ".ppm"));
    fs::remove(out.string() + ".ppm");
}

// The centre pixel of a JPEG, decoded by djpeg.
std::array<int, 3> centre(const fs::path& jpeg) {
    auto r = testenv::run(testenv::djpeg() + " -pnm " + shellQuote(jpeg.string()));
    int w = 0, h = 0, max = 0, used = 0;
    if (std::sscanf(r.out.c_str(), "P6 %d %d %d%n", &w, &h, &max, &used) != 3 || w <= 0 || h <= 0) return {-1, -1, -1};
    const size_t at = size_t(used) + 1 + (size_t(h / 2) * w + w / 2) * 3;
    if (at + 3 > r.out.size()) return {-1, -1, -1};
    return {uint8_t(r.out[at]), uint8_t(r.out[at + 1]), uint8_t(r.out[at + 2])};
}

constexpr const char* kOneShot = "wait 2\ntap @snapButton\nwait 3\nquit\n";

}  // namespace

TEST(PhotoFolderCamera, FlatPhotoGivesAThumbnailAsBrightAsThePicture) {
    testenv::ScratchDir dir;
    const fs::path photos = dir / "photos", root = dir / "device";
    fs::create_directories(photos);
    // 1000 x 750: the preview is shrunk at a factor that is not a whole number.
    flatJpeg(photos / "flat.jpg", 1000, 750, {200, 150, 100});
    faults::Session s = faults::runKestrova(dir.path(), root, kOneShot, "--camera images:" + photos.string());
    ASSERT_EQ(s.status, 0) << s.out;
    const auto pictures = faults::pictures(root);
    ASSERT_EQ(pictures.size(), 1u) << s.out;
    fs::path thumbnail = pictures[0];
    thumbnail.replace_extension(".THM");
    const auto picture = centre(pictures[0]), thumb = centre(thumbnail);
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(picture[c], (std::array<int, 3>{200, 150, 100})[c], 1) << "picture channel " << c;
        EXPECT_NEAR(thumb[c], picture[c], 1) << "thumbnail channel " << c;
    }
}

TEST(PhotoFolderCamera, OversizedHeaderIsRefusedWithOneWarningAndTheCameraGoesOn) {
    testenv::ScratchDir dir;
    const fs::path photos = dir / "photos", root = dir / "device";
    fs::create_directories(photos);
    // A real 16 x 16 JPEG whose frame header claims 60000 x 60000.
    flatJpeg(photos / "huge.jpg", 16, 16, {10, 20, 30});
    std::string bytes = testenv::readFile(photos / "huge.jpg");
    const size_t sof = bytes.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    bytes.replace(sof + 5, 4, "\xEA\x60\xEA\x60");
    testenv::writeFile(photos / "huge.jpg", bytes);

    faults::Session s = faults::runKestrova(dir.path(), root, kOneShot, "--camera images:" + photos.string());
    ASSERT_EQ(s.status, 0) << s.out;
    EXPECT_NE(s.out.find("huge.jpg is too large"), std::string::npos) << s.out;
    size_t warnings = 0;
    for (size_t at = s.out.find("warning:"); at != std::string::npos; at = s.out.find("warning:", at + 1)) ++warnings;
    EXPECT_EQ(warnings, 1u) << s.out;
    // The synthetic camera took the picture, whole.
    EXPECT_EQ(faults::pictures(root).size(), 1u);
    EXPECT_EQ(faults::badPictures(root), std::vector<std::string>{});
}
