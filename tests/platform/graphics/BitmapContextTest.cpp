#include "platform/graphics/BitmapContext.h"
#include "platform/graphics/GrayConverter.h"
#include "tests/platform/graphics/TestImages.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>

using namespace platform;

namespace {

using BGRX = std::array<uint8_t, 3>;  // b, g, r

std::unique_ptr<BitmapContext> rgbContext(int w, int h, int bytesPerRow = 0) {
    return BitmapContext::create(w, h, 8, bytesPerRow ? bytesPerRow : 4 * w, ColorSpace::DeviceRGB, BitmapInfo::BGRX);
}
std::unique_ptr<BitmapContext> grayContext(int w, int h, int bytesPerRow = 0) {
    return BitmapContext::create(w, h, 8, bytesPerRow ? bytesPerRow : w, ColorSpace::DeviceGray, BitmapInfo::None);
}

BGRX px(BitmapContext& c, int x, int y) {
    const uint8_t* p = c.data() + size_t(y) * c.bytesPerRow() + size_t(x) * 4;
    return {p[0], p[1], p[2]};
}
BGRX px(const ImageRef& img, int x, int y) {
    const uint8_t* p = img->pixel(x, y);
    return {p[0], p[1], p[2]};
}

// A w x h frame: dark grey everywhere, the top-left pixel (memory row 0, column 0) red, the
// top-right green, the bottom-left blue.
ImageRef markedFrame(int w, int h) {
    using testimages::Rgb;
    return testimages::paint(w, h, [=](int x, int y) {
        if (y == 0 && x == 0) return Rgb{255, 0, 0};
        if (y == 0 && x == w - 1) return Rgb{0, 255, 0};
        if (y == h - 1 && x == 0) return Rgb{0, 0, 255};
        return Rgb{40, 40, 40};
    });
}

const BGRX kRed{0, 0, 255}, kBlue{255, 0, 0}, kDark{40, 40, 40};

}  // namespace

TEST(BitmapContextTest, BadSizesGiveNoContext) {
    EXPECT_EQ(BitmapContext::create(0, 10, 8, 40, ColorSpace::DeviceRGB, BitmapInfo::BGRX), nullptr);
    EXPECT_EQ(BitmapContext::create(10, 10, 8, 39, ColorSpace::DeviceRGB, BitmapInfo::BGRX), nullptr);  // short row
    EXPECT_EQ(BitmapContext::create(10, 10, 8, 40, ColorSpace::DeviceRGB, BitmapInfo::None), nullptr);  // mismatch
    EXPECT_EQ(BitmapContext::create(10, 10, 8, 9, ColorSpace::DeviceGray, BitmapInfo::None), nullptr);
    EXPECT_EQ(BitmapContext::create(40000, 1, 8, 160000, ColorSpace::DeviceRGB, BitmapInfo::BGRX), nullptr);
    // Good ones, including padded rows and an odd grey row length.
    auto c = BitmapContext::create(300, 400, 8, 1600, ColorSpace::DeviceRGB, BitmapInfo::BGRX);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->bytesPerRow(), 1600);
    EXPECT_TRUE(grayContext(75, 75, 77));
}

TEST(BitmapContextTest, YUpFillsAndMakeImageCopies) {
    auto c = rgbContext(4, 3);
    ASSERT_TRUE(c);
    // (0,0,1,1) in y-up space is the bottom-left pixel: the last memory row.
    c->setFillColor(Color::rgba(1, 0, 0));
    c->fillRect({0, 0, 1, 1});
    EXPECT_EQ(px(*c, 0, 2), kRed);
    EXPECT_EQ(px(*c, 0, 0), (BGRX{0, 0, 0}));
    auto img = c->makeImage();
    ASSERT_TRUE(img);
    EXPECT_EQ(img->bytesPerRow(), 16);
    EXPECT_EQ(img->bitmapInfo(), BitmapInfo::BGRX);
    c->setFillColor(Color::rgba(0, 0, 1));
    c->fillRect({0, 0, 4, 3});
    EXPECT_EQ(px(img, 0, 2), kRed);  // the image did not follow
    EXPECT_EQ(px(*c, 0, 2), kBlue);
}

