#include "platform/imageio/ExifWriter.h"
#include "platform/imageio/ImageDestination.h"
#include "tests/platform/graphics/TestImages.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

using namespace platform;
using testenv::shellQuote;

namespace {

// A w x h picture: left half pure blue, right half pure red (B,G,R order matters).
ImageRef blueRed(int w, int h) {
    using testimages::Rgb;
    return testimages::paint(w, h, [w](int x, int) { return x < w / 2 ? Rgb{0, 0, 255} : Rgb{255, 0, 0}; });
}

std::vector<uint8_t> encode(const ImageRef& img, const ImageProperties* props, int quality = 0) {
    auto d = ImageDestination::createWithData();
    EXPECT_TRUE(d);
    if (quality) d->setQuality(quality);
    d->addImage(img, props);
    EXPECT_TRUE(d->finalize());
    return d->data();
}

std::filesystem::path save(const testenv::ScratchDir& dir, const std::string& name, const std::vector<uint8_t>& bytes) {
    testenv::writeFile(dir / name, std::string(bytes.begin(), bytes.end()));
    return dir / name;
}

// exiftool -n output as tag -> value; "[ExifTool] Validate" counts errors, warnings and minor
// faults ("0 0 0" when the file is sound).
std::map<std::string, std::string> exif(const std::filesystem::path& f) {
    auto r = testenv::run(testenv::exiftool() + " -n -s -s -a -G1 -all -validate " + shellQuote(f.string()));
    std::map<std::string, std::string> m;
    std::istringstream in(r.out);
    std::string line;
    while (std::getline(in, line)) {
        auto colon = line.find(": ");
        if (colon == std::string::npos) continue;
        m[line.substr(0, colon)] = line.substr(colon + 2);
    }
    return m;
}
const char* const kSound = "0 0 0";

}  // namespace

// A position in the south-west: the references carry the signs (the values stay positive, so the
// reader's signed position shows both). The pixels of colour pictures decoded: SettingsToFileTest.
TEST(ImageDestinationTest, ColourPictureWithOrientationSizeAndGps) {
    testenv::ScratchDir dir;
    ImageProperties props;
    props.pixelWidth = 64;
    props.pixelHeight = 48;
    props.orientation = 6;
    props.gps = GpsProperties{33.8688, 70.0, "S", "W"};
    auto m = exif(save(dir, "a.jpg", encode(blueRed(64, 48), &props)));
    EXPECT_EQ(m["[IFD0] Orientation"], "6");
    EXPECT_EQ(m["[ExifIFD] ExifImageWidth"], "64");
    EXPECT_EQ(m["[ExifIFD] ExifImageHeight"], "48");
    EXPECT_EQ(m["[GPS] GPSVersionID"], "2 2 0 0");
    EXPECT_NEAR(std::stod(m["[Composite] GPSLatitude"]), -33.8688, 1e-6);
    EXPECT_NEAR(std::stod(m["[Composite] GPSLongitude"]), -70.0, 1e-6);
    EXPECT_EQ(m["[File] ColorComponents"], "3");
    EXPECT_EQ(m.count("[JFIF] JFIFVersion"), 0u);  // EXIF files carry no JFIF segment
    EXPECT_EQ(m["[ExifTool] Validate"], kSound);
}

TEST(ImageDestinationTest, PlainPictureWithoutPropertiesAndDefaults) {
    testenv::ScratchDir dir;
    auto img = blueRed(32, 32);
    // No properties: no EXIF at all, a plain JFIF file.
    auto plain = encode(img, nullptr);
    auto f = save(dir, "t.jpg", plain);
    auto m = exif(f);
    EXPECT_EQ(m.count("[IFD0] Orientation"), 0u);
    EXPECT_EQ(m.count("[ExifIFD] ExifVersion"), 0u);
    EXPECT_EQ(m.count("[JFIF] JFIFVersion"), 1u);
    EXPECT_EQ(m["[ExifTool] Validate"], kSound);
    EXPECT_GT(testenv::decodeJpeg(f).w, 0);
    // The pictures' quality, which no caller sets, is 90.
    EXPECT_EQ(plain, encode(img, nullptr, 90));
    EXPECT_NE(plain, encode(img, nullptr, 50));
    // Zero and absent sizes never become zero-valued tags: the picture's own size stands in.
    // An out-of-range orientation is left out.
    ImageProperties odd;
    odd.pixelWidth = 0;
    odd.orientation = 9;
    auto g = save(dir, "odd.jpg", encode(img, &odd));
    auto mo = exif(g);
    EXPECT_EQ(mo.count("[IFD0] Orientation"), 0u);
    EXPECT_EQ(mo["[ExifIFD] ExifImageWidth"], "32");
    EXPECT_EQ(mo["[ExifIFD] ExifImageHeight"], "32");
    EXPECT_EQ(mo["[ExifTool] Validate"], kSound);
}

