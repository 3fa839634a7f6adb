#include "platform/camera/PhotoLoader.h"

#include "CameraTestSupport.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>

using namespace platform;
namespace fs = std::filesystem;

// Files whose bytes start with "ok" decode; the rest fail. Each decode is counted.
TEST(PhotoLoader, AFileThatFailedIsTriedAgainOnlyOnceItChanges) {
    testenv::ScratchDir dir;
    testenv::writeFile(dir / "a.jpg", "broken");
    testenv::writeFile(dir / "b.jpg", "ok");
    testenv::writeFile(dir / "c.jpg", "also broken");
    std::mutex m;
    std::map<std::string, int> decodes;
    auto decode = [&](const fs::path& f, bool* tooLarge) -> ImageRef {
        *tooLarge = f.filename() == "c.jpg";
        {
            std::lock_guard lk(m);
            ++decodes[f.filename().string()];
        }
        if (testenv::readFile(f).rfind("ok", 0) != 0) return nullptr;
        return cameratest::paint(2, 2, [](int, int) { return std::array<uint8_t, 3>{1, 2, 3}; });
    };
    PhotoLoader loader({dir / "a.jpg", dir / "b.jpg", dir / "c.jpg"}, decode, nullptr);

    // From a: a fails, b is the photo.
    loader.request(0);
    auto r = loader.wait();
    ASSERT_TRUE(r && r->photo);
    EXPECT_EQ(r->index, 1u);
    // From c round to b: c fails once, a is not decoded again.
    loader.request(2);
    r = loader.wait();
    ASSERT_TRUE(r && r->photo);
    EXPECT_EQ(r->index, 1u);
    loader.request(2);
    r = loader.wait();
    EXPECT_EQ(decodes, (std::map<std::string, int>{{"a.jpg", 1}, {"b.jpg", 3}, {"c.jpg", 1}}));
    // Each answer is given once.
    EXPECT_FALSE(loader.take());

    // a changes (size), c changes (modification time only): both are tried again, and a now decodes.
    testenv::writeFile(dir / "a.jpg", "ok now");
    fs::last_write_time(dir / "c.jpg", fs::last_write_time(dir / "c.jpg") - std::chrono::hours(1));
    loader.request(2);
    r = loader.wait();
    ASSERT_TRUE(r && r->photo);
    EXPECT_EQ(r->index, 0u);
    EXPECT_EQ(decodes["a.jpg"], 2);
    EXPECT_EQ(decodes["c.jpg"], 2);

    // Nothing decodes: no photo, and the first file refused for its size is named.
    testenv::writeFile(dir / "a.jpg", "broken again");
    testenv::writeFile(dir / "b.jpg", "broken too");
    loader.request(0);
    r = loader.wait();
    ASSERT_TRUE(r);
    EXPECT_FALSE(r->photo);
    EXPECT_EQ(r->tooLargeFile, "c.jpg");
}

TEST(PhotoLoader, IsBusyForTheRunLoopWhileItDecodes) {
    testenv::ScratchDir dir;
    testenv::writeFile(dir / "a.jpg", "x");
    ManualClock clock;
    RunLoop loop(clock);
    std::mutex gate;
    std::unique_lock hold(gate);
    PhotoLoader loader({dir / "a.jpg"}, [&](const fs::path&, bool*) -> ImageRef {
        std::lock_guard lk(gate);
        return cameratest::paint(1, 1, [](int, int) { return std::array<uint8_t, 3>{0, 0, 0}; });
    }, &loop);
    EXPECT_TRUE(loop.allIdle());
    loader.request(0);
    EXPECT_FALSE(loop.allIdle());
    hold.unlock();
    ASSERT_TRUE(loader.wait());
    EXPECT_TRUE(loop.allIdle());
}
