#pragma once
// The application's bundle: a folder of resources, its information property list, named
// images (1x and @2x) and the localized strings table for the device language.
#include "platform/foundation/PropertyValue.h"
#include "platform/foundation/StringsTable.h"

#include <filesystem>
#include <optional>
#include <string>

namespace platform {

class Bundle {
public:
    // `language` is the device language the host chose ("en", "ja", "zh-Hans", ...); one the
    // bundle has no strings table for falls back to "en". Reads everything it needs at once.
    explicit Bundle(std::filesystem::path folder, const std::string& language = "en");

    // The application's bundle (installed by the host or a test fixture).
    static Bundle& mainBundle();
    static void setMainBundle(Bundle* bundle);

    const std::filesystem::path& bundlePath() const { return folder_; }
    const std::string& language() const { return language_; }

    // The file "name.type" (just "name" when type is empty), looked for in the language's folder,
    // the bundle folder, its images folder, then the English folder. Nothing when missing, or
    // when the name tries to leave the bundle.
    std::optional<std::filesystem::path> pathForResource(const std::string& name, const std::string& type) const;
    // A named image ("sb_color-full.png"; no extension means .png): at scale 2 or more its @2x
    // file when there is one, else the 1x file.
    std::optional<std::filesystem::path> pathForImage(const std::string& name, int scale) const;

    // Keys of Info.plist; empty / nothing when absent.
    std::optional<PropertyValue> objectForInfoDictionaryKey(const std::string& key) const;
    std::string bundleIdentifier() const;
    // The short version string ("2.1").
    std::string version() const;

    // The text of `key` in the language's Localizable.strings; empty when the table lacks it.
    std::string localizedString(const std::string& key) const;

private:
    std::optional<std::filesystem::path> findFile(const std::string& fileName) const;

    std::filesystem::path folder_;
    std::string language_;
    PropertyDictionary info_;
    StringsTable strings_;
};

}  // namespace platform
