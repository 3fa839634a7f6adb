#include "host/device/EnvironmentLanguage.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using host::EnvironmentLanguage;

namespace {

std::string chosen(const std::map<std::string, std::string>& vars) {
    return EnvironmentLanguage::choose([&vars](const char* name) -> const char* {
        auto it = vars.find(name);
        return it == vars.end() ? nullptr : it->second.c_str();
    });
}

}  // namespace

TEST(EnvironmentLanguage, LocaleNamesMapToTheBundlesLanguages) {
    const std::pair<const char*, const char*> cases[] = {
        {"ja_JP.UTF-8", "ja"},    {"ja", "ja"},           {"de_DE.UTF-8", "de"},     {"de_AT@euro", "de"},
        {"fr_CA", "fr"},          {"fr_FR.ISO-8859-1", "fr"}, {"en_GB.UTF-8", "en"}, {"zh_CN.UTF-8", "zh-Hans"},
        {"zh_SG", "zh-Hans"},     {"zh", "zh-Hans"},      {"zh_TW.UTF-8", "zh-Hant"}, {"zh_HK.Big5-HKSCS", "zh-Hant"},
        {"zh_MO", "zh-Hant"},     {"zh-Hant", "zh-Hant"}, {"ZH_tw", "zh-Hant"},
    };
    for (const auto& [name, language] : cases) EXPECT_EQ(EnvironmentLanguage::fromLocaleName(name), language) << name;
    // Nothing the bundle has strings for.
    for (const char* name : {"C", "POSIX", "C.UTF-8", "es_ES.UTF-8", "", "jap", "_JP", "ko_KR"})
        EXPECT_FALSE(EnvironmentLanguage::fromLocaleName(name)) << name;
}

TEST(EnvironmentLanguage, LanguageListFirstThenTheFirstLocaleVariableSet) {
    EXPECT_EQ(chosen({}), "en");
    EXPECT_EQ(chosen({{"LANG", "ja_JP.UTF-8"}}), "ja");
    EXPECT_EQ(chosen({{"LANG", "C"}}), "en");
    EXPECT_EQ(chosen({{"LANG", "POSIX"}}), "en");
    // LC_ALL before LC_MESSAGES before LANG, and the first one set decides even when it is C.
    EXPECT_EQ(chosen({{"LC_MESSAGES", "de_DE"}, {"LANG", "fr_FR"}}), "de");
    EXPECT_EQ(chosen({{"LC_ALL", "zh_TW"}, {"LC_MESSAGES", "de_DE"}, {"LANG", "fr_FR"}}), "zh-Hant");
    EXPECT_EQ(chosen({{"LC_ALL", "C"}, {"LANG", "ja_JP.UTF-8"}}), "en");
    // An empty variable counts as unset.
    EXPECT_EQ(chosen({{"LC_ALL", ""}, {"LANG", "fr_FR.UTF-8"}}), "fr");
    // LANGUAGE comes first, its first usable entry wins; with none usable the locale decides.
    EXPECT_EQ(chosen({{"LANGUAGE", "fr:de"}, {"LC_ALL", "ja_JP.UTF-8"}}), "fr");
    EXPECT_EQ(chosen({{"LANGUAGE", "es:pt_BR::zh_HK:de"}, {"LANG", "ja_JP.UTF-8"}}), "zh-Hant");
    EXPECT_EQ(chosen({{"LANGUAGE", "es:it"}, {"LANG", "de_CH.UTF-8"}}), "de");
    EXPECT_EQ(chosen({{"LANGUAGE", ""}, {"LANG", "zh_SG.UTF-8"}}), "zh-Hans");
    EXPECT_EQ(chosen({{"LANGUAGE", "en_US:ja"}, {"LANG", "ja_JP.UTF-8"}}), "en");
}
