// The option catalogue over the real camera page: every button's pictures and tips, the one
// setting each drives and starts from, and the catalogue's pictures and strings in the bundle.
#include "tests/app/AppFixture.h"

#include "platform/foundation/StringsTable.h"
#include "platform/ui/ImageCache.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/TextView.h"
#include "ui/controls/MenuScrollView.h"
#include "ui/controls/OptionsPageView.h"
#include "ui/controls/ScrollerButton.h"
#include "ui/controls/SnapButtonView.h"

#include <map>
#include <regex>

using namespace std::chrono_literals;

namespace apptest {
namespace {

using kestrova::KestrovaAppDelegateTestApi;
using kestrova::ScrollerButton;

using OptionCatalogueTest = AppFixture;

// --- The whole catalogue ---

// A setting's field as the number it is stored as.
template <auto Getter>
int32_t stateOfField(const KestrovaAppDelegateTestApi& d) {
    return kestrova::stateOfMode((d.*Getter)());
}

struct Option {
    size_t page, index;
    const char* settingsKey;
    int32_t (*field)(const KestrovaAppDelegateTestApi&);
    const char* titleKey;
    std::vector<std::pair<const char*, const char*>> states;  // picture, tip key
};

const std::vector<Option>& catalogue() {
    using D = KestrovaAppDelegateTestApi;
    static const std::vector<Option> options{
        {0, 0, "ColorMode", &stateOfField<&D::colorStatus>, "COLORMODETIPTITLE",
         {{"sb_color-full", "FULLCOLORTIP"}, {"sb_color-grey", "GRAYSCALETIP"}, {"sb_color-sepia", "SEPIATIP"},
          {"sb_color-invert", "NEGATIVETIP"}, {"sb_color-red", "REDTIP"}, {"sb_color-green", "GREENTIP"},
          {"sb_color-blue", "BLUETIP"}}},
        {0, 1, "BurstMode", &stateOfField<&D::burstStatus>, "BURSTCAPTIPTITLE",
         {{"sb_burst-off", "BURSTCAPOFF"}, {"sb_burst-on", "BURSTCAPON"}}},
        {0, 2, "TimerMode", &stateOfField<&D::timerStatus>, "DELAYTIMERTIPTITLE",
         {{"sb_timer-off", "DELAYTIMEROFF"}, {"sb_timer-2", "DELAYTIMER2SEC"}, {"sb_timer-5", "DELAYTIMER5SEC"},
          {"sb_timer-10", "DELAYTIMER10SEC"}}},
        {0, 3, "LevelerMode", &stateOfField<&D::levelStatus>, "LEVELAIDTIPTITLE",
         {{"sb_level-off", "LEVELAIDOFF"}, {"sb_level-on", "LEVELAIDON"}}},
        {1, 0, "ZoomMode", &stateOfField<&D::zoomStatus>, "IMAGEZOOMTIPTITLE",
         {{"sb_zoom-on", "IMAGEZOOMON"}, {"sb_zoom-off", "IMAGEZOOMOFF"}}},
        {1, 1, "RotateMode", &stateOfField<&D::rotateStatus>, "AUTOROTATIONTIPTITLE",
         {{"sb_rotate-on", "AUTOROTATIONON"}, {"sb_rotate-off", "AUTOROTATIONOFF"}}},
        {1, 2, "ImageSize", &stateOfField<&D::sizeStatus>, "IMAGESIZETIPTITLE",
         {{"sb_size-large", "IMAGESIZELARGE"}, {"sb_size-med", "IMAGESIZEMEDIUM"}, {"sb_size-small", "IMAGESIZESMALL"}}},
        {2, 0, "PreviewState", &stateOfField<&D::previewState>, "PREVIEWLOCTIPTITLE",
         {{"sb_prev-off", "PREVIEWLOCOFF"}, {"sb_prev-left", "PREVIEWLOCLEFT"}, {"sb_prev-right", "PREVIEWLOCRIGHT"}}},
        {2, 1, "TouchRingSize", &stateOfField<&D::touchRingRadius>, "TOUCHSENSITIVITYAREATIPTITLE",
         {{"sb_touch-sm", "TOUCHSENSITIVITYAREASMALL"}, {"sb_touch-med", "TOUCHSENSITIVITYAREAMEDIUM"},
          {"sb_touch-lg", "TOUCHSENSITIVITYAREALARGE"}}},
        {2, 2, "QuietMode", &stateOfField<&D::soundStatus>, "QUIETMODETIPTITLE",
         {{"sb_quiet-off", "QUIETMODEOFF"}, {"sb_quiet-on", "QUIETMODEON"}}},
    };
    return options;
}

// The preferences file as plistutil reads it: key -> value text.
std::map<std::string, std::string> readPreferences(const std::filesystem::path& file) {
    const std::string xml =
        testenv::run(testenv::plistutil() + " -f xml -i " + testenv::shellQuote(file.string())).out;
    std::map<std::string, std::string> out;
    static const std::regex entry(R"(<key>([^<]*)</key>\s*(?:<(?:integer|string|real)>([^<]*)</\w+>|<(true|false)/>))");
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), entry); it != std::sregex_iterator(); ++it)
        out[(*it)[1]] = (*it)[2].matched ? (*it)[2].str() : (*it)[3].str();
    return out;
}