TEST(ImageDestinationTest, FailuresComeBackCleanly) {
    // libjpeg refuses a picture wider than 65500: its error comes back as false, the process
    // goes on.
    auto wide = Image::createGray(70000, 1, std::vector<uint8_t>(70000, 9));
    auto w = ImageDestination::createWithData();
    w->addImage(wide, nullptr);
    EXPECT_FALSE(w->finalize());
    EXPECT_TRUE(w->data().empty());
    // A second finalize does not encode again; a second image is ignored.
    auto once = ImageDestination::createWithData();
    once->addImage(blueRed(8, 8), nullptr);
    once->addImage(blueRed(16, 16), nullptr);
    ASSERT_TRUE(once->finalize());
    EXPECT_FALSE(once->finalize());
    EXPECT_FALSE(once->data().empty());
}

TEST(ImageDestinationTest, PictureHandedOutInBandsOfRows) {
    // 40 rows asked for in order, at most 16 at a time, from a source that gives each row its
    // own buffer: the same file as the whole image, properties included.
    auto img = blueRed(24, 40);
    ImageProperties props;
    props.orientation = 6;
    std::vector<std::vector<uint8_t>> copies;
    auto rows = [&](int first, int count, const uint8_t** r) {
        copies.clear();
        for (int i = 0; i < count; ++i) {
            copies.emplace_back(img->pixel(0, first + i), img->pixel(0, first + i) + 24 * 4);
            r[i] = copies.back().data();
        }
        return true;
    };
    copies.reserve(JpegEncoder::kMaxRows);
    auto d = ImageDestination::createWithData();
    d->addImageRows(24, 40, false, rows, &props);
    ASSERT_TRUE(d->finalize());
    EXPECT_EQ(d->data(), encode(img, &props));
    // A source that fails ends the encoding with no data.
    auto f = ImageDestination::createWithData();
    auto failing = [&](int first, int count, const uint8_t** r) {
        for (int i = 0; i < count; ++i) r[i] = img->pixel(0, first + i);
        return first < 16;
    };
    f->addImageRows(24, 40, false, failing, &props);
    EXPECT_FALSE(f->finalize());
    EXPECT_TRUE(f->data().empty());
}

TEST(ImageDestinationTest, DegreesMinutesSecondsCarry) {
    const struct {
        double degrees;
        uint32_t d, m, s;  // seconds in ten-thousandths
    } cases[] = {
        {35.5, 35, 30, 0},
        {10.0 + 59.0 / 60 + 59.99999999 / 3600, 11, 0, 0},  // rounds up to 11° 0' 0"
        {-0.0001, 0, 0, 3600},                              // 0.36": the sign is the reference's job
        {std::nan(""), 0, 0, 0},
    };
    for (const auto& c : cases) {
        const auto dms = ExifWriter::toDms(c.degrees);
        EXPECT_EQ(dms.degrees, c.d) << c.degrees;
        EXPECT_EQ(dms.minutes, c.m) << c.degrees;
        EXPECT_EQ(dms.secondsTimes10000, c.s) << c.degrees;
    }
}

// A grey picture in padded rows: one component. Grey noise at quality 100 compresses to several
// times the encoder's first guess (an eighth of a byte a sample): the buffer grows in steps within
// the guess and then beyond it. djpeg reads every pixel back to within the rounding of the
// transform.
TEST(ImageDestinationTest, GreyFileLargerThanTheFirstGuessIsWholeAndHandedOver) {
    testenv::ScratchDir dir;
    const int w = 512, h = 512, stride = w + 5;
    std::vector<uint8_t> g(size_t(stride) * h, 0x77);
    uint32_t seed = 7;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1103515245u + 12345u;
            g[size_t(y) * stride + size_t(x)] = uint8_t(seed >> 24);
        }
    ImageProperties props;
    props.orientation = 8;
    auto d = ImageDestination::createWithData();
    d->setQuality(100);
    d->addImage(Image::createGray(w, h, g, stride), &props);
    ASSERT_TRUE(d->finalize());
    const std::vector<uint8_t> kept = d->data();
    EXPECT_GT(kept.size(), size_t(w) * h / 8 * 2);
    const auto bytes = d->takeData();
    EXPECT_EQ(bytes, kept);
    EXPECT_TRUE(d->data().empty());
    const auto file = save(dir, "noise.jpg", bytes);
    auto m = exif(file);
    EXPECT_EQ(m["[File] ColorComponents"], "1");
    EXPECT_EQ(m["[IFD0] Orientation"], "8");
    EXPECT_EQ(m.count("[GPS] GPSVersionID"), 0u);
    EXPECT_EQ(m["[ExifTool] Validate"], kSound);
    const auto p = testenv::decodeJpeg(file);
    ASSERT_EQ(p.channels, 1);
    ASSERT_EQ(p.pixels.size(), size_t(w) * h);
    int worst = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            worst = std::max(worst, std::abs(int(uint8_t(p.pixels[size_t(y) * w + size_t(x)])) - int(g[size_t(y) * stride + size_t(x)])));
    EXPECT_LE(worst, 3);
}
