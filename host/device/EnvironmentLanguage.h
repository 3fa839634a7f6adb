#pragma once
// The device language a desktop user expects, read from the locale environment: the first entry
// of LANGUAGE (a colon-separated list) that we have strings for, else the first of LC_ALL,
// LC_MESSAGES and LANG that is set. "en" when that names nothing we have (C, POSIX, unset).
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace host {

class EnvironmentLanguage {
public:
    using Getenv = std::function<const char*(const char*)>;

    static std::string choose(const Getenv& getenv);
    // One locale name ("ja_JP.UTF-8", "zh_TW", "de", "fr_CA@euro") as a device language
    // ("ja", "zh-Hant", "de", "fr"); nothing for C, POSIX and languages the bundle lacks.
    static std::optional<std::string> fromLocaleName(std::string_view name);
};

}  // namespace host
