// The information page as the "AboutPage" file makes it: outlets and actions, the help text and its
// encoding rule, the position line, and the help overlay's opacities.
#include "ui/info/AboutView.h"

#include "app/InterfaceClasses.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/RunLoop.h"
#include "platform/location/LocationServices.h"
#include "platform/ui/Button.h"
#include "platform/ui/InterfaceLoader.h"
#include "platform/ui/Label.h"
#include "platform/ui/WebView.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace kestrova {
namespace {

namespace fs = std::filesystem;

class AboutViewTest : public ::testing::Test {
protected:
    AboutViewTest() : loop(clock) {
        platform::RunLoop::setMain(&loop);
        platform::LocationServices::setCurrent(&services);
        registerInterfaceClasses();
    }
    ~AboutViewTest() override {
        platform::Bundle::setMainBundle(nullptr);
        platform::LocationServices::setCurrent(nullptr);
        platform::RunLoop::setMain(nullptr);
    }

    // Loads "AboutPage" from the build's bundle in `language`.
    AboutView* loadPage(const std::string& language = "en") {
        bundle = std::make_unique<platform::Bundle>(testenv::bundleDir(), language);
        platform::Bundle::setMainBundle(bundle.get());
        std::string error;
        auto loaded = platform::InterfaceLoader::loadNamed("AboutPage", &owner, bundle.get(), &error);
        EXPECT_TRUE(loaded) << error;
        if (!loaded) return nullptr;
        contents = std::move(*loaded);
        return dynamic_cast<AboutView*>(contents.objectWithId("aboutView"));
    }

    // A bundle of its own whose strings table names `helpFile`, with `page` written as its bytes.
    std::string helpTextOf(const std::string& helpFile, const std::string* page, const std::string& fileName = "") {
        const fs::path dir = scratch / ("bundle-" + std::to_string(++bundles));
        fs::create_directories(dir / "en.lproj");
        testenv::writeFile(dir / "en.lproj/Localizable.strings", "\"HELP_FILE\" = \"" + helpFile + "\";\n");
        if (page) testenv::writeFile(dir / ((fileName.empty() ? helpFile : fileName) + ".html"), *page);
        platform::Bundle b(dir, "en");
        return AboutView::helpText(b);
    }

    testenv::ScratchDir scratch;
    int bundles = 0;
    platform::ManualClock clock;
    platform::RunLoop loop;
    platform::LocationServices services{true, nullptr};
    std::unique_ptr<platform::Bundle> bundle;
    platform::Object owner;  // stands in for the application delegate
    platform::InterfaceContents contents;
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

TEST_F(AboutViewTest, EveryLanguageHasItsHelpPageWithWorkingInPageLinks) {
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
        ASSERT_FALSE(text.empty());
        EXPECT_NE(text.find(c.decoded), std::string::npos);
        EXPECT_EQ(text.find("\xEF\xBF\xBD"), std::string::npos) << "a replacement character";
        // Every in-page link has its anchor, and the contents reach every section.
        std::set<std::string> names, targets;
        const std::regex name("name=\"([a-z]+)\""), href("href=\"#([a-z]+)\"");
        for (std::sregex_iterator i(text.begin(), text.end(), name), e; i != e; ++i) names.insert((*i)[1]);
        for (std::sregex_iterator i(text.begin(), text.end(), href), e; i != e; ++i) targets.insert((*i)[1]);
        EXPECT_EQ(targets, names);
        EXPECT_EQ(names, (std::set<std::string>{"shooting", "camera", "bar", "options", "quickview", "delete", "info"}));
        EXPECT_NE(text.find("href=\"#\""), std::string::npos) << "a link back to the top";
    }
}

TEST_F(AboutViewTest, HelpOverlayOpacitiesWhenShownAndHidden) {
    AboutView* page = loadPage();
    ASSERT_NE(page, nullptr);
    platform::WebView* web = page->helpView();
    ASSERT_NE(web, nullptr);
    auto* doubleTap = page->viewWithName("doubleTapButton");
    const std::vector<platform::View*> controls = {page->helpButton(), page->aboutButton(), page->gpstext(),
                                                   page->geotagLabel(), page->gpsButton()};

    // Loaded: the help text is in the web view, which covers the page above the file's controls,
    // with the close button alone in front; both invisible.
    EXPECT_EQ(web->frame(), page->frame());
    EXPECT_FALSE(web->backgroundColor().has_value());
    EXPECT_NE(web->html().find("Kestrova Help"), std::string::npos);
    const auto& subs = page->subviews();
    ASSERT_GE(subs.size(), 2u);
    EXPECT_EQ(subs.back().get(), page->xButton());
    EXPECT_EQ(subs[subs.size() - 2].get(), web);
    EXPECT_EQ(web->alpha(), 0.0f);
    EXPECT_EQ(page->xButton()->alpha(), 0.0f);
    for (auto* v : controls) EXPECT_EQ(v->alpha(), 1.0f);
    // Every control lies on the screen below the 53-point navigation bar.
    for (const auto& sub : page->subviews()) {
        if (sub.get() == web) continue;
        EXPECT_GE(sub->frame().y(), 53) << sub->name();
        EXPECT_LE(sub->frame().maxY(), 480) << sub->name();
    }

    // Shown: one animation of the default duration; halfway the page is between the two looks.
    page->loadHelpPage();
    EXPECT_EQ(web->alpha(), 0.7f);
    EXPECT_EQ(page->xButton()->alpha(), 1.0f);
    for (auto* v : controls) EXPECT_EQ(v->alpha(), 0.0f);
    EXPECT_EQ(doubleTap->alpha(), 1.0f);
    loop.runFor(0.1s);
    EXPECT_GT(web->presentation().alpha, 0.0f);
    EXPECT_GT(page->helpButton()->presentation().alpha, 0.0f);
    loop.runFor(0.15s);
    EXPECT_EQ(web->presentation().alpha, 0.7f);

    // Hidden again.
    page->closeHelpPage();
    EXPECT_EQ(web->alpha(), 0.0f);
    EXPECT_EQ(page->xButton()->alpha(), 0.0f);
    for (auto* v : controls) EXPECT_EQ(v->alpha(), 1.0f);
    // One animation again: every control is still on its way halfway through.
    loop.runFor(0.1s);
    for (auto* v : controls) EXPECT_LT(v->presentation().alpha, 1.0f);
    loop.runFor(0.15s);
    EXPECT_EQ(web->presentation().alpha, 0.0f);
}

TEST_F(AboutViewTest, PositionLineHasTwoDecimalsAndSignedDegrees) {
    EXPECT_EQ(AboutView::positionLine(51.5074f, -0.1278f), "51.51 -0.13");
    EXPECT_EQ(AboutView::positionLine(-33.8688f, 151.2093f), "-33.87 151.21");
    EXPECT_EQ(AboutView::positionLine(-90.0f, 180.0f), "-90.00 180.00");
    // Single precision widened, not the decimal text: 0.125 rounds to even, 0.145f lies below .145.
    EXPECT_EQ(AboutView::positionLine(0.125f, 0.145f), "0.12 0.14");
    // (The page's line following fixes: InfoPageTest, which alone feeds the process's position.)
}

}  // namespace
}  // namespace kestrova