// Each button starts at its own stored state, and a tap on it steps its setting on and nothing
// else.
TEST_F(OptionCatalogueTest, EveryButtonItsPicturesTipsAndExactlyItsOwnSetting) {
    // No state 0 (the default) and neighbours apart, so a button reading another's setting shows.
    const std::map<std::string, int32_t> stored{{"ColorMode", 3},  {"BurstMode", 1},  {"TimerMode", 2},
                                                {"LevelerMode", 1}, {"ZoomMode", 1},   {"RotateMode", 1},
                                                {"ImageSize", 2},  {"PreviewState", 1}, {"TouchRingSize", 2},
                                                {"QuietMode", 1}};
    for (const auto& [key, state] : stored) defaults->setInteger(state, key);
    launch();
    loop.runFor(0.6s);  // the bar is up at 0.13 s
    kestrova::MenuScrollView* bar = api().buttonBar();
    ASSERT_EQ(bar->pageCount(), 3u);
    ASSERT_EQ(bar->pageAt(0)->buttons().size() + bar->pageAt(1)->buttons().size() + bar->pageAt(2)->buttons().size(),
              catalogue().size());
    // The level guide shows and a pinch does not zoom, as stored.
    EXPECT_FALSE(api().levelerImage()->hidden());
    EXPECT_FALSE(api().snapButton()->zoomEnabled());
    for (const Option& o : catalogue()) {
        SCOPED_TRACE(o.settingsKey);
        const auto buttons = bar->pageAt(o.page)->buttons();
        ASSERT_LT(o.index, buttons.size());
        ScrollerButton* b = buttons[o.index];
        ASSERT_EQ(b->stateCount(), o.states.size());
        EXPECT_EQ(b->title(), bundle->localizedString(o.titleKey));
        for (size_t i = 0; i < o.states.size(); ++i) {
            const auto picture = platform::ImageCache::imageNamed(std::string(o.states[i].first) + ".png");
            ASSERT_NE(picture, nullptr) << o.states[i].first;
            EXPECT_EQ(b->imageAt(i)->image(), picture) << i;
            EXPECT_EQ(b->tooltips().at(i), bundle->localizedString(o.states[i].second)) << i;
        }
        // A tap on the button, on its page: its setting steps on and nothing else changes.
        bar->goToPage(int32_t(o.page));
        loop.runFor(1.0s);
        delegate->saveSettings();
        auto before = readPreferences(preferencesFile());
        const int32_t was = o.field(api());
        EXPECT_EQ(was, stored.at(o.settingsKey));
        EXPECT_EQ(b->getCurrentState(), was);
        ASSERT_EQ(before[o.settingsKey], std::to_string(was));
        touch(b);
        loop.runFor(1.0s);
        const int32_t now = o.field(api());
        EXPECT_EQ(now, (was + 1) % int32_t(o.states.size()));
        EXPECT_EQ(b->getCurrentState(), now);
        delegate->saveSettings();
        auto after = readPreferences(preferencesFile());
        EXPECT_EQ(after[o.settingsKey], std::to_string(now));
        before[o.settingsKey] = after[o.settingsKey];
        EXPECT_EQ(after, before);
    }
    // Both stepped back to their defaults through their buttons.
    EXPECT_TRUE(api().levelerImage()->hidden());
    EXPECT_TRUE(api().snapButton()->zoomEnabled());
}

// Every tip in every language, each state highlighted in turn, fits the bar's band.
TEST(OptionStrings, EveryCatalogueKeyInEveryLanguageFitsTheTipsBand) {
    platform::ManualClock clock;
    platform::RunLoop loop(clock);
    platform::RunLoop::setMain(&loop);
    kestrova::MenuScrollView bar({0, 300, 320, 180});
    bar.awakeFromNib();
    for (const char* language : {"en", "de", "fr", "ja", "zh-Hans", "zh-Hant"}) {
        auto table = platform::StringsTable::load(std::filesystem::path(testenv::bundleDir()) /
                                                  (std::string(language) + ".lproj/Localizable.strings"));
        ASSERT_TRUE(table) << language;
        auto text = [&](const char* key) { return table->lookup(key).value_or(""); };
        for (const Option& o : catalogue()) {
            SCOPED_TRACE(std::string(language) + " " + o.titleKey);
            EXPECT_FALSE(text(o.titleKey).empty());
            std::vector<std::string> tips;
            for (const auto& state : o.states) {
                tips.push_back(text(state.second));
                EXPECT_FALSE(tips.back().empty()) << state.second;
            }
            for (size_t i = 0; i < tips.size(); ++i) {
                bar.showOptionsLabel(ScrollerButton::tipsHtml(text(o.titleKey), tips, int32_t(i)));
                EXPECT_LE(bar.labelText()->contentHeight(), kestrova::MenuScrollView::kTipsHeight) << i;
            }
        }
    }
    platform::RunLoop::setMain(nullptr);
}

}  // namespace
}  // namespace apptest
