#include "platform/foundation/Bundle.h"
#include "platform/foundation/StringFormat.h"
#include "platform/foundation/StringsTable.h"

#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

using namespace platform;
namespace fs = std::filesystem;

TEST(Bundle, StringsOfEveryLanguageFromTheBuiltBundle) {
    // The tables themselves are data; one language beside English shows they are read.
    struct Case { const char* language; const char* camera; };
    for (auto c : {Case{"en", "Camera"}, Case{"ja", "\xe3\x82\xab\xe3\x83\xa1\xe3\x83\xa9"}}) {
        SCOPED_TRACE(c.language);
        Bundle b(testenv::bundleDir(), c.language);
        EXPECT_EQ(b.language(), c.language);
        EXPECT_EQ(b.localizedString("CAMERABUTTON"), c.camera);
        EXPECT_EQ(b.localizedString("NO_SUCH_KEY"), "");
    }
    // A language without a table, or one that names a path, falls back to English.
    EXPECT_EQ(Bundle(testenv::bundleDir(), "es").language(), "en");
    EXPECT_EQ(Bundle(testenv::bundleDir(), "../en").localizedString("CAMERABUTTON"), "Camera");

    Bundle b(testenv::bundleDir(), "de");
    EXPECT_EQ(b.bundleIdentifier(), "org.kestrova.camera");
    EXPECT_EQ(b.version(), "2.1");
}

TEST(Bundle, ResourcesAndImagesByNameAndScale) {
    testenv::ScratchDir scratch;
    const fs::path dir = scratch / "Kestrova.app";
    testenv::writeFile(dir / "en.lproj/Localizable.strings", "\"K\" = \"en\";");
    testenv::writeFile(dir / "ja.lproj/Localizable.strings", "\"K\" = \"ja\";");
    testenv::writeFile(dir / "ja.lproj/help.html", "ja");
    testenv::writeFile(dir / "help.html", "plain");
    testenv::writeFile(dir / "en.lproj/only_en.html", "en");
    testenv::writeFile(dir / "images/sb_a.png", "1x");
    testenv::writeFile(dir / "images/sb_a@2x.png", "2x");
    testenv::writeFile(dir / "images/sb_b.png", "1x");
    testenv::writeFile(dir / "images/sb_c@2x.png", "2x only");
    testenv::writeFile(scratch / "outside.html", "no");

    Bundle ja(dir, "ja");
    Bundle en(dir, "en");
    // The language's folder first, then the bundle folder, then English.
    EXPECT_EQ(ja.pathForResource("help", "html"), dir / "ja.lproj/help.html");
    EXPECT_EQ(en.pathForResource("help", "html"), dir / "help.html");
    EXPECT_EQ(ja.pathForResource("only_en", "html"), dir / "en.lproj/only_en.html");
    EXPECT_EQ(en.pathForResource("missing", "html"), std::nullopt);
    EXPECT_EQ(en.pathForResource("../outside", "html"), std::nullopt);

    // @2x at scale 2 when present, else 1x; a missing 1x is not made up from the @2x.
    EXPECT_EQ(en.pathForImage("sb_a.png", 2), dir / "images/sb_a@2x.png");
    EXPECT_EQ(en.pathForImage("sb_a.png", 1), dir / "images/sb_a.png");
    EXPECT_EQ(en.pathForImage("sb_a", 2), dir / "images/sb_a@2x.png");
    EXPECT_EQ(en.pathForImage("sb_b.png", 2), dir / "images/sb_b.png");
    EXPECT_EQ(en.pathForImage("sb_c.png", 1), std::nullopt);
    EXPECT_EQ(en.pathForImage("sb_c.png", 2), dir / "images/sb_c@2x.png");
}

