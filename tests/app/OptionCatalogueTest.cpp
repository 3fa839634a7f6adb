// The option catalogue over the real camera page: saved settings reaching the options bar and the
// shutter area at start-up, and the buttons driving the settings and the tips band.
#include "app/KestrovaAppDelegate.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/ImageCache.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/PageControl.h"
#include "platform/ui/TextView.h"
#include "platform/ui/Window.h"
#include "tests/support/TestEnv.h"
#include "ui/controls/MenuScrollView.h"
#include "ui/controls/OptionsPageView.h"
#include "ui/controls/ScrollerButton.h"
#include "ui/controls/SnapButtonView.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrova {
namespace {

class OptionCatalogueTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::RunLoop::setMain(&loop_);
        platform::NotificationCenter::setDefaultCenter(&center_);
        platform::FileManager::setDefaultManager(&files_);
        bundle_ = std::make_unique<platform::Bundle>(testenv::bundleDir(), "en");
        platform::Bundle::setMainBundle(bundle_.get());
        defaults_ = std::make_unique<platform::UserDefaults>(files_, bundle_->bundleIdentifier());
        platform::UserDefaults::setStandardUserDefaults(defaults_.get());
    }
    void TearDown() override {
        app_.reset();
        platform::UserDefaults::setStandardUserDefaults(nullptr);
        platform::Bundle::setMainBundle(nullptr);
        platform::FileManager::setDefaultManager(nullptr);
        platform::NotificationCenter::setDefaultCenter(nullptr);
        platform::RunLoop::setMain(nullptr);
    }

    // Starts the camera page as the launch does, with whatever the defaults hold now.
    void start() {
        app_ = std::make_unique<KestrovaAppDelegate>();
        std::string error;
        ASSERT_TRUE(app_->loadMainInterface(&error)) << error;
        app_->initializeSettings();
        app_->initializeViews();
        loop_.runFor(0.6);
        ASSERT_NE(app_->buttonBar(), nullptr);
        ASSERT_EQ(app_->buttonBar()->pageCount(), 3u);
    }
    ScrollerButton* buttonAt(size_t page, size_t index) const {
        auto buttons = app_->buttonBar()->pageAt(page)->buttons();
        return index < buttons.size() ? buttons[index] : nullptr;
    }
    // A touch on `button` held `seconds`, on the manual clock.
    void press(ScrollerButton* button, double seconds) {
        platform::Window* window = app_->window();
        const platform::Point p = button->convertPointToView(button->bounds().center(), nullptr);
        window->touchDown(0, p, loop_.now());
        loop_.runFor(seconds);
        window->touchUp(0, loop_.now());
    }

    testenv::ScratchDir dir_;
    platform::FileManager files_{dir_.path()};
    platform::ManualClock clock_;
    platform::RunLoop loop_{clock_};
    platform::NotificationCenter center_;
    std::unique_ptr<platform::Bundle> bundle_;
    std::unique_ptr<platform::UserDefaults> defaults_;
    std::unique_ptr<KestrovaAppDelegate> app_;
};

TEST_F(OptionCatalogueTest, AStoredPageBeyondTheLastWrapsAndIsSavedBackWrapped) {
    defaults_->setInteger(5, "OptionsBarPageNumber");
    start();
    // Page 5 of three is page 2: quick view, touch ring, quiet shutter.
    EXPECT_EQ(app_->buttonBar()->currentPageNumber(), 2);
    EXPECT_EQ(app_->buttonBar()->pageAt(2)->buttons().front(), app_->quickViewButton());
    app_->saveSettings();
    EXPECT_EQ(defaults_->integerForKey("OptionsBarPageNumber"), 2);
}

TEST_F(OptionCatalogueTest, AStoredLargeTouchRingStartsTheShutterAreaWithIt) {
    defaults_->setInteger(2, "TouchRingSize");
    start();
    ASSERT_NE(app_->snapButton(), nullptr);
    EXPECT_EQ(app_->snapButton()->touchRingRadius(), 65);
    EXPECT_EQ(buttonAt(2, 1)->getCurrentState(), 2);
    EXPECT_EQ(app_->touchRingRadius(), 2);
}