TEST(BitmapContextTest, GrayContextsHoldBt601Luma) {
    // Against the real-valued formula on a grid; halves, such as (0, 252, 84) = 157.5, round up.
    for (int r = 0; r < 256; r += 5)
        for (int g = 0; g < 256; g += 3)
            for (int bl = 0; bl < 256; bl += 7)
                ASSERT_EQ(GrayConverter::luma(r, g, bl), int(std::floor(0.299 * r + 0.587 * g + 0.114 * bl + 0.5 + 1e-9)))
                    << r << " " << g << " " << bl;
    EXPECT_EQ(GrayConverter::luma(255, 255, 255), 255);

    // A colour image drawn into a grey context (in padded rows): one byte a pixel.
    std::vector<uint8_t> b = {0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255, 30, 20, 10, 255};
    auto img = Image::createBGRX(4, 1, b);
    auto g = grayContext(4, 1, 7);
    ASSERT_TRUE(g);
    g->drawImage({0, 0, 4, 1}, img);
    EXPECT_TRUE(g->lastDrawWasDirect());
    EXPECT_EQ(std::vector<int>(g->data(), g->data() + 4), (std::vector<int>{76, 150, 29, 18}));
    // Paths drawn through Cairo come out as luma too, and the image made has the grey layout.
    g->setFillColor(Color::rgba(0, 1, 0));
    g->fillRect({3, 0, 1, 1});
    EXPECT_EQ(g->data()[3], 150);
    EXPECT_EQ(g->data()[0], 76);  // what the direct draw put there survived the round trip
    auto gi = g->makeImage();
    EXPECT_EQ(gi->colorSpace(), ColorSpace::DeviceGray);
    EXPECT_EQ(gi->bitsPerPixel(), 8);
    EXPECT_EQ(gi->bytesPerRow(), 7);
    // Grey images drawn into colour contexts become equal B, G and R.
    auto c = rgbContext(1, 1);
    c->drawImage({0, 0, 1, 1}, gi->crop({2, 0, 1, 1}));
    EXPECT_EQ(px(*c, 0, 0), (BGRX{29, 29, 29}));
}

TEST(BitmapContextTest, CropSharesPixelsAndClips) {
    auto frame = markedFrame(4, 3);
    // Reaching outside is clipped to the image.
    auto a = frame->crop({-2, -2, 4, 4});
    ASSERT_TRUE(a);
    EXPECT_EQ(a->width(), 2);
    EXPECT_EQ(a->height(), 2);
    EXPECT_EQ(a->data(), frame->data());  // shared, not copied
    EXPECT_EQ(px(a, 0, 0), kRed);
    EXPECT_EQ(px(frame->crop({3, 2, 5, 5}), 0, 0), kDark);
    EXPECT_EQ(frame->crop({4, 0, 2, 2}), nullptr);
}

TEST(BitmapContextTest, NonAxisAlignedDrawsGoThroughCairo) {
    auto c = rgbContext(20, 20);
    c->translateCTM(10, 10);
    c->rotateCTM(0.7853982f);
    auto white = Image::createBGRX(1, 1, {255, 255, 255, 255});
    c->drawImage({-5, -5, 10, 10}, white);
    EXPECT_FALSE(c->lastDrawWasDirect());
    EXPECT_EQ(px(*c, 10, 10), (BGRX{255, 255, 255}));
    EXPECT_EQ(px(*c, 10, 5), (BGRX{255, 255, 255}));  // the diamond reaches 7 up
    EXPECT_EQ(px(*c, 3, 3), (BGRX{0, 0, 0}));
}

