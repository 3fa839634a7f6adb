#include "platform/foundation/TextFile.h"

#include <cstdint>
#include <fstream>
#include <iterator>

namespace platform {
namespace {

constexpr std::string_view kUTF8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUTF16LEMark = "\xFF\xFE";
constexpr std::string_view kUTF16BEMark = "\xFE\xFF";

std::optional<std::string> readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

void appendUTF8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// Whether `s` is well-formed UTF-8: shortest forms only, no surrogates, nothing above U+10FFFF.
bool validUTF8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        auto b = uint8_t(s[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        size_t n;
        char32_t c, min;
        if ((b & 0xE0) == 0xC0) n = 1, c = b & 0x1F, min = 0x80;
        else if ((b & 0xF0) == 0xE0) n = 2, c = b & 0x0F, min = 0x800;
        else if ((b & 0xF8) == 0xF0) n = 3, c = b & 0x07, min = 0x10000;
        else return false;
        if (i + n >= s.size()) return false;  // truncated sequence
        for (size_t k = 1; k <= n; ++k) {
            auto cb = uint8_t(s[i + k]);
            if ((cb & 0xC0) != 0x80) return false;
            c = (c << 6) | (cb & 0x3F);
        }
        if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        i += n + 1;
    }
    return true;
}

}  // namespace

std::optional<std::string> TextFile::readUTF8(const std::filesystem::path& path) {
    auto bytes = readBytes(path);
    if (!bytes) return std::nullopt;
    return decodeUTF8(*bytes);
}

std::optional<std::string> TextFile::readDefault(const std::filesystem::path& path) {
    auto bytes = readBytes(path);
    if (!bytes) return std::nullopt;
    return decodeDefault(*bytes);
}

std::optional<std::string> TextFile::decodeUTF8(std::string_view bytes) {
    if (startsWith(bytes, kUTF8Mark)) bytes.remove_prefix(kUTF8Mark.size());
    if (!validUTF8(bytes)) return std::nullopt;
    return std::string(bytes);
}

std::optional<std::string> TextFile::decodeDefault(std::string_view bytes) {
    if (startsWith(bytes, kUTF8Mark)) return decodeUTF8(bytes);
    if (startsWith(bytes, kUTF16LEMark)) return decodeUTF16(bytes.substr(2), false);
    if (startsWith(bytes, kUTF16BEMark)) return decodeUTF16(bytes.substr(2), true);
    return decodeLatin1(bytes);
}

std::string TextFile::decodeLatin1(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char ch : bytes) appendUTF8(out, char32_t(uint8_t(ch)));
    return out;
}

std::optional<std::string> TextFile::decodeUTF16(std::string_view bytes, bool bigEndian) {
    if (bytes.size() % 2 != 0) return std::nullopt;
    auto unit = [&](size_t i) -> char32_t {
        auto a = uint8_t(bytes[i]), b = uint8_t(bytes[i + 1]);
        return bigEndian ? char32_t(a << 8 | b) : char32_t(b << 8 | a);
    };
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); i += 2) {
        char32_t c = unit(i);
        if (c >= 0xDC00 && c <= 0xDFFF) return std::nullopt;
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 2 >= bytes.size()) return std::nullopt;
            char32_t low = unit(i + 2);
            if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        appendUTF8(out, c);
    }
    return out;
}

}  // namespace platform