TEST_F(OptionCatalogueTest, FirstLaunchOpensPageZeroAndOutOfRangeStatesStartAtZero) {
    defaults_->setInteger(9, "ColorMode");
    defaults_->setInteger(-1, "TimerMode");
    start();
    EXPECT_EQ(app_->buttonBar()->currentPageNumber(), 0);
    EXPECT_EQ(app_->buttonBar()->pageAt(0)->buttons().size(), 4u);
    EXPECT_EQ(app_->buttonBar()->pageAt(1)->buttons().size(), 3u);
    EXPECT_EQ(app_->buttonBar()->pageAt(2)->buttons().size(), 3u);
    ScrollerButton* colour = buttonAt(0, 0);
    EXPECT_EQ(colour->stateCount(), 7u);
    EXPECT_EQ(colour->getCurrentState(), 0);
    EXPECT_EQ(app_->colorStatus(), 0);
    EXPECT_EQ(app_->timerStatus(), 0);
    // Every button has a picture for every state.
    for (size_t page = 0; page < 3; ++page)
        for (ScrollerButton* b : app_->buttonBar()->pageAt(page)->buttons())
            for (size_t i = 0; i < b->stateCount(); ++i) EXPECT_NE(b->imageAt(i)->image(), nullptr) << b->title() << " " << i;
}

TEST_F(OptionCatalogueTest, TapsStepTheSettingAndAHoldShowsItsTips) {
    start();
    ASSERT_FALSE(app_->buttonBar()->hidden());  // slid up 0.13 s after start
    ScrollerButton* colour = buttonAt(0, 0);

    // Seven taps go once round the colour effects.
    std::vector<int32_t> seen;
    for (int i = 0; i < 7; ++i) {
        press(colour, 0.05);
        seen.push_back(app_->colorStatus());
        loop_.runFor(1.0);
    }
    EXPECT_EQ(seen, (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 0}));

    // A hold brings the band up with the localised title and the current state highlighted.
    press(colour, 0.5);
    EXPECT_TRUE(app_->buttonBar()->getTipsShowState());
    std::vector<std::string> tips;
    for (const char* key : {"FULLCOLORTIP", "GRAYSCALETIP", "SEPIATIP", "NEGATIVETIP", "REDTIP", "GREENTIP", "BLUETIP"})
        tips.push_back(bundle_->localizedString(key));
    EXPECT_EQ(tips[0], "Full\u00A0colour");
    EXPECT_EQ(app_->buttonBar()->labelText()->html(),
              ScrollerButton::tipsHtml(bundle_->localizedString("COLORMODETIPTITLE"), tips, 0));
    loop_.runFor(0.6);
    EXPECT_FALSE(app_->buttonBar()->getTipsShowState());
}

TEST_F(OptionCatalogueTest, EveryStatePictureComesAtBothScalesInTheButtonsDrawingArea) {
    const char* names[] = {"sb_color-full", "sb_color-grey", "sb_color-sepia", "sb_color-invert", "sb_color-red",
                           "sb_color-green", "sb_color-blue", "sb_burst-off", "sb_burst-on", "sb_timer-off",
                           "sb_timer-2", "sb_timer-5", "sb_timer-10", "sb_level-off", "sb_level-on", "sb_zoom-on",
                           "sb_zoom-off", "sb_rotate-on", "sb_rotate-off", "sb_size-large", "sb_size-med",
                           "sb_size-small", "sb_prev-off", "sb_prev-left", "sb_prev-right", "sb_touch-sm",
                           "sb_touch-med", "sb_touch-lg", "sb_quiet-off", "sb_quiet-on"};
    for (int scale : {1, 2}) {
        platform::ImageCache::setScale(scale);
        for (const char* name : names) {
            platform::ImageRef image = platform::ImageCache::imageNamed(std::string(name) + ".png", bundle_.get());
            ASSERT_NE(image, nullptr) << name << " @" << scale;
            EXPECT_EQ(image->width(), 49 * scale) << name;
            EXPECT_EQ(image->height(), 28 * scale) << name;
        }
        // The level guide covers the preview between the navigation bar and the options bar.
        platform::ImageRef guide = platform::ImageCache::imageNamed("leveler.png", bundle_.get());
        ASSERT_NE(guide, nullptr);
        EXPECT_EQ(platform::ImageCache::pointSize(guide), (platform::Size{320, 374}));
    }
    platform::ImageCache::setScale(1);
}

}  // namespace
}  // namespace kestrova
