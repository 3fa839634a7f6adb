#include "platform/graphics/PNGFile.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(PNGFileTest, RoundTripsAndRefusesBadFiles) {
    testenv::ScratchDir dir;
    // Opaque: B,G,R,X with the pixels unchanged.
    auto img = Image::createBGRX(2, 1, {10, 20, 30, 255, 200, 150, 100, 255});
    ASSERT_TRUE(PNGFile::write(*img, dir / "a.png"));
    auto back = PNGFile::read(dir / "a.png");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->bitmapInfo(), BitmapInfo::BGRX);
    EXPECT_EQ(back->copyData(), (std::vector<uint8_t>{10, 20, 30, 255, 200, 150, 100, 255}));
    // Transparency is kept, premultiplied.
    std::vector<uint8_t> px = {0, 0, 128, 128, 0, 0, 0, 0};
    auto owner = std::make_shared<std::vector<uint8_t>>(px);
    auto alpha = Image::create(2, 1, 8, 32, 8, ColorSpace::DeviceRGB, BitmapInfo::BGRAPremultiplied,
                               std::shared_ptr<const uint8_t>(owner, owner->data()), 8);
    ASSERT_TRUE(PNGFile::write(*alpha, dir / "b.png"));
    std::string bytes = testenv::readFile(dir / "b.png");
    auto b = PNGFile::decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    ASSERT_TRUE(b);
    EXPECT_EQ(b->bitmapInfo(), BitmapInfo::BGRAPremultiplied);
    EXPECT_EQ(b->copyData(), px);
    // Missing, truncated and non-PNG input give null, never a crash.
    EXPECT_EQ(PNGFile::read(dir / "missing.png"), nullptr);
    EXPECT_EQ(PNGFile::decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size() / 2), nullptr);
    testenv::writeFile(dir / "junk.png", "not a png at all");
    EXPECT_EQ(PNGFile::read(dir / "junk.png"), nullptr);
}
