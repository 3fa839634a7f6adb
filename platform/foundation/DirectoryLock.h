#pragma once
// An exclusive lock on a folder (flock on the folder itself, so no file is added to it), held for
// the object's life and by no child program. The kernel lets it go when the process ends, however
// it ends.
#include <filesystem>
#include <memory>

namespace platform {

class DirectoryLock {
public:
    enum class Outcome { Locked, HeldElsewhere, Unsupported };
    // Unsupported: the folder cannot be opened, or its file system has no such locks (the caller
    // decides whether to go on without). HeldElsewhere: another open of the folder holds it.
    static std::unique_ptr<DirectoryLock> tryLock(const std::filesystem::path& folder, Outcome* outcome);
    ~DirectoryLock();
    DirectoryLock(const DirectoryLock&) = delete;
    DirectoryLock& operator=(const DirectoryLock&) = delete;

private:
    explicit DirectoryLock(int fd) : fd_(fd) {}
    int fd_;
};

}  // namespace platform
