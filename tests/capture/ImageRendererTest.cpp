#include "capture/ImageRenderer.h"

#include "capture/ColorFilters.h"

#include "platform/foundation/FileManager.h"
#include "platform/imageio/ImageDestination.h"
#include "tests/support/TestEnv.h"
#include "tests/platform/graphics/TestImages.h"

#include <gtest/gtest.h>

#include <functional>

using kestrova::ColorFilters;
using kestrova::ColorMode;
using kestrova::GeoSnapshot;
using kestrova::ImageRenderer;
using kestrova::ImageSize;
using platform::DeviceOrientation;
using platform::Image;
using platform::ImageRef;
using platform::Rect;

namespace {

using testimages::Rgb;
constexpr Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255};

using testimages::paint;

bool inside(const Rect& r, int x, int y) {
    return x >= r.x() && x < r.x() + r.width() && y >= r.y() && y < r.y() + r.height();
}

// Red outside `r`, a green border of `border` pixels just inside it, blue within.
ImageRef marked(int w, int h, const Rect& r, int border = 1) {
    return paint(w, h, [&](int x, int y) {
        if (!inside(r, x, y)) return kRed;
        if (!inside(r.insetBy(float(border), float(border)), x, y)) return kGreen;
        return kBlue;
    });
}

Rgb at(const ImageRef& img, int x, int y) {
    const uint8_t* p = img->pixel(x, y);
    return {p[2], p[1], p[0]};
}

// No pixel shows anything from outside the crop, and each corner shows the crop's border.
void expectExactlyTheCrop(const ImageRef& img) {
    ASSERT_TRUE(img);
    for (int y = 0; y < img->height(); ++y)
        for (int x = 0; x < img->width(); ++x) ASSERT_LT(at(img, x, y).r, 40) << x << "," << y;
    const int w = img->width() - 1, h = img->height() - 1;
    for (auto [x, y] : {std::pair{0, 0}, {w, 0}, {0, h}, {w, h}}) EXPECT_GT(at(img, x, y).g, 90) << x << "," << y;
}

class ImageRendererTest : public ::testing::Test {
protected:
    testenv::ScratchDir dir_;
    platform::FileManager files_{dir_.path()};
    ImageRenderer renderer_{files_};
};


}  // namespace

// Each crop is the centre of its area (the frame; the preview's 320-pixel square, 70 pixels in
// from its left edge; the preview's top 400 x 300) divided by the zoom, a zoom below 1 being 1.
TEST_F(ImageRendererTest, PictureThumbnailAndFanShowExactlyTheCentreCrop) {
    struct Case {
        float zoom;
        Rect picture, thumbnail, fan;
    };
    for (const Case& c : {Case{0.5f, {0, 0, 1600, 1200}, {70, 0, 320, 320}, {0, 0, 400, 300}},
                          Case{2.0f, {400, 300, 800, 600}, {150, 80, 160, 160}, {100, 75, 200, 150}},
                          Case{3.0f, {533, 400, 533, 400}, {177, 107, 106, 106}, {133, 100, 133, 100}}}) {
        SCOPED_TRACE(c.zoom);
        auto out = renderer_.renderPicture(marked(1600, 1200, c.picture), ImageSize::Large, c.zoom, ColorMode::FullColor);
        ASSERT_TRUE(out);
        EXPECT_EQ(out->width(), 1600);
        EXPECT_EQ(out->height(), 1200);
        expectExactlyTheCrop(out);
        // Shrunk up to 4.3 times: a border wide enough to survive the box filter.
        expectExactlyTheCrop(renderer_.renderThumbnail(marked(400, 320, c.thumbnail, 5), c.zoom, ColorMode::FullColor,
                                                      DeviceOrientation::LandscapeLeft));
        expectExactlyTheCrop(
            ImageRenderer::transformImage(marked(400, 320, c.fan), 270.0f, c.zoom, ColorMode::FullColor));
    }
}

