// The information page's help text and its encoding rule, and its position line.
#include "ui/info/AboutView.h"

#include "platform/foundation/Bundle.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrova {
namespace {

namespace fs = std::filesystem;

class AboutViewTest : public ::testing::Test {
protected:
    // A bundle of its own whose strings table names `helpFile`, with `page` written as its bytes.
    std::string helpTextOf(const std::string& helpFile, const std::string* page) {
        const fs::path dir = scratch / ("bundle-" + std::to_string(++bundles));
        fs::create_directories(dir / "en.lproj");
        testenv::writeFile(dir / "en.lproj/Localizable.strings", "\"HELP_FILE\" = \"" + helpFile + "\";\n");
        if (page) testenv::writeFile(dir / (helpFile + ".html"), *page);
        platform::Bundle b(dir, "en");
        return AboutView::helpText(b);
    }

    testenv::ScratchDir scratch;
    int bundles = 0;
};

TEST_F(AboutViewTest, HelpTextFollowsTheEncodingRule) {
    const std::string utf8 = "<p>\xE6\xBC\xA2\xE5\xAD\x97 caf\xC3\xA9</p>";  // 漢字 café

    // The Japanese and Chinese pages are read as UTF-8, with or without a byte-order mark.
    for (const char* name : {"help_japanese", "help_zhcn", "help_zhtw"}) {
        EXPECT_EQ(helpTextOf(name, &utf8), utf8) << name;
        const std::string marked = "\xEF\xBB\xBF" + utf8;
        EXPECT_EQ(helpTextOf(name, &marked), utf8) << name;
    }
    // ... and a page under those names that is not UTF-8 is not shown at all.
    const std::string latin1 = "<p>caf\xE9</p>";
    EXPECT_EQ(helpTextOf("help_zhtw", &latin1), "");
    for (const std::string bad : {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "ok\xE6\xBC"})
        EXPECT_EQ(helpTextOf("help_zhcn", &bad), "") << "overlong, surrogate, beyond U+10FFFF, cut short";

    // Any other page without a mark is ISO-8859-1: one byte, one character.
    EXPECT_EQ(helpTextOf("help_german", &latin1), "<p>caf\xC3\xA9</p>");
    EXPECT_EQ(helpTextOf("help_french", &utf8).substr(0, 7), "<p>\xC3\xA6\xC2\xBC");  // UTF-8 bytes taken one by one

    // A byte-order mark selects Unicode: UTF-8, UTF-16 little- and big-endian (a pair for U+1F4F7).
    const std::string marked8 = "\xEF\xBB\xBF" + utf8;
    EXPECT_EQ(helpTextOf("help_other", &marked8), utf8);
    const std::string le = std::string("\xFF\xFE" "c\0\xE9\0\x22\x6F\x3D\xD8\xF7\xDC", 12);
    EXPECT_EQ(helpTextOf("help_other", &le), "c\xC3\xA9\xE6\xBC\xA2\xF0\x9F\x93\xB7");
    const std::string be = std::string("\xFE\xFF\0c\0\xE9\x6F\x22", 8);
    EXPECT_EQ(helpTextOf("help_other", &be), "c\xC3\xA9\xE6\xBC\xA2");
    // Marked UTF-16 that breaks off inside a character is unreadable.
    const std::string broken = std::string("\xFF\xFE" "c\0\x3D\xD8", 6);
    EXPECT_EQ(helpTextOf("help_other", &broken), "");

    // No page, or no name: nothing.
    EXPECT_EQ(helpTextOf("help_missing", nullptr), "");
    EXPECT_EQ(helpTextOf("", nullptr), "");
}

TEST_F(AboutViewTest, EveryLanguageHasItsHelpPageDecodedByTheRule) {
    struct Case {
        const char* language;
        const char* decoded;  // a word that only reads right when the page was decoded by the rule
    };
    for (const Case& c : {Case{"en", "Kestrova Help"}, Case{"de", "Gr\xC3\xB6\xC3\x9F" "e des Ber\xC3\xBChrungsrings"},
                          Case{"fr", "plein \xC3\xA9" "cran"}, Case{"ja", "\xE3\x83\x98\xE3\x83\xAB\xE3\x83\x97"},
                          Case{"zh-Hans", "\xE5\xB8\xAE\xE5\x8A\xA9"}, Case{"zh-Hant", "\xE8\xAA\xAA\xE6\x98\x8E"}}) {
        SCOPED_TRACE(c.language);
        platform::Bundle b(testenv::bundleDir(), c.language);
        const std::string text = AboutView::helpText(b);
        EXPECT_NE(text.find(c.decoded), std::string::npos);
        EXPECT_EQ(text.find("\xEF\xBF\xBD"), std::string::npos) << "a replacement character";
    }
}

TEST_F(AboutViewTest, PositionLineHasTwoDecimalsAndSignedDegrees) {
    // Single precision widened, not the decimal text: 0.125 rounds to even, 0.145f lies below .145.
    EXPECT_EQ(AboutView::positionLine(0.125f, 0.145f), "0.12 0.14");
    // (Signs and the page's line following fixes: InfoPageTest, which alone feeds the process's
    // position.)
}

}  // namespace
}  // namespace kestrova
