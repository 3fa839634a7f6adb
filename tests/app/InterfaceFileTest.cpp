// The bundle's interface files as the application loads them, driven by finger taps on the
// window: every control the files connect must answer, so a lost action or outlet shows here.
#include "tests/app/AppFixture.h"

#include "app/InterfaceClasses.h"
#include "platform/ui/ClassRegistry.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/PageControl.h"
#include "platform/ui/Window.h"
#include "ui/controls/ArrowView.h"
#include "ui/controls/GlowingCircleView.h"
#include "ui/controls/HideTriangleView.h"
#include "ui/controls/MenuScrollView.h"
#include "ui/controls/OptionsPageView.h"
#include "ui/controls/SnapButtonView.h"
#include "ui/controls/TransitionView.h"
#include "ui/info/AboutView.h"

#include <typeindex>

using namespace std::chrono_literals;

namespace apptest {
namespace {

using kestrova::HideTriangleView;
using kestrova::MenuScrollView;

class InterfaceFileTest : public AppFixture {
protected:
    void tapAt(platform::Point p) {
        delegate->window()->touchDown(0, p, loop.now());
        loop.runFor(0.05s);
        delegate->window()->touchUp(0, loop.now());
        loop.runFor(0.6s);
    }
    // A tap at the centre of `view`, wherever it is on screen.
    void tap(const platform::View* view) {
        ASSERT_NE(view, nullptr);
        tapAt(view->convertPointToView(view->bounds().center(), nullptr));
    }
    // The options page the bar shows now: the only one in the holder once a slide has ended.
    platform::View* shownPage() const {
        platform::View* shown = nullptr;
        for (const auto& page : api().buttonBar()->buttonHolder()->subviews())
            if (!page->hidden()) {
                if (shown) return nullptr;
                shown = page.get();
            }
        return shown;
    }
};

TEST_F(InterfaceFileTest, CameraPageArrowsTriangleDotsAndNavigationButtons) {
    launchReady();
    MenuScrollView* bar = api().buttonBar();
    ASSERT_NE(bar, nullptr);
    ASSERT_FALSE(bar->hidden());
    ASSERT_EQ(bar->currentPageNumber(), 0);

    // The arrows page through the options, wrapping round.
    tap(bar->rightArrow());
    EXPECT_EQ(bar->currentPageNumber(), 1);
    EXPECT_EQ(shownPage(), static_cast<platform::View*>(bar->pageAt(1)));
    tap(bar->leftArrow());
    tap(bar->leftArrow());
    EXPECT_EQ(bar->currentPageNumber(), 2);
    EXPECT_EQ(shownPage(), static_cast<platform::View*>(bar->pageAt(2)));

    // The page dots only show where the bar is: a tap on either half changes nothing.
    platform::PageControl* dots = bar->pageIndicator();
    ASSERT_NE(dots, nullptr);
    const platform::Rect d = dots->bounds();
    tapAt(dots->convertPointToView({d.width() * 0.1f, d.midY()}, nullptr));
    tapAt(dots->convertPointToView({d.width() * 0.9f, d.midY()}, nullptr));
    EXPECT_EQ(bar->currentPageNumber(), 2);
    EXPECT_EQ(dots->currentPage(), 2);
    EXPECT_EQ(shownPage(), static_cast<platform::View*>(bar->pageAt(2)));

    // The triangle slides the bar away and back, turning as it goes.
    HideTriangleView* triangle = api().downArrow();
    ASSERT_NE(triangle, nullptr);
    const int32_t pointing = triangle->direction();
    tap(triangle);
    EXPECT_TRUE(bar->hidden());
    EXPECT_NE(triangle->direction(), pointing);
    tap(triangle);
    EXPECT_FALSE(bar->hidden());
    EXPECT_EQ(triangle->direction(), pointing);

    // The navigation bar's album button (the information page and back: StartupTest).
    platform::NavigationBar* nav = api().navbar();
    auto album = nav->barButtonItemNamed("albumButton");
    ASSERT_NE(album, nullptr);
    tap(nav->buttonForItem(album.get()));
    EXPECT_EQ(host.launches, std::vector<std::string>{kestrova::KestrovaAppDelegate::kAlbumIdentifier});
}

// Every class the application's interface files name is made by that name, as itself.
TEST(InterfaceClasses, EachNameMakesItsOwnClass) {
    kestrova::registerInterfaceClasses();
    const std::pair<const char*, std::type_index> classes[] = {
        {"TransitionView", typeid(kestrova::TransitionView)},   {"AboutView", typeid(kestrova::AboutView)},
        {"SnapButtonView", typeid(kestrova::SnapButtonView)},   {"HideTriangleView", typeid(HideTriangleView)},
        {"ArrowView", typeid(kestrova::ArrowView)},             {"GlowingCircleView", typeid(kestrova::GlowingCircleView)},
        {"MenuScrollView", typeid(MenuScrollView)},
    };
    for (const auto& [name, type] : classes) {
        auto view = platform::ClassRegistry::shared().createView(name);
        ASSERT_NE(view, nullptr) << name;
        EXPECT_EQ(std::type_index(typeid(*view)), type) << name;
    }
}

}  // namespace
}  // namespace apptest
