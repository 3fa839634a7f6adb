// The camera page as the user sees and touches it, in every language: the tips of every option
// fit their band, the navigation bar's buttons fit their titles from the first frame, and the
// slid-down bar leaves the shutter area its whole height.
#include "tests/app/AppFixture.h"

#include "platform/ui/Compositor.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/TextView.h"
#include "platform/ui/ViewBacking.h"
#include "platform/ui/Window.h"
#include "ui/controls/HideTriangleView.h"
#include "ui/controls/MenuScrollView.h"
#include "ui/controls/OptionsPageView.h"
#include "ui/controls/ScrollerButton.h"
#include "ui/controls/TransitionView.h"

#include <cairo.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr float kScale = 2;
const char* const kLanguages[] = {"en", "ja", "zh-Hans", "zh-Hant", "de", "fr"};

// A view drawn afresh at scale 2, with the pixels of one colour found in it.
class Shot {
public:
    explicit Shot(platform::View& view) : backing_(platform::Compositor::snapshot(view, kScale)) {}
    bool valid() const { return backing_ != nullptr; }
    int width() const { return backing_->pixelWidth(); }
    int height() const { return backing_->pixelHeight(); }
    // Opaque pixels of exactly `rgb` (glyph interiors; edges blend into other values).
    struct Ink {
        int count = 0, minX = 1 << 30, maxX = -1, minY = 1 << 30, maxY = -1;
    };
    Ink find(uint32_t rgb, int x0 = 0, int x1 = -1) const {
        cairo_surface_t* s = backing_->surface();
        cairo_surface_flush(s);
        const uint8_t* data = cairo_image_surface_get_data(s);
        const int stride = cairo_image_surface_get_stride(s);
        if (x1 < 0) x1 = width();
        Ink ink;
        for (int y = 0; y < height(); ++y)
            for (int x = x0; x < x1; ++x) {
                uint32_t px = reinterpret_cast<const uint32_t*>(data + size_t(y) * stride)[x];
                if (px != (0xFF000000u | rgb)) continue;
                ++ink.count;
                ink.minX = std::min(ink.minX, x), ink.maxX = std::max(ink.maxX, x);
                ink.minY = std::min(ink.minY, y), ink.maxY = std::max(ink.maxY, y);
            }
        return ink;
    }
    std::vector<uint8_t> bytes() const {
        cairo_surface_t* s = backing_->surface();
        cairo_surface_flush(s);
        const uint8_t* data = cairo_image_surface_get_data(s);
        return {data, data + size_t(cairo_image_surface_get_stride(s)) * height()};
    }

private:
    std::shared_ptr<platform::ViewBacking> backing_;
};

class ScreenLayoutTest : public apptest::AppFixture {
protected:
    kestrova::MenuScrollView* bar() const { return api().buttonBar(); }
};

// Every option, every state, every language: the band holds the title and all states, the
// current state keeps its highlight and one state's words never part across lines.
TEST_F(ScreenLayoutTest, EveryOptionsTipsFitTheBandWithTheCurrentStateOnOneLine) {
    for (const char* language : kLanguages) {
        SCOPED_TRACE(language);
        useLanguage(language);
        launch();
        loop.runFor(0.6s);
        ASSERT_FALSE(bar()->hidden());
        platform::TextView* tips = bar()->labelText();
        const float em = kestrova::MenuScrollView::kTipsFontSize * kScale;
        int checked = 0;
        for (size_t page = 0; page < bar()->pageCount(); ++page) {
            bar()->goToPage(int32_t(page));
            loop.runFor(0.3s);
            ASSERT_EQ(bar()->currentPageNumber(), int32_t(page));
            for (kestrova::ScrollerButton* button : bar()->pageAt(page)->buttons()) {
                // A hold shows the band; taps within it step through the states and refresh it.
                std::set<int32_t> seen;
                for (size_t step = 0; step < button->stateCount(); ++step) {
                    touch(button, step == 0 ? 0.5 : 0.05);
                    SCOPED_TRACE(button->title() + " state " + std::to_string(button->getCurrentState()));
                    seen.insert(button->getCurrentState());
                    ASSERT_TRUE(bar()->getTipsShowState());
                    EXPECT_LE(tips->contentHeight(), kestrova::MenuScrollView::kTipsHeight);
                    Shot shot(*tips);
                    ASSERT_TRUE(shot.valid());
                    auto title = shot.find(0xFFFFFF);
                    auto current = shot.find(0x00AEEF);
                    auto others = shot.find(0xC0C0C0);
                    EXPECT_GT(title.count, 10);
                    EXPECT_GT(current.count, 10);
                    EXPECT_GT(others.count, 10);
                    // The highlighted state is on one line, below the title.
                    EXPECT_LT(current.maxY - current.minY, 1.4f * em);
                    EXPECT_LT(title.maxY, current.minY);
                    // Nothing runs into the sides or the bottom of the band.
                    for (const auto& ink : {title, current, others}) {
                        EXPECT_GE(ink.minX, 2);
                        EXPECT_LE(ink.maxX, shot.width() - 3);
                        EXPECT_LE(ink.maxY, shot.height() - 3);
                    }
                    ++checked;
                }
                EXPECT_EQ(seen.size(), button->stateCount());
                touch(button);  // back to where it was
                loop.runFor(0.6s);
                ASSERT_FALSE(bar()->getTipsShowState());
            }
        }
        EXPECT_EQ(checked, 30);
        quit();
    }
}

