#include "platform/foundation/Bundle.h"

#include "platform/foundation/PlistNode.h"

#include <atomic>
#include <cassert>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace platform {
namespace {

std::atomic<Bundle*> gMain{nullptr};

constexpr const char* kFallbackLanguage = "en";

fs::path stringsPath(const fs::path& folder, const std::string& language) {
    return folder / (language + ".lproj") / "Localizable.strings";
}

bool isRegularFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

// A relative name without ".." that stays inside the folder it is looked up in.
bool isSafeName(const std::string& name) {
    if (name.empty() || name.find('\0') != std::string::npos) return false;
    fs::path p(name);
    if (p.is_absolute()) return false;
    for (const auto& part : p)
        if (part == "..") return false;
    return true;
}

PropertyDictionary readInfo(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto value = PlistNode::parse(bytes.data(), bytes.size()).toValue();
    if (!value || !value->asDictionary()) return {};
    return std::move(*value->asDictionary());
}

}  // namespace

Bundle::Bundle(fs::path folder, const std::string& language) : folder_(std::move(folder)) {
    language_ = isSafeName(language) && isRegularFile(stringsPath(folder_, language)) ? language : kFallbackLanguage;
    info_ = readInfo(folder_ / "Info.plist");
    if (auto table = StringsTable::load(stringsPath(folder_, language_))) strings_ = std::move(*table);
}

Bundle& Bundle::mainBundle() {
    Bundle* b = gMain.load();
    assert(b && "no main bundle installed");
    return *b;
}

void Bundle::setMainBundle(Bundle* bundle) { gMain.store(bundle); }

std::optional<fs::path> Bundle::findFile(const std::string& fileName) const {
    if (!isSafeName(fileName)) return std::nullopt;
    const fs::path candidates[] = {folder_ / (language_ + ".lproj"), folder_, folder_ / "images",
                                   folder_ / (std::string(kFallbackLanguage) + ".lproj")};
    for (const auto& dir : candidates) {
        fs::path p = dir / fileName;
        if (isRegularFile(p)) return p;
    }
    return std::nullopt;
}

std::optional<fs::path> Bundle::pathForResource(const std::string& name, const std::string& type) const {
    return findFile(type.empty() ? name : name + "." + type);
}

std::optional<fs::path> Bundle::pathForImage(const std::string& name, int scale) const {
    fs::path p(name);
    std::string ext = p.has_extension() ? p.extension().string() : ".png";
    std::string stem = p.has_extension() ? name.substr(0, name.size() - ext.size()) : name;
    if (scale >= 2) {
        if (auto twice = findFile(stem + "@2x" + ext)) return twice;
    }
    return findFile(stem + ext);
}

std::optional<PropertyValue> Bundle::objectForInfoDictionaryKey(const std::string& key) const {
    auto it = info_.find(key);
    if (it == info_.end()) return std::nullopt;
    return it->second;
}

std::string Bundle::bundleIdentifier() const {
    auto v = objectForInfoDictionaryKey("CFBundleIdentifier");
    return v ? v->stringValue().value_or("") : "";
}

std::string Bundle::version() const {
    auto v = objectForInfoDictionaryKey("CFBundleShortVersionString");
    return v ? v->stringValue().value_or("") : "";
}

std::string Bundle::localizedString(const std::string& key) const { return strings_.lookup(key).value_or(""); }

}  // namespace platform
