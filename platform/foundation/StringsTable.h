#pragma once
// A strings table ("Localizable.strings"): lines of "KEY" = "text"; with /* */ and // comments and
// the escapes \" \\ \n \t \r \uXXXX. UTF-8 (with or without a byte-order mark) or UTF-16 with a
// byte-order mark.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace platform {

class StringsTable {
public:
    StringsTable() = default;

    // Reads every entry up to the first syntax error, if any (complete() tells).
    static StringsTable parse(std::string_view bytes);
    // Nothing when the file cannot be read.
    static std::optional<StringsTable> load(const std::filesystem::path& file);

    // The text of `key`; nothing when the table lacks it.
    std::optional<std::string> lookup(const std::string& key) const;
    size_t size() const { return entries_.size(); }
    // False when the file stopped making sense before its end.
    bool complete() const { return complete_; }

private:
    std::unordered_map<std::string, std::string> entries_;
    bool complete_ = true;
};

}  // namespace platform
