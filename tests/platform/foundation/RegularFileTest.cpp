#include "platform/foundation/RegularFile.h"

#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using platform::RegularFile;
namespace fs = std::filesystem;

TEST(RegularFile, ReadsOnlyRegularFilesWithinTheLimit) {
    testenv::ScratchDir dir;
    testenv::writeFile(dir / "ten", "0123456789");
    auto ok = RegularFile::read(dir / "ten", 10);
    ASSERT_TRUE(ok.bytes);
    EXPECT_EQ(std::string(ok.bytes->begin(), ok.bytes->end()), "0123456789");
    EXPECT_EQ(RegularFile::read(dir / "ten", 9).problem, RegularFile::Problem::TooLarge);
    // A link to a file is that file.
    fs::create_symlink(dir / "ten", dir / "link");
    EXPECT_TRUE(RegularFile::read(dir / "link", 10).bytes);
    // A FIFO with no writer would block a reader for ever: refused at once. So are folders,
    // devices and missing files.
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(RegularFile::read(dir / "fifo", 10).problem, RegularFile::Problem::NotRegular);
    EXPECT_EQ(RegularFile::read(dir.path(), 10).problem, RegularFile::Problem::NotRegular);
    EXPECT_EQ(RegularFile::read("/dev/zero", 10).problem, RegularFile::Problem::NotRegular);
    EXPECT_EQ(RegularFile::read(dir / "none", 10).problem, RegularFile::Problem::Missing);
    EXPECT_FALSE(RegularFile::read(dir / "fifo", 10).bytes);
}
