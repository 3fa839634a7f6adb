#include "platform/camera/FramePool.h"

#include <gtest/gtest.h>

#include <thread>

using namespace platform;

TEST(FramePool, BuffersComeBackWhenTheirLastImageGoesFromAnyThread) {
    FramePool pool(2);
    auto fill = [](uint8_t v) {
        return [v](uint8_t* px) {
            px[0] = v;
            return true;
        };
    };
    // A frame a time, each let go before the next: one buffer serves them all.
    for (int i = 0; i < 10; ++i) {
        ImageRef im = pool.make(8, 4, fill(uint8_t(i)));
        ASSERT_TRUE(im);
        EXPECT_EQ(im->data()[0], i);
    }
    EXPECT_EQ(pool.allocations(), 1u);

    // Held images keep their pixels: two held, a third is a one-off buffer.
    ImageRef a = pool.make(8, 4, fill(1));
    ImageRef b = pool.make(8, 4, fill(2));
    ImageRef c = pool.make(8, 4, fill(3));
    EXPECT_EQ(a->data()[0], 1);
    EXPECT_EQ(b->data()[0], 2);
    EXPECT_EQ(c->data()[0], 3);
    EXPECT_NE(a->data(), b->data());
    EXPECT_EQ(pool.allocations(), 3u);

    // Let go on another thread, the buffer is used again; a refused fill gives it back at once.
    const uint8_t* aPixels = a->data();
    std::thread([img = std::move(a)]() mutable { img.reset(); }).join();
    EXPECT_FALSE(pool.make(8, 4, [](uint8_t*) { return false; }));
    ImageRef d = pool.make(8, 4, fill(4));
    EXPECT_EQ(d->data(), aPixels);
    EXPECT_EQ(pool.allocations(), 3u);
    EXPECT_FALSE(pool.make(0, 4, fill(5)));
}

TEST(FramePool, ImagesOutliveThePool) {
    ImageRef kept;
    {
        FramePool pool(1);
        kept = pool.make(2, 2, [](uint8_t* px) {
            std::fill(px, px + 16, uint8_t(7));
            return true;
        });
    }
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->data()[15], 7);
}
