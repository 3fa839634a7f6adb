#include "platform/foundation/FileManager.h"
#include "platform/foundation/RegularFile.h"

#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

using namespace platform;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> listNames(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Runs `fn` on a thread whose permission checks apply even to root: capabilities are per thread,
// so dropping the two that bypass file modes affects only this thread.
void withoutPermissionOverride(const std::function<void()>& fn) {
    std::thread t([&] {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[2]{};
        if (syscall(SYS_capget, &header, data) == 0) {
            for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH}) data[cap / 32].effective &= ~(1u << (cap % 32));
            syscall(SYS_capset, &header, data);
        }
        fn();
    });
    t.join();
}

}  // namespace

TEST(FileManager, DevicePathsLeaveTheRootOnlyThroughLinkedFolders) {
    testenv::ScratchDir root, outside;
    FileManager fm(root.path());
    fs::create_directories(root / "var/mobile");
    testenv::writeFile(outside / "secret", "keep");

    // Plain paths, absolute or relative, land beneath the root.
    EXPECT_EQ(fm.resolve("/var/mobile/Media"), root.path() / "var/mobile/Media");
    EXPECT_EQ(fm.resolve("var//mobile/./x"), root.path() / "var/mobile/x");
    // "..", even one that would come back inside, is refused.
    EXPECT_FALSE(fm.resolve("/../etc/passwd"));
    EXPECT_FALSE(fm.resolve("/var/../var/mobile"));

    // A link to a folder is that folder, wherever it points (the user's DCIM on another disk).
    fs::create_directory_symlink(outside.path(), root / "out");
    fs::create_directory_symlink("../..", root / "var/up");
    EXPECT_EQ(fm.resolve("/out/secret"), root.path() / "out/secret");
    EXPECT_EQ(fm.resolve("/var/up"), root.path() / "var/up");
    EXPECT_EQ(fm.contents("/out/secret"), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
    EXPECT_TRUE(fm.createDirectory("/out/made"));
    EXPECT_TRUE(fm.writeAtomically("/out/made/new", "n", 1, false));
    EXPECT_EQ(testenv::readFile(outside / "made/new"), "n");

    // A link at the end of a path that leads out of the root to a file, or to nothing, is refused:
    // nothing is read, written or made through it.
    fs::create_symlink(outside / "secret", root / "fileLink");
    fs::create_symlink(outside / "created-by-link", root / "dangling");
    EXPECT_FALSE(fm.resolve("/fileLink"));
    EXPECT_FALSE(fm.resolve("/dangling"));
    EXPECT_FALSE(fm.contents("/fileLink"));
    EXPECT_FALSE(fm.writeAtomically("/dangling", "x", 1));
    EXPECT_FALSE(fm.createDirectory("/dangling"));
    EXPECT_EQ(listNames(outside.path()), (std::vector<std::string>{"made", "secret"}));
    EXPECT_EQ(testenv::readFile(outside / "secret"), "keep");
    // But their names are taken.
    EXPECT_TRUE(fm.entryExists("/fileLink"));
    EXPECT_TRUE(fm.entryExists("/dangling"));
    EXPECT_FALSE(fm.entryExists("/out/none"));
    EXPECT_FALSE(fm.entryExists("/"));

    // Removing a link inside the root removes the link, never what it points at.
    EXPECT_TRUE(fm.removeItem("/out"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(root / "out")));
    EXPECT_EQ(testenv::readFile(outside / "secret"), "keep");
    EXPECT_FALSE(fm.removeItem("/"));
    EXPECT_FALSE(fm.removeItem("/var/.."));
    EXPECT_TRUE(fs::exists(root / "var/mobile"));
}

static std::vector<std::string> visited(const FileManager& fm, const std::string& path,
                                 const FileManager::LinkFilter& follow = {}) {
    std::vector<std::string> out;
    fm.visitEntries(path, [&](const std::string& rel) { out.push_back(rel); }, follow);
    std::sort(out.begin(), out.end());
    return out;
}

TEST(FileManager, VisitEntriesFollowsOnlyTheLinksItIsToldOf) {
    testenv::ScratchDir root, elsewhere;
    FileManager fm(root.path());
    ASSERT_TRUE(fm.createDirectory("/DCIM/100APPLE/sub"));
    testenv::writeFile(root / "DCIM/100APPLE/IMG_0001.JPG", "j");
    testenv::writeFile(root / "DCIM/100APPLE/sub/IMG_0002.JPG", "j");
    testenv::writeFile(elsewhere / "IMG_0005.JPG", "j");
    // Links inside a folder are listed, never entered: to the parent, to the whole file system,
    // to a folder elsewhere, and a pair naming each other.
    fs::create_directory_symlink("..", root / "DCIM/100APPLE/parent");
    fs::create_directory_symlink("/", root / "DCIM/100APPLE/root");
    fs::create_directory_symlink(elsewhere.path(), root / "DCIM/100APPLE/away");
    fs::create_symlink("b", root / "DCIM/a");
    fs::create_symlink("a", root / "DCIM/b");
    // A link at the top that the filter accepts is entered, wherever it leads; one inside it is not.
    fs::create_directory_symlink(elsewhere.path(), root / "DCIM/102APPLE");
    fs::create_directory_symlink("..", elsewhere / "100APPLE");

    EXPECT_EQ(visited(fm, "/DCIM/100APPLE"),
              (std::vector<std::string>{"IMG_0001.JPG", "away", "parent", "root", "sub", "sub/IMG_0002.JPG"}));
    const auto apple = [](const std::string& name) { return name == "102APPLE" || name == "100APPLE"; };
    EXPECT_EQ(visited(fm, "/DCIM", apple),
              (std::vector<std::string>{"100APPLE", "100APPLE/IMG_0001.JPG", "100APPLE/away", "100APPLE/parent",
                                        "100APPLE/root", "100APPLE/sub", "100APPLE/sub/IMG_0002.JPG", "102APPLE",
                                        "102APPLE/100APPLE", "102APPLE/IMG_0005.JPG", "a", "b"}));
    // Without the filter the linked folder is only a name; the folder asked for may itself be
    // reached through a link.
    EXPECT_EQ(visited(fm, "/DCIM").size(), 10u);
    EXPECT_EQ(visited(fm, "/DCIM/102APPLE"), (std::vector<std::string>{"100APPLE", "IMG_0005.JPG"}));
    EXPECT_TRUE(visited(fm, "/missing").empty());
    EXPECT_TRUE(visited(fm, "/DCIM/100APPLE/IMG_0001.JPG").empty());
}

TEST(FileManager, VisitEntriesSkipsAnUnreadableSubfolder) {
    testenv::ScratchDir root;
    FileManager fm(root.path());
    testenv::writeFile(root / "DCIM/100APPLE/IMG_0001.JPG", "j");
    testenv::writeFile(root / "DCIM/locked/IMG_0009.JPG", "j");
    testenv::writeFile(root / "DCIM/zzz/IMG_0003.JPG", "j");
    fs::permissions(root / "DCIM/locked", fs::perms::none);

    bool lockedForUs = false;
    std::vector<std::string> found;
    withoutPermissionOverride([&] {
        DIR* d = opendir((root / "DCIM/locked").c_str());
        lockedForUs = d == nullptr;
        if (d) closedir(d);
        found = visited(fm, "/DCIM");
    });
    fs::permissions(root / "DCIM/locked", fs::perms::owner_all);
    if (!lockedForUs) GTEST_SKIP() << "cannot make a folder unreadable here (file-mode checks are bypassed even "
                                      "with CAP_DAC_OVERRIDE dropped)";
    // The folder itself is listed; its contents are not, and what comes after it still is.
    EXPECT_EQ(found, (std::vector<std::string>{"100APPLE", "100APPLE/IMG_0001.JPG", "locked", "zzz",
                                               "zzz/IMG_0003.JPG"}));
}

TEST(FileManager, WriteAtomicallyReplacesOnlyWhenAskedAndLeavesNoTemporaryFiles) {
    testenv::ScratchDir root;
    FileManager fm(root.path());
    ASSERT_TRUE(fm.createDirectory("/DCIM/100APPLE"));
    const std::string path = "/DCIM/100APPLE/IMG_0001.JPG";

    // A new file.
    ASSERT_TRUE(fm.writeAtomically(path, "first", 5, false));
    EXPECT_EQ(testenv::readFile(root / "DCIM/100APPLE/IMG_0001.JPG"), "first");

    // Without replaceExisting an existing file wins: the write fails and changes nothing.
    EXPECT_FALSE(fm.writeAtomically(path, "second", 6, false));
    EXPECT_EQ(testenv::readFile(root / "DCIM/100APPLE/IMG_0001.JPG"), "first");

    // With it, the file is replaced whole.
    ASSERT_TRUE(fm.writeAtomically(path, "third!", 6, true));
    EXPECT_EQ(testenv::readFile(root / "DCIM/100APPLE/IMG_0001.JPG"), "third!");

    // A rename that fails (a folder is in the way) and a missing folder: false, nothing left.
    ASSERT_TRUE(fm.createDirectory("/DCIM/100APPLE/IMG_0002.JPG/inside"));
    EXPECT_FALSE(fm.writeAtomically("/DCIM/100APPLE/IMG_0002.JPG", "x", 1, true));
    EXPECT_FALSE(fm.writeAtomically("/DCIM/999APPLE/IMG_0001.JPG", "x", 1));
    EXPECT_EQ(listNames(root / "DCIM/100APPLE"), (std::vector<std::string>{"IMG_0001.JPG", "IMG_0002.JPG"}));
}

TEST(FileManager, ConcurrentAtomicWritesNeverMixOrLeaveTemporaries) {
    testenv::ScratchDir root;
    FileManager fm(root.path());
    ASSERT_TRUE(fm.createDirectory("/Prefs"));
    std::vector<std::string> payloads;
    for (char c : std::string("abcd")) payloads.push_back(std::string(64 * 1024, c));
    std::vector<std::thread> threads;
    std::atomic<int> failures{0}, taken{0};
    std::atomic<bool> writing{true};
    // Writing goes on until the sweeper has taken ten temporaries before their writers locked
    // them (a busy machine rarely lets the two meet in a few writes).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (const auto& p : payloads)
        threads.emplace_back([&, p] {
            for (int i = 0; i < 20 || (taken < 10 && std::chrono::steady_clock::now() < deadline); ++i)
                if (!fm.writeAtomically("/Prefs/shared", p.data(), p.size())) ++failures;
        });
    // Another process's start-up clearing leftovers all the while takes none of the writes.
    std::thread sweeper([&] {
        FileManager other(root.path());
        while (writing) taken += other.removeLeftoverTemporaries("/Prefs");
    });
    for (auto& t : threads) t.join();
    writing = false;
    sweeper.join();
    EXPECT_EQ(failures.load(), 0);
    std::string final = testenv::readFile(root / "Prefs/shared");
    EXPECT_NE(std::find(payloads.begin(), payloads.end(), final), payloads.end());
    EXPECT_EQ(listNames(root / "Prefs"), std::vector<std::string>{"shared"});
}

TEST(FileManager, LeftoverTemporariesGoOnlyOnceTheirWriterIsGone) {
    testenv::ScratchDir root;
    FileManager fm(root.path());
    const fs::path folder = root / "DCIM/100APPLE";
    fs::create_directories(folder / "deeper");
    // Abandoned: nobody holds them, whatever process id the name carries (this one's too).
    testenv::writeFile(folder / ".kestrova-tmp-1-0.tmp", "a");
    testenv::writeFile(folder / "deeper" / (".kestrova-tmp-" + std::to_string(getpid()) + "-9.tmp"), "b");
    // In progress: locked by its writer.
    testenv::writeFile(folder / ".kestrova-tmp-2-0.tmp", "c");
    const int fd = ::open((folder / ".kestrova-tmp-2-0.tmp").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    // A FIFO with the prefix is not opened in a way that waits, and not removed.
    ASSERT_EQ(::mkfifo((folder / ".kestrova-tmp-3-0.tmp").c_str(), 0600), 0);
    // Only the prefix marks a temporary.
    testenv::writeFile(folder / "IMG_0001.JPG", "j");
    testenv::writeFile(folder / "notes.kestrova-tmp-1-0.tmp", "j");

    EXPECT_EQ(fm.removeLeftoverTemporaries("/DCIM"), 2);
    EXPECT_EQ(listNames(folder),
              (std::vector<std::string>{".kestrova-tmp-2-0.tmp", ".kestrova-tmp-3-0.tmp", "IMG_0001.JPG", "deeper",
                                        "notes.kestrova-tmp-1-0.tmp"}));
    ::close(fd);
    EXPECT_EQ(fm.removeLeftoverTemporaries("/DCIM"), 1);
    EXPECT_FALSE(fs::exists(folder / ".kestrova-tmp-2-0.tmp"));
}

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
}