TEST(StringsTable, CommentsEscapesAndEncodings) {
    // Phase 1: the classic format with comments and escapes.
    auto t = StringsTable::parse(
        "/* a comment with \"quotes\" = \"x\"; */\n"
        "\"A\" = \"say \\\"hi\\\"\\nnext line\";  // trailing comment\n"
        "\"B\"=\"back\\\\slash \\u00e9\\U00E8\";\n"
        "\"EMOJI\" = \"\\UD83D\\UDE00\";\n"
        "\"A\" = \"last one wins\";\n");
    EXPECT_TRUE(t.complete());
    EXPECT_EQ(t.size(), 3u);
    EXPECT_EQ(t.lookup("A"), "last one wins");
    EXPECT_EQ(t.lookup("B"), "back\\slash \xc3\xa9\xc3\xa8");
    EXPECT_EQ(t.lookup("EMOJI"), "\xf0\x9f\x98\x80");
    EXPECT_EQ(StringsTable::parse("\"Q\" = \"say \\\"hi\\\"\\nnext\";").lookup("Q"), "say \"hi\"\nnext");

    // Phase 2: UTF-16 in both byte orders and UTF-8 with a byte-order mark.
    auto utf16 = [](const std::u16string& s, bool bigEndian) {
        std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (char16_t c : s) {
            char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
            out += bigEndian ? hi : lo;
            out += bigEndian ? lo : hi;
        }
        return out;
    };
    const std::u16string source = u"/* \u30b3\u30e1\u30f3\u30c8 */\n\"CAMERABUTTON\" = \"\u30ab\u30e1\u30e9 \U0001F4F7\";\n";
    const std::string expected = "\xe3\x82\xab\xe3\x83\xa1\xe3\x83\xa9 \xf0\x9f\x93\xb7";
    EXPECT_EQ(StringsTable::parse(utf16(source, false)).lookup("CAMERABUTTON"), expected);
    EXPECT_EQ(StringsTable::parse(utf16(source, true)).lookup("CAMERABUTTON"), expected);
    EXPECT_EQ(StringsTable::parse("\xEF\xBB\xBF\"K\" = \"v\";").lookup("K"), "v");

    // Phase 3: damage keeps what came before it and never reads past the end.
    for (const char* bad : {"\"A\" = \"a\";\n\"B\" = \"unterminated", "\"A\" = \"a\";\n\"B\" \"b\";",
                            "\"A\" = \"a\";\n/* open comment", "\"A\" = \"a\";\n\"B\" = \"b\"", "\"A\" = \"a\";\n\"B\" = \"\\"}) {
        SCOPED_TRACE(bad);
        auto d = StringsTable::parse(bad);
        EXPECT_FALSE(d.complete());
        EXPECT_EQ(d.lookup("A"), "a");
        EXPECT_EQ(d.lookup("B"), std::nullopt);
    }
    EXPECT_EQ(StringsTable::parse(std::string("\xFF\xFE\x22", 3)).size(), 0u);  // odd UTF-16 length
    EXPECT_FALSE(StringsTable::load("/nonexistent/Localizable.strings"));
}

TEST(StringFormat, KnownSpecifiersAndEverythingElseLiterally) {
    EXPECT_EQ(StringFormat::format("Version %@", {"2.1"}), "Version 2.1");
    EXPECT_EQ(StringFormat::format("%s and %@", {"a", std::string("b")}), "a and b");
    EXPECT_EQ(StringFormat::format("%d pictures, 100%%", {12}), "12 pictures, 100%");
    EXPECT_EQ(StringFormat::format("%d", {" -7 apples"}), "-7");
    EXPECT_EQ(StringFormat::format("%@", {42}), "42");
    // Positions let a translation reorder its arguments.
    EXPECT_EQ(StringFormat::format("%2$@ %1$@", {"world", "hello"}), "hello world");
    // Anything else stays as it is: printf's dangerous or unknown specifiers and missing arguments.
    EXPECT_EQ(StringFormat::format("%n%x%08.3f %ld", {"a"}), "%n%x%08.3f %ld");
    EXPECT_EQ(StringFormat::format("%@ %@", {"one"}), "one %@");
    EXPECT_EQ(StringFormat::format("%3$@ %0$@", {"a"}), "%3$@ %0$@");
    EXPECT_EQ(StringFormat::format("trailing %", {}), "trailing %");
    EXPECT_EQ(StringFormat::format("%%@", {"x"}), "%@");
}
