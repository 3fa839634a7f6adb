#include "platform/foundation/DirectoryLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

std::unique_ptr<DirectoryLock> DirectoryLock::tryLock(const std::filesystem::path& folder, Outcome* outcome) {
    *outcome = Outcome::Unsupported;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) *outcome = Outcome::HeldElsewhere;
        ::close(fd);
        return nullptr;
    }
    *outcome = Outcome::Locked;
    return std::unique_ptr<DirectoryLock>(new DirectoryLock(fd));
}

DirectoryLock::~DirectoryLock() { ::close(fd_); }

}  // namespace platform
