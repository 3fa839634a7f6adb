// The bundle's interface files as the application loads them, driven by finger taps on the
// window: every control the files connect must answer, so a lost action or outlet shows here.
#include "tests/app/AppFixture.h"

#include "platform/ui/ActionSheet.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/PageControl.h"
#include "platform/ui/Window.h"
#include "ui/controls/ArrowView.h"
#include "ui/controls/HideTriangleView.h"
#include "ui/controls/MenuScrollView.h"
#include "ui/controls/OptionsPageView.h"
#include "ui/controls/TransitionView.h"

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
    // The options page the bar shows now.
    platform::View* shownPage() const {
        const auto& pages = api().buttonBar()->buttonHolder()->subviews();
        return pages.empty() ? nullptr : pages.back().get();
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

    // The navigation bar's buttons: information page and back, and the album.
    platform::NavigationBar* nav = api().navbar();
    auto info = nav->barButtonItemNamed("infoButton");
    ASSERT_NE(info, nullptr);
    tap(nav->buttonForItem(info.get()));
    EXPECT_EQ(delegate->aboutView()->superview(), api().switcher());
    EXPECT_EQ(api().mainView()->superview(), nullptr);
    ASSERT_NE(nav->topItem()->leftBarButtonItem(), nullptr);
    tap(nav->buttonForItem(nav->topItem()->leftBarButtonItem().get()));
    EXPECT_EQ(api().mainView()->superview(), api().switcher());
    auto album = nav->barButtonItemNamed("albumButton");
    ASSERT_NE(album, nullptr);
    tap(nav->buttonForItem(album.get()));
    EXPECT_EQ(host.launches, std::vector<std::string>{kestrova::KestrovaAppDelegate::kAlbumIdentifier});
}

// The information page's buttons with outlets are tapped in InfoPageTest; this one has only its
// action in the file.
TEST_F(InterfaceFileTest, InformationPageDoubleTapControl) {
    launchReady();
    ASSERT_NE(delegate->aboutView(), nullptr);
    delegate->gotoInfoPage(nullptr);
    loop.runFor(0.6s);
    tapAt(delegate->aboutView()->convertPointToView({160, 284}, nullptr));
    ASSERT_EQ(platform::ActionSheet::visibleSheets().size(), 1u);
    platform::ActionSheet* sheet = platform::ActionSheet::visibleSheets().back();
    EXPECT_EQ(sheet->delegate(), delegate.get());
    EXPECT_EQ(sheet->numberOfButtons(), 2);
    sheet->clickButtonAtIndex(1);  // cancel
    loop.runFor(0.6s);
    EXPECT_FALSE(api().confirmedTap());
    EXPECT_TRUE(platform::ActionSheet::visibleSheets().empty());
}

}  // namespace
}  // namespace apptest