TEST(BitmapContextTest, DirectDrawsMatchCairoPixelForPixel) {
    // Unscaled draws at whole-pixel offsets, turned by each quarter turn, partly or wholly outside
    // the context, colour and grey in both directions: libyuv and Cairo must agree exactly.
    std::vector<uint8_t> colour(5 * 3 * 4), grey(5 * 3);
    for (size_t i = 0; i < colour.size(); ++i) colour[i] = uint8_t(i * 37 + 11);
    for (size_t i = 0; i < grey.size(); ++i) grey[i] = uint8_t(i * 53 + 7);
    const ImageRef images[2] = {Image::createBGRX(5, 3, colour), Image::createGray(5, 3, grey)};
    const float angles[4] = {0, 1.5707964f, 3.1415927f, -1.5707964f};
    for (bool grayContext : {false, true}) {
        for (const auto& img : images) {
            for (float angle : angles) {
                for (auto [ox, oy] : {std::pair{0.0f, 0.0f}, {2, 1}, {-2, 3}, {3, -2}, {7, 6}}) {
                    std::unique_ptr<BitmapContext> ctx[2];
                    for (int k = 0; k < 2; ++k) {
                        ctx[k] = grayContext ? BitmapContext::create(6, 5, 8, 7, ColorSpace::DeviceGray, BitmapInfo::None)
                                             : rgbContext(6, 5, 28);
                        // Each row's padding is marked: neither way may write it.
                        const int pixelBytes = grayContext ? 6 : 24, bpr = ctx[k]->bytesPerRow();
                        for (int y = 0; y < 5; ++y)
                            std::memset(ctx[k]->data() + y * bpr + pixelBytes, 0xAB, size_t(bpr - pixelBytes));
                        ctx[k]->translateCTM(3, 2);
                        ctx[k]->rotateCTM(angle);
                        if (k == 1) ctx[k]->clipToRect({-100, -100, 200, 200});
                        ctx[k]->drawImage({ox, oy, 5, 3}, img);
                        EXPECT_EQ(ctx[k]->lastDrawWasDirect(), k == 0);
                    }
                    for (int y = 0; y < 5; ++y)
                        for (int x = 0; x < ctx[0]->bytesPerRow(); ++x) {
                            if (!grayContext && x < 24 && x % 4 == 3) continue;  // the unused byte
                            ASSERT_EQ(ctx[0]->data()[y * ctx[0]->bytesPerRow() + x],
                                      ctx[1]->data()[y * ctx[1]->bytesPerRow() + x])
                                << "grey ctx " << grayContext << " grey img " << (img == images[1]) << " angle "
                                << angle << " offset " << ox << "," << oy << " at " << x << "," << y;
                        }
                }
            }
        }
    }
}

TEST(BitmapContextTest, ReusedBuffersStartBlack) {
    // Large buffers are pooled and come back with old pixels; a new context must still be black,
    // whether it is read at once, drawn into through Cairo, or partly covered by an image. The
    // fan image is 300 pixels in 1600-byte rows and the single-colour filter reads the padding,
    // so a draw that covers every pixel must leave that zero too.
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        {
            auto dirty = rgbContext(400, 400, 1600);  // the bytes of 300 x 400, padding included
            dirty->setFillColor(Color::white(1));
            dirty->fillRect({0, 0, 400, 400});
            auto g = grayContext(300, 400, 400);
            g->setFillColor(Color::white(1));
            g->fillRect({0, 0, 300, 400});
        }
        auto c = rgbContext(300, 400, 1600);
        auto g = grayContext(300, 400, 400);
        if (round == 1) {
            c->setFillColor(Color::rgba(1, 0, 0));
            c->fillRect({0, 0, 1, 1});
            g->setFillColor(Color::white(1));
            g->fillRect({0, 0, 1, 1});
        } else if (round == 2) {
            c->drawImage({0, 0, 4, 3}, markedFrame(4, 3));
            g->drawImage({0, 0, 4, 3}, markedFrame(4, 3));
        } else if (round == 3) {
            c->drawImage({0, 0, 300, 400}, markedFrame(300, 400));
            const uint8_t* row = c->data() + 17 * 1600;
            for (int b = 1200; b < 1600; ++b) ASSERT_EQ(row[b], 0) << b;
            continue;
        }
        EXPECT_EQ(px(*c, 299, 0), (BGRX{0, 0, 0}));
        EXPECT_EQ(px(*c, 150, 200), (BGRX{0, 0, 0}));
        EXPECT_EQ(g->data()[0], 0);
        EXPECT_EQ(g->data()[200 * 400 + 150], 0);
    }
}
