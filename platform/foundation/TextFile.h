#pragma once
// Text files read into UTF-8 strings, as the platform's string-from-file calls read them: with a
// named encoding, or with none, when a byte-order mark selects Unicode and anything else is taken
// as the platform's default 8-bit encoding, ISO-8859-1. Any thread.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

class TextFile {
public:
    // Reads `path` as UTF-8; a leading byte-order mark is dropped. Nothing when the file cannot
    // be read or is not valid UTF-8.
    static std::optional<std::string> readUTF8(const std::filesystem::path& path);
    // Reads `path` naming no encoding: a UTF-8, UTF-16LE or UTF-16BE byte-order mark selects that
    // encoding (the mark is dropped); otherwise every byte is one ISO-8859-1 character. Nothing
    // when the file cannot be read, or its marked Unicode is malformed.
    static std::optional<std::string> readDefault(const std::filesystem::path& path);

    // The same on bytes already in memory.
    static std::optional<std::string> decodeUTF8(std::string_view bytes);
    static std::optional<std::string> decodeDefault(std::string_view bytes);
    static std::string decodeLatin1(std::string_view bytes);
    // Nothing for an odd number of bytes or a lone surrogate.
    static std::optional<std::string> decodeUTF16(std::string_view bytes, bool bigEndian);
};

}  // namespace platform
