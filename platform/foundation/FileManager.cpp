#include "platform/foundation/FileManager.h"

#include "platform/foundation/RegularFile.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cerrno>
#include <cstdio>
#include <deque>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace platform {
namespace {

std::atomic<FileManager*> gDefault{nullptr};
std::atomic<unsigned> gTempCounter{0};

constexpr int kMaxSymlinkHops = 40;
constexpr int kMaxEnumerateDepth = 128;

// The components of a device path; nothing when one of them is "..".
std::optional<std::vector<std::string>> deviceComponents(const std::string& devicePath) {
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= devicePath.size()) {
        size_t j = devicePath.find('/', i);
        if (j == std::string::npos) j = devicePath.size();
        std::string c = devicePath.substr(i, j - i);
        if (c == "..") return std::nullopt;
        if (!c.empty() && c != ".") parts.push_back(std::move(c));
        i = j + 1;
    }
    return parts;
}

bool isBeneath(const fs::path& p, const fs::path& root) {
    auto r = root.begin(), q = p.begin();
    for (; r != root.end(); ++r, ++q) {
        if (r->empty()) continue;  // trailing separator of the root
        if (q == p.end() || *q != *r) return false;
    }
    return true;
}

// Follows `parts` from `start` the way the kernel would, resolving every symlink on the way
// (targets may be relative or absolute). Components that do not exist yet are taken as they are.
// Nothing when links nest too deeply.
std::optional<fs::path> realPath(const fs::path& start, std::deque<std::string> parts) {
    fs::path cur = start;
    int hops = 0;
    while (!parts.empty()) {
        std::string c = std::move(parts.front());
        parts.pop_front();
        if (c.empty() || c == ".") continue;
        if (c == "..") {
            cur = cur.parent_path();
            continue;
        }
        fs::path next = cur / c;
        struct stat st;
        if (::lstat(next.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            cur = std::move(next);
            continue;
        }
        if (++hops > kMaxSymlinkHops) return std::nullopt;
        std::error_code ec;
        fs::path target = fs::read_symlink(next, ec);
        if (ec) return std::nullopt;
        std::deque<std::string> linkParts;
        for (const auto& p : target.relative_path()) linkParts.push_back(p.string());
        parts.insert(parts.begin(), linkParts.begin(), linkParts.end());
        if (target.is_absolute()) cur = "/";
    }
    return cur;
}

// Writes everything, retrying short writes and interruptions.
bool writeAll(int fd, const void* bytes, size_t length) {
    auto p = static_cast<const char*>(bytes);
    while (length > 0) {
        ssize_t n = ::write(fd, p, length);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

// Moves `from` to `to` in `dirfd` unless `to` exists. Filesystems without RENAME_NOREPLACE get a
// hard link (which also refuses an existing name) followed by removing the temporary name.
bool renameNoReplace(int dirfd, const char* from, const char* to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(dirfd, from, dirfd, to, RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
#endif
    if (::linkat(dirfd, from, dirfd, to, 0) != 0) return false;
    ::unlinkat(dirfd, from, 0);
    return true;
}

// Walks `dir` (on device `dev`) below `prefix`. directory_iterator keeps one open folder per
// level and nothing else.
void visitBelow(const fs::path& dir, dev_t dev, const std::string& prefix, int depth,
                const FileManager::EntryVisitor& visit, const FileManager::LinkFilter& followLink) {
    std::error_code ec;
    fs::directory_iterator it(dir, ec);
    if (ec) return;  // unreadable: skipped
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        const std::string name = it->path().filename().string();
        const std::string rel = prefix.empty() ? name : prefix + "/" + name;
        visit(rel);
        if (depth >= kMaxEnumerateDepth) continue;
        struct stat st;
        if (::lstat(it->path().c_str(), &st) != 0) continue;
        if (S_ISLNK(st.st_mode)) {
            // Only links the caller names, and only at the top, are followed, into whatever
            // file system they lead to.
            if (depth > 0 || !followLink || !followLink(name)) continue;
            if (::stat(it->path().c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
            visitBelow(it->path(), st.st_dev, rel, depth + 1, visit, followLink);
        } else if (S_ISDIR(st.st_mode) && st.st_dev == dev) {
            visitBelow(it->path(), dev, rel, depth + 1, visit, followLink);
        }
    }
}

// Removes a temporary whose writer no longer holds its lock. The lock is taken on the open file,
// so the name is removed only while it still names the file that was locked.
bool removeIfAbandoned(const fs::path& p) {
    const int fd = ::open(p.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat held, named;
    bool removed = false;
    if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::lstat(p.c_str(), &named) == 0 && named.st_dev == held.st_dev && named.st_ino == held.st_ino)
        removed = ::unlink(p.c_str()) == 0;
    ::close(fd);
    return removed;
}

}  // namespace

FileManager::FileManager(fs::path deviceRoot) : root_(std::move(deviceRoot)) {}

FileManager& FileManager::defaultManager() {
    FileManager* fm = gDefault.load();
    assert(fm && "no default file manager installed");
    return *fm;
}

void FileManager::setDefaultManager(FileManager* fm) { gDefault.store(fm); }

std::optional<fs::path> FileManager::resolve(const std::string& devicePath) const {
    auto parts = deviceComponents(devicePath);
    if (!parts) return std::nullopt;
    std::error_code ec;
    fs::path realRoot = fs::weakly_canonical(fs::absolute(root_, ec), ec);
    if (ec) return std::nullopt;
    auto real = realPath(realRoot, {parts->begin(), parts->end()});
    if (!real) return std::nullopt;
    fs::path host = root_;
    for (const auto& p : *parts) host /= p;
    if (!isBeneath(*real, realRoot)) {
        // Out of the root only through folders: the path's own last entry may not be a link to
        // something that is not a folder (a file elsewhere, or nothing at all).
        struct stat lst, st;
        if (::lstat(host.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode) &&
            (::stat(host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)))
            return std::nullopt;
    }
    return host;
}

bool FileManager::fileExists(const std::string& devicePath) const {
    auto p = resolve(devicePath);
    std::error_code ec;
    return p && fs::exists(*p, ec);
}

std::optional<fs::path> FileManager::resolveEntry(const std::string& devicePath) const {
    auto parts = deviceComponents(devicePath);
    if (!parts || parts->empty()) return std::nullopt;
    std::string parent;
    for (size_t i = 0; i + 1 < parts->size(); ++i) parent += "/" + (*parts)[i];
    auto dir = resolve(parent);
    if (!dir) return std::nullopt;
    return *dir / parts->back();
}

bool FileManager::entryExists(const std::string& devicePath) const {
    auto entry = resolveEntry(devicePath);
    struct stat st;
    return entry && ::lstat(entry->c_str(), &st) == 0;
}

bool FileManager::isDirectory(const std::string& devicePath) const {
    auto p = resolve(devicePath);
    std::error_code ec;
    return p && fs::is_directory(*p, ec);
}

bool FileManager::createDirectory(const std::string& devicePath) const {
    auto p = resolve(devicePath);
    if (!p) return false;
    std::error_code ec;
    fs::create_directories(*p, ec);
    return fs::is_directory(*p, ec);
}

std::vector<std::string> FileManager::contentsOfDirectory(const std::string& devicePath) const {
    std::vector<std::string> names;
    auto p = resolve(devicePath);
    if (!p) return names;
    std::error_code ec;
    fs::directory_iterator it(*p, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void FileManager::visitEntries(const std::string& devicePath, const EntryVisitor& visit,
                               const LinkFilter& followLink) const {
    auto p = resolve(devicePath);
    struct stat st;
    if (!p || ::stat(p->c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
    visitBelow(*p, st.st_dev, "", 0, visit, followLink);
}

bool FileManager::removeItem(const std::string& devicePath) const {
    // The item itself may be a symlink, which goes, not its target.
    auto item = resolveEntry(devicePath);
    if (!item) return false;
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(*item, ec))) return false;
    fs::remove_all(*item, ec);
    return !ec;
}

std::optional<std::vector<uint8_t>> FileManager::contents(const std::string& devicePath, size_t maxBytes) const {
    auto p = resolve(devicePath);
    if (!p) return std::nullopt;
    return RegularFile::read(*p, maxBytes).bytes;
}

int FileManager::removeLeftoverTemporaries(const std::string& devicePath, const LinkFilter& followLink) const {
    auto base = resolve(devicePath);
    if (!base) return 0;
    const std::string prefix = kTemporaryPrefix;
    int removed = 0;
    visitEntries(
        devicePath,
        [&](const std::string& rel) {
            const auto slash = rel.rfind('/');
            const std::string name = slash == std::string::npos ? rel : rel.substr(slash + 1);
            if (name.rfind(prefix, 0) == 0 && removeIfAbandoned(*base / rel)) ++removed;
        },
        followLink);
    return removed;
}

bool FileManager::writeAtomically(const std::string& devicePath, const void* bytes, size_t length,
                                  bool replaceExisting) const {
    auto p = resolve(devicePath);
    if (!p || !p->has_filename()) return false;
    return writeFileAtomically(*p, bytes, length, replaceExisting);
}

bool FileManager::writeFileAtomically(const fs::path& hostPath, const void* bytes, size_t length,
                                      bool replaceExisting) {
    if (!hostPath.has_filename()) return false;
    fs::path dir = hostPath.parent_path();
    if (dir.empty()) dir = ".";
    const std::string name = hostPath.filename().string();
    int dirfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirfd < 0) return false;

    std::string temp;
    int fd = -1, lock = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = std::string(kTemporaryPrefix) + std::to_string(::getpid()) + "-" +
               std::to_string(gTempCounter.fetch_add(1)) + ".tmp";
        fd = ::openat(dirfd, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            if (errno != EEXIST) break;
            continue;
        }
        // The lock is held through a read-only descriptor of its own, so the data is closed (and
        // seen closed by anyone watching) before the rename while the temporary stays locked.
        // Another process's clean-up may have taken the new name for abandoned in the moment
        // before the lock: then it is gone, and the write starts over under a new name.
        lock = ::openat(dirfd, temp.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (lock < 0 || ::flock(lock, LOCK_EX) != 0) {
            // A file system without locks: written as before there were any.
            if (lock >= 0) ::close(lock);
            lock = -1;
            break;
        }
        struct stat held, named, written;
        if (::fstat(lock, &held) == 0 && ::fstat(fd, &written) == 0 &&
            ::fstatat(dirfd, temp.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && held.st_ino == written.st_ino &&
            named.st_dev == held.st_dev && named.st_ino == held.st_ino)
            break;
        ::close(lock);
        lock = -1;
        ::close(fd);
        fd = -1;
    }
    if (fd < 0) {
        ::close(dirfd);
        return false;
    }
    bool ok = writeAll(fd, bytes, length) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) {
        ok = replaceExisting ? ::renameat(dirfd, temp.c_str(), dirfd, name.c_str()) == 0
                             : renameNoReplace(dirfd, temp.c_str(), name.c_str());
    }
    if (ok) ::fsync(dirfd);  // the rename itself is durable only once the folder is
    else ::unlinkat(dirfd, temp.c_str(), 0);
    if (lock >= 0) ::close(lock);  // only once the temporary has its final name, or is gone
    ::close(dirfd);
    return ok;
}

}  // namespace platform
