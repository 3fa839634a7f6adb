#include "host/device/EnvironmentLanguage.h"

#include <algorithm>
#include <cctype>

namespace host {
namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return out;
}

}  // namespace

std::optional<std::string> EnvironmentLanguage::fromLocaleName(std::string_view name) {
    // language[_territory][.codeset][@modifier]; a hyphen as in "zh-Hant" or "pt-BR" also parts them.
    name = name.substr(0, name.find_first_of(".@"));
    const size_t cut = name.find_first_of("_-");
    const std::string language = lower(name.substr(0, cut));
    const std::string region = cut == std::string_view::npos ? std::string() : lower(name.substr(cut + 1));
    if (language == "en" || language == "ja" || language == "de" || language == "fr") return language;
    if (language == "zh") {
        // Traditional characters where they are written; simplified everywhere else.
        if (region == "tw" || region == "hk" || region == "mo" || region == "hant") return "zh-Hant";
        return "zh-Hans";
    }
    return std::nullopt;
}

std::string EnvironmentLanguage::choose(const Getenv& getenv) {
    if (const char* list = getenv("LANGUAGE")) {
        std::string_view rest(list);
        while (!rest.empty()) {
            const size_t colon = rest.find(':');
            if (auto l = fromLocaleName(rest.substr(0, colon))) return *l;
            rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        }
    }
    // The first of these that is set decides, as it does for the C library's messages.
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = getenv(name);
        if (v && *v) return fromLocaleName(v).value_or("en");
    }
    return "en";
}

}  // namespace host
