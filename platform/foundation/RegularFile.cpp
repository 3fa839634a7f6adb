#include "platform/foundation/RegularFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

RegularFile::Contents fail(RegularFile::Problem p) {
    RegularFile::Contents c;
    c.problem = p;
    return c;
}

}  // namespace

RegularFile::Contents RegularFile::read(const std::filesystem::path& path, size_t maxBytes) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return fail(errno == ENOENT ? Problem::Missing : Problem::Unreadable);
    if (!S_ISREG(st.st_mode)) return fail(Problem::NotRegular);
    if (uintmax_t(st.st_size) > maxBytes) return fail(Problem::TooLarge);
    // O_NONBLOCK: should the name have become a FIFO since, opening it does not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return fail(Problem::Unreadable);
    Contents out;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) out.problem = Problem::NotRegular;
    else if (uintmax_t(st.st_size) > maxBytes) out.problem = Problem::TooLarge;
    if (out.problem != Problem::None) {
        ::close(fd);
        return out;
    }
    std::vector<uint8_t> data(size_t(st.st_size));
    size_t got = 0;
    for (;;) {
        // One byte more than the limit tells a file that grew past it.
        if (got == data.size()) {
            if (data.size() > maxBytes) break;
            data.resize(std::min(maxBytes + 1, std::max<size_t>(data.size() * 2, 4096)));
        }
        const ssize_t n = ::read(fd, data.data() + got, data.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            out.problem = Problem::Unreadable;
            break;
        }
        if (n == 0) break;
        got += size_t(n);
    }
    ::close(fd);
    if (out.problem == Problem::None && got > maxBytes) out.problem = Problem::TooLarge;
    if (out.problem != Problem::None) return out;
    data.resize(got);
    out.bytes = std::move(data);
    return out;
}

}  // namespace platform