TEST_F(ImageRendererTest, FanAndThumbnailAreTurnedAsTheDeviceWasHeld) {
    // The thumbnail's square (from x 70) with its top left quarter red: the corner that quarter
    // lands in shows which way the thumbnail was turned.
    auto marked = paint(400, 320, [](int x, int y) { return (x >= 70 && x < 230 && y < 160) ? kRed : kBlue; });
    const std::pair<DeviceOrientation, std::pair<int, int>> turns[] = {
        {DeviceOrientation::LandscapeLeft, {0, 0}},
        {DeviceOrientation::LandscapeRight, {74, 74}},
        {DeviceOrientation::PortraitUpsideDown, {0, 74}},
        {DeviceOrientation::Portrait, {74, 0}}};
    for (const auto& [orientation, corner] : turns) {
        auto thumb = renderer_.renderThumbnail(marked, 1.0f, ColorMode::FullColor, orientation);
        ASSERT_TRUE(thumb);
        EXPECT_GT(at(thumb, corner.first, corner.second).r, 200) << int(orientation);
        EXPECT_LT(at(thumb, 74 - corner.first, 74 - corner.second).r, 50) << int(orientation);
    }

    auto preview = paint(400, 320, [](int x, int y) { return (x < 40 && y < 40) ? kRed : kBlue; });
    auto fan = ImageRenderer::transformImage(preview, 270.0f, 1.0f, ColorMode::FullColor);
    ASSERT_TRUE(fan);
    EXPECT_EQ(fan->width(), 300);
    EXPECT_EQ(fan->height(), 400);
    EXPECT_EQ(fan->bytesPerRow(), 1600);
    EXPECT_GT(at(fan, 299, 0).r, 200);
    EXPECT_GT(at(fan, 0, 0).b, 200);
    EXPECT_GT(at(fan, 299, 399).b, 200);
    // Grey mode: one byte a pixel, rows of 400 bytes.
    auto grey = ImageRenderer::transformImage(preview, 270.0f, 1.0f, ColorMode::Greyscale);
    ASSERT_TRUE(grey);
    EXPECT_EQ(grey->colorSpace(), platform::ColorSpace::DeviceGray);
    EXPECT_EQ(grey->bytesPerRow(), 400);
}

TEST_F(ImageRendererTest, OutputSizesAndColourModes) {
    auto white = paint(1600, 1200, [](int, int) { return kWhite; });
    struct Case {
        ImageSize size;
        int w, h;
    };
    // Sizes outside the setting's range (a bad stored preference) are small.
    for (Case c : {Case{ImageSize::Large, 1600, 1200}, Case{ImageSize::Medium, 1280, 960},
                   Case{ImageSize::Small, 960, 720}, Case{ImageSize(-1), 960, 720}, Case{ImageSize(6), 960, 720}}) {
        auto out = renderer_.renderPicture(white, c.size, 1.0f, ColorMode::FullColor);
        ASSERT_TRUE(out);
        EXPECT_EQ(out->width(), c.w) << int(c.size);
        EXPECT_EQ(out->height(), c.h) << int(c.size);
    }
    // The thumbnail and the fan are the filter applied to exactly what was drawn: thumbnail rows of
    // 75 pixels, fan rows padded to 400. (The picture's modes: the picture file's test.)
    auto colours = paint(1600, 1200, [](int x, int y) { return Rgb{uint8_t(x * 7), uint8_t(y * 3), uint8_t(x ^ y)}; });
    auto bytes = [](const ImageRef& img) { return std::vector<uint8_t>(img->data(), img->data() + img->byteLength()); };
    const auto portrait = DeviceOrientation::Portrait;
    auto plainThumb = renderer_.renderThumbnail(colours, 1.0f, ColorMode::FullColor, portrait);
    auto plainFan = ImageRenderer::transformImage(colours, 270.0f, 1.0f, ColorMode::FullColor);
    ASSERT_TRUE(plainThumb && plainFan);
    EXPECT_EQ(bytes(renderer_.renderThumbnail(colours, 1.0f, ColorMode::Green, portrait)),
              bytes(ColorFilters::singleColorFilter(plainThumb, ColorMode::Green)));
    EXPECT_EQ(bytes(ImageRenderer::transformImage(colours, 270.0f, 1.0f, ColorMode::Blue)),
              bytes(ColorFilters::singleColorFilter(plainFan, ColorMode::Blue)));
    // Greyscale: a one-byte-a-pixel bitmap, rows of W bytes.
    auto grey = renderer_.renderPicture(white, ImageSize::Medium, 1.0f, ColorMode::Greyscale);
    ASSERT_TRUE(grey);
    EXPECT_EQ(grey->colorSpace(), platform::ColorSpace::DeviceGray);
    EXPECT_EQ(grey->bytesPerRow(), 1280);
    EXPECT_EQ(renderer_.renderPicture(white, ImageSize::Large, 1.0f, ColorMode::Greyscale)->data()[0], 255);
}

