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

#include <map>
#include <regex>

using namespace std::chrono_literals;

namespace apptest {
namespace {

using kestrova::KestrovaAppDelegateTestApi;
using kestrova::ScrollerButton;

class OptionCatalogueTest : public AppFixture {
protected:
    // Starts the camera page with whatever the defaults hold now; the bar is up at 0.13 s.
    void start() {
        launch();
        loop.runFor(0.6s);
        ASSERT_EQ(api().buttonBar()->pageCount(), 3u);
    }
    ScrollerButton* buttonAt(size_t page, size_t index) const {
        auto buttons = api().buttonBar()->pageAt(page)->buttons();
        return index < buttons.size() ? buttons[index] : nullptr;
    }
};

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

TEST_F(OptionCatalogueTest, EveryButtonItsPicturesTipsAndExactlyItsOwnSetting) {
    start();
    ASSERT_EQ(api().buttonBar()->pageAt(0)->buttons().size() + api().buttonBar()->pageAt(1)->buttons().size() +
                  api().buttonBar()->pageAt(2)->buttons().size(),
              catalogue().size());
    for (const Option& o : catalogue()) {
        SCOPED_TRACE(o.settingsKey);
        ScrollerButton* b = buttonAt(o.page, o.index);
        ASSERT_NE(b, nullptr);
        ASSERT_EQ(b->stateCount(), o.states.size());
        EXPECT_EQ(b->title(), bundle->localizedString(o.titleKey));
        for (size_t i = 0; i < o.states.size(); ++i) {
            const auto picture = platform::ImageCache::imageNamed(std::string(o.states[i].first) + ".png");
            ASSERT_NE(picture, nullptr) << o.states[i].first;
            EXPECT_EQ(b->imageAt(i)->image(), picture) << i;
            EXPECT_EQ(b->tooltips().at(i), bundle->localizedString(o.states[i].second)) << i;
        }
        // A tap on the button, on its page: its setting steps on and nothing else changes.
        api().buttonBar()->goToPage(int32_t(o.page));
        loop.runFor(1.0s);
        delegate->saveSettings();
        auto before = readPreferences(preferencesFile());
        const int32_t was = o.field(api());
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
}

TEST_F(OptionCatalogueTest, EveryButtonStartsAtItsOwnStoredState) {
    // No state 0 (the default) and neighbours apart, so a button reading another's setting shows.
    const std::map<std::string, int32_t> stored{{"ColorMode", 3},  {"BurstMode", 1},  {"TimerMode", 2},
                                                {"LevelerMode", 1}, {"ZoomMode", 1},   {"RotateMode", 1},
                                                {"ImageSize", 2},  {"PreviewState", 1}, {"TouchRingSize", 2},
                                                {"QuietMode", 1}};
    for (const auto& [key, state] : stored) defaults->setInteger(state, key);
    start();
    for (const Option& o : catalogue()) {
        SCOPED_TRACE(o.settingsKey);
        EXPECT_EQ(buttonAt(o.page, o.index)->getCurrentState(), stored.at(o.settingsKey));
        EXPECT_EQ(o.field(api()), stored.at(o.settingsKey));
    }
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
