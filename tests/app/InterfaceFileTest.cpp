// The bundle's interface files as the application loads them, driven by finger taps on the
// window: every control the files connect must answer, so a lost action or outlet shows here.
#include "tests/app/AppFixture.h"

#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/PageControl.h"
#include "platform/ui/Window.h"
#include "ui/controls/ArrowView.h"
#include "ui/controls/HideTriangleView.h"
#include "ui/controls/MenuScrollView.h"

using namespace std::chrono_literals;

namespace apptest {
namespace {

using kestrova::HideTriangleView;
using kestrova::MenuScrollView;

class InterfaceFileTest : public AppFixture {
protected:
    void tapAt(platform::Point p) {
        touch(p);
        loop.runFor(0.6s);
    }
    void tap(const platform::View* view) {
        ASSERT_NE(view, nullptr);
        tapAt(centreOf(view));
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
    tap(bar->leftArrow());
    tap(bar->leftArrow());
    EXPECT_EQ(bar->currentPageNumber(), 2);

    // The page dots only show where the bar is: a tap on either half changes nothing.
    platform::PageControl* dots = bar->pageIndicator();
    ASSERT_NE(dots, nullptr);
    const platform::Rect d = dots->bounds();
    tapAt(dots->convertPointToView({d.width() * 0.1f, d.midY()}, nullptr));
    tapAt(dots->convertPointToView({d.width() * 0.9f, d.midY()}, nullptr));
    EXPECT_EQ(bar->currentPageNumber(), 2);
    EXPECT_EQ(dots->currentPage(), 2);

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

}  // namespace
}  // namespace apptest
