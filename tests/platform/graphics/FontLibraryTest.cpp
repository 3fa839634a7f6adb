// The fonts text is drawn with: only the files we name, every family name falling back to one
// sans family, and a missing file named with its package.
#include "platform/graphics/FontLibrary.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

using platform::FontLibrary;

namespace {

std::string fileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

}  // namespace

TEST(FontLibrary, HoldsOnlyItsOwnFilesAndEveryNameLandsOnThem) {
    FontLibrary& library = FontLibrary::shared();
    ASSERT_FALSE(library.problem()) << *library.problem();
    // The .ttc holds the proportional and the monospaced CJK face.
    EXPECT_EQ(library.families(), (std::vector<std::string>{"DejaVu Sans", "Liberation Sans", "WenQuanYi Micro Hei",
                                                            "WenQuanYi Micro Hei Mono"}));
    // The names our text asks for resolve to the sans family metric-compatible with Helvetica.
    for (const char* name : {"Helvetica", "Arial", "sans-serif", FontLibrary::kInterfaceFamily}) {
        EXPECT_EQ(fileName(library.fileFor(name)), "LiberationSans-Regular.ttf") << name;
        EXPECT_EQ(fileName(library.fileFor(name, true)), "LiberationSans-Bold.ttf") << name;
    }
    // Families the machine may have but we do not hold fall back to it too, serif ones included.
    for (const char* name : {"DejaVu Serif", "Times New Roman", "serif", "monospace", "NoSuchFamily"})
        EXPECT_EQ(fileName(library.fileFor(name)), "LiberationSans-Regular.ttf") << name;
}

TEST(FontLibrary, AMissingFileIsNamedWithItsPackageAndTheOthersStillLoad) {
    std::vector<FontLibrary::FontFile> files = {
        {"fonts-liberation2", "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf"},
        {"fonts-example", "/nonexistent/fonts/Example-Regular.ttf"},
        {"fonts-other", "/nonexistent/fonts/Other.ttf"},
    };
    FontLibrary library(files);
    ASSERT_TRUE(library.problem());
    // One line: the first missing file and the package to install.
    EXPECT_EQ(*library.problem(),
              "font file /nonexistent/fonts/Example-Regular.ttf is missing: install the Debian package fonts-example");
    EXPECT_EQ(library.families(), std::vector<std::string>{"Liberation Sans"});
    EXPECT_EQ(fileName(library.fileFor("Helvetica")), "LiberationSans-Regular.ttf");
}