TEST_F(ImageRendererTest, PictureFileIsTheDrawnAndColouredPictureEncoded) {
    // The picture file is made a band of rows at a time; its JPEG must be the one of the whole
    // drawn and filtered bitmap, for every way of scaling (none, enlarging, whole and other
    // shrinking factors) and every colour mode (9: a bad stored preference, full colour).
    auto colours = paint(1600, 1200, [](int x, int y) {
        return Rgb{uint8_t(x * 7 + y), uint8_t(y * 3 + (x >> 4)), uint8_t((x ^ y) + (x * y >> 9))};
    });
    const GeoSnapshot fix{48.5f, -3.25f, "N", "W"};
    struct Case {
        ImageSize size;
        float zoom;
        std::vector<int> modes;  // ColorMode numbers
    };
    const auto L = ImageSize::Large, M = ImageSize::Medium, S = ImageSize::Small;
    const auto right = DeviceOrientation::LandscapeRight;
    for (const Case& c : {Case{L, 1.0f, {0, 2, 3, 4, 5, 6, 1, 9}}, Case{L, 3.0f, {0, 2, 4, 5, 6}}, Case{M, 1.0f, {0, 3, 6}},
                          Case{S, 1.0f, {0, 2, 4}}, Case{M, 2.0f, {5}}, Case{S, 1.5f, {3, 4}}}) {
        for (int n : c.modes) {
            const ColorMode mode = ColorMode(n);
            auto file = renderer_.encodePicture(colours, c.size, c.zoom, mode, right, fix);
            auto drawn = renderer_.renderPicture(colours, c.size, c.zoom, mode);
            ASSERT_TRUE(file && drawn);
            const auto props = ImageRenderer::pictureProperties(drawn->width(), drawn->height(), right, fix);
            auto dest = platform::ImageDestination::createWithData();
            dest->addImage(drawn, &props);
            ASSERT_TRUE(dest->finalize());
            EXPECT_TRUE(*file == dest->data()) << "size " << int(c.size) << " zoom " << c.zoom << " mode " << n;
        }
    }
}


// The file's tags are the encoder's to write: here, what the renderer asks for. Positions go in
// unsigned, the hemisphere in the letters.
TEST(ImageRendererProperties, OrientationSizeAndUnsignedPosition) {
    const std::pair<DeviceOrientation, int> turns[] = {{DeviceOrientation::Portrait, 6},
                                                       {DeviceOrientation::LandscapeLeft, 1},
                                                       {DeviceOrientation::LandscapeRight, 3},
                                                       {DeviceOrientation::PortraitUpsideDown, 8}};
    for (const auto& [orientation, tag] : turns) {
        const auto props = ImageRenderer::pictureProperties(1280, 960, orientation, std::nullopt);
        EXPECT_EQ(props.orientation, tag) << int(orientation);
        EXPECT_FALSE(props.gps.has_value());
    }
    const auto props = ImageRenderer::pictureProperties(1280, 960, DeviceOrientation::Portrait,
                                                        GeoSnapshot{-33.86f, -151.21f, "S", "W"});
    EXPECT_EQ(props.pixelWidth, 1280);
    EXPECT_EQ(props.pixelHeight, 960);
    ASSERT_TRUE(props.gps.has_value());
    EXPECT_EQ(props.gps->latitude, double(33.86f));
    EXPECT_EQ(props.gps->longitude, double(151.21f));
    EXPECT_EQ(props.gps->latitudeRef, "S");
    EXPECT_EQ(props.gps->longitudeRef, "W");
}
