// The fonts text is drawn with: only the files we name, every family name falling back to one
// sans family, and a missing file named with its package.
#include "platform/graphics/FontLibrary.h"
#include "platform/graphics/SurfaceContext.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>
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
    // The fallbacks themselves are there by name.
    EXPECT_EQ(fileName(library.fileFor("DejaVu Sans")), "DejaVuSans.ttf");
    EXPECT_EQ(fileName(library.fileFor("WenQuanYi Micro Hei")), "wqy-microhei.ttc");
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

    // With every standard file present there is nothing to report.
    FontLibrary standard(FontLibrary::standardFiles());
    EXPECT_FALSE(standard.problem());
}

TEST(FontLibrary, ThreadsDrawTheSameTextToTheSamePixels) {
    // Each thread lays out and draws through its own font map over the one configuration.
    auto render = [] {
        auto context = platform::SurfaceContext::create(240, 80, 2, true);
        context->drawText("Kestrova \u30AB\u30E1\u30E9 \u22C5", {0, 0, 120, 40}, platform::Font::boldSystem(14),
                          platform::Color::white(1));
        cairo_surface_t* s = context->surface();
        cairo_surface_flush(s);
        const uint8_t* d = cairo_image_surface_get_data(s);
        return std::vector<uint8_t>(d, d + size_t(cairo_image_surface_get_stride(s)) * 80);
    };
    const std::vector<uint8_t> here = render();
    ASSERT_GT(std::count_if(here.begin(), here.end(), [](uint8_t b) { return b == 0xFF; }), 100);
    std::vector<std::vector<uint8_t>> there(3);
    std::vector<std::thread> threads;
    for (auto& out : there) threads.emplace_back([&out, &render] { out = render(); });
    for (auto& t : threads) t.join();
    for (const auto& out : there) EXPECT_TRUE(out == here);
}