// The bar's buttons are as wide as their localised titles from the first frame, and look the
// same after a visit to the information page and back.
TEST_F(ScreenLayoutTest, NavigationBarButtonsFitTheirTitlesAtLaunchAndAfterAVisit) {
    for (const char* language : kLanguages) {
        SCOPED_TRACE(language);
        useLanguage(language);
        launch();
        loop.runFor(0.5s);
        platform::NavigationBar* navbar = api().navbar();
        Shot atLaunch(*navbar);
        ASSERT_TRUE(atLaunch.valid());
        for (const char* name : {"albumButton", "infoButton"}) {
            SCOPED_TRACE(name);
            auto item = navbar->barButtonItemNamed(name);
            ASSERT_NE(item, nullptr);
            ASSERT_FALSE(item->title().empty());
            platform::Button* button = navbar->buttonForItem(item.get());
            ASSERT_NE(button, nullptr);
            const platform::Rect frame = button->frame();
            // The title's white ink lies inside the button with room to spare on both sides.
            const int x0 = int(frame.minX() * kScale), x1 = int(frame.maxX() * kScale);
            auto ink = atLaunch.find(0xFFFFFF, x0, x1);
            EXPECT_GT(ink.count, 10);
            EXPECT_GE(ink.minX, x0 + 8);
            EXPECT_LE(ink.maxX, x1 - 8);
        }
        // Information page and back: the bar is drawn again from scratch, pixel for pixel.
        touch(navbar->buttonForItem(navbar->barButtonItemNamed("infoButton").get()));
        loop.runFor(0.5s);
        ASSERT_EQ(navbar->items().size(), 2u);
        touch(navbar->buttonWithTitle(bundle->localizedString("CAMERABUTTON")));
        loop.runFor(0.5s);
        ASSERT_EQ(navbar->items().size(), 1u);
        Shot afterVisit(*navbar);
        ASSERT_TRUE(afterVisit.valid());
        EXPECT_TRUE(atLaunch.bytes() == afterVisit.bytes());
        quit();
    }
}

TEST_F(ScreenLayoutTest, WithTheBarDownTheShutterAreaTakesItsWholeHeightAndTheTriangleAFingerSizedArea) {
    defaults->setBool(true, "OptionsBarHidden");
    launchReady();
    ASSERT_TRUE(bar()->hidden());
    // Between the slid-down bar's top edge (y 390) and the shutter area's end (427): a shot.
    touch(platform::Point{160, 410});
    EXPECT_EQ(shutterSounds(), 1u);
    EXPECT_TRUE(bar()->hidden());
    loop.runFor(1.0s);
    drain();

    // The triangle is 32 x 24 points; a tap 20 points above its centre and 19 right of it, in
    // the 44-point square about the centre but outside the frame, slides the bar up.
    kestrova::HideTriangleView* triangle = api().downArrow();
    const platform::Point c = centreOf(triangle);
    ASSERT_FALSE(triangle->frame().contains({c.x + 19, c.y - 20}));
    touch(platform::Point{c.x + 19, c.y - 20});
    EXPECT_FALSE(bar()->hidden());
    EXPECT_EQ(shutterSounds(), 1u);
    loop.runFor(0.5s);
    // Just outside that square the triangle takes nothing.
    touch(platform::Point{c.x + 23, c.y - 23});
    EXPECT_FALSE(bar()->hidden());
}

}  // namespace
