#pragma once
// Reads a whole regular file without ever blocking on what is not one: the type is checked before
// the file is opened (a FIFO or a device is never opened), and again on what was opened, without
// waiting, in case the name changed in between. A size limit applies before anything is read.
// Any thread.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace platform {

class RegularFile {
public:
    enum class Problem { None, Missing, NotRegular, TooLarge, Unreadable };
    struct Contents {
        std::optional<std::vector<uint8_t>> bytes;  // nothing on any problem
        Problem problem = Problem::None;
    };
    // Links are followed.
    static Contents read(const std::filesystem::path& path, size_t maxBytes);
};

}  // namespace platform
