#include "CoreUiFixture.h"

#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/SurfaceContext.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/ActionSheetView.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/PageControl.h"
#include "platform/ui/TextView.h"
#include "platform/ui/ViewAnimation.h"
#include "platform/ui/WebView.h"
#include "platform/ui/Window.h"

#include <algorithm>
#include <string>
#include <vector>

using namespace platform;

namespace {

class ControlsTest : public test::CoreUiFixture {
protected:
    void tap(Point p) { CoreUiFixture::tap(window_, p); }

    Window window_{Rect(0, 0, 320, 480)};
};

struct SheetRecorder : ActionSheetDelegate {
    std::vector<std::pair<ActionSheet*, int>> clicked;
    std::vector<int> dismissed;
    void actionSheetClickedButtonAtIndex(ActionSheet* sheet, int index) override {
        clicked.push_back({sheet, index});
        sheet->dismissWithClickedButtonIndex(index, true);
    }
    void actionSheetDidDismissWithButtonIndex(ActionSheet*, int index) override { dismissed.push_back(index); }
};

}  // namespace

TEST_F(ControlsTest, ButtonActionFiresOnTouchUpInsideOnly) {
    auto* button = static_cast<Button*>(window_.addSubview(std::make_unique<Button>(Rect(10, 10, 100, 40), ButtonType::RoundedRect)));
    std::vector<std::string> seen;
    button->addTarget(nullptr, [&](Object* sender) { seen.push_back(sender == button ? "up" : "wrong sender"); },
                      ControlEvent::TouchUpInside);
    button->addTarget(nullptr, [&](Object*) { seen.push_back("outside"); }, ControlEvent::TouchUpOutside);
    button->addTarget(nullptr, [&](Object*) { seen.push_back("cancel"); }, ControlEvent::TouchCancel);

    // A tap inside: highlighted while down, one action on the lift.
    window_.touchDown(0, {50, 30}, 0);
    EXPECT_TRUE(button->highlighted());
    EXPECT_TRUE(seen.empty());
    window_.touchUp(0, 0.1);
    EXPECT_FALSE(button->highlighted());
    // Dragged far away and lifted: touch-up outside.
    window_.touchDown(0, {50, 30}, 1);
    window_.touchMove(0, {300, 300}, 1.1);
    EXPECT_FALSE(button->highlighted());
    window_.touchUp(0, 1.2);
    // Out and back in again counts as inside; a little way outside is still inside.
    window_.touchDown(0, {50, 30}, 2);
    window_.touchMove(0, {300, 300}, 2.1);
    window_.touchMove(0, {120, 60}, 2.2);
    window_.touchUp(0, 2.3);
    // A cancelled touch, and a touch that began elsewhere, send no action.
    window_.touchDown(0, {50, 30}, 3);
    window_.touchCancel(0, 3.1);
    window_.touchDown(0, {200, 200}, 4);
    window_.touchMove(0, {50, 30}, 4.1);
    window_.touchUp(0, 4.2);
    EXPECT_EQ(seen, (std::vector<std::string>{"up", "outside", "up", "cancel"}));

    // A disabled button takes no action; removing the target silences it.
    seen.clear();
    button->setEnabled(false);
    tap({50, 30});
    button->setEnabled(true);
    button->removeTarget(nullptr);
    tap({50, 30});
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(button->actionCount(), 0u);
}

TEST_F(ControlsTest, ButtonTitlesAndImagesFallBackToNormal) {
    Button b(Rect(0, 0, 10, 10));
    b.setTitle("Delete");
    b.setTitleColor(Color::white(1));
    b.setTitleColor(Color::rgba(1, 0, 0), ControlState::Highlighted);
    EXPECT_EQ(b.titleForState(ControlState::Highlighted), "Delete");
    EXPECT_EQ(b.titleColorForState(ControlState::Highlighted), Color::rgba(1, 0, 0));
    EXPECT_EQ(b.titleColorForState(ControlState::Selected), Color::white(1));
    // Drawn: the background image of the current state fills the bounds.
    b.setTitle("");
    b.setBackgroundImage(Image::createBGRX(1, 1, {0, 0, 255, 0}));
    b.setBackgroundImage(Image::createBGRX(1, 1, {255, 0, 0, 0}), ControlState::Highlighted);
    auto ctx = SurfaceContext::create(10, 10, 1, true);
    for (bool highlighted : {false, true}) {
        b.setHighlighted(highlighted);
        b.drawRect(*ctx, b.bounds());
        const ImageRef drawn = ctx->makeImage();
        const uint8_t* p = drawn->pixel(5, 5);
        EXPECT_EQ(p[0], highlighted ? 255 : 0);  // blue when pressed
        EXPECT_EQ(p[2], highlighted ? 0 : 255);  // red otherwise
    }
}

TEST_F(ControlsTest, ActionSheetButtonReachesDelegateWithItsIndex) {
    SheetRecorder delegate;
    auto sheet = std::make_unique<ActionSheet>("Title", &delegate, std::vector<std::string>{"Confirm", "Cancel"});
    sheet->showInView(&window_, true);
    ASSERT_TRUE(sheet->isVisible());
    EXPECT_EQ(ActionSheet::visibleSheets().back(), sheet.get());
    // It slides up into place at the bottom of the window.
    runFor(0.5);
    ASSERT_NE(sheet->view(), nullptr);
    EXPECT_FLOAT_EQ(sheet->view()->presentation().frame().maxY(), 480);

    // A finger on the second button: the delegate hears index 1, and the dismissal it asks for
    // takes the sheet away once the slide ends.
    Button* cancel = sheet->buttonAtIndex(1);
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->titleForState(ControlState::Normal), "Cancel");
    tapView(cancel);
    EXPECT_EQ(delegate.clicked, (std::vector<std::pair<ActionSheet*, int>>{{sheet.get(), 1}}));
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_TRUE(ActionSheet::visibleSheets().empty());
    EXPECT_TRUE(delegate.dismissed.empty());
    runFor(0.5);
    EXPECT_EQ(delegate.dismissed, std::vector<int>{1});
    EXPECT_EQ(window_.subviewCount(), 0u);

    // Shown again, a press one past the last button is ignored; a sheet destroyed while shown
    // takes its view with it.
    sheet->showInView(&window_, false);
    sheet->clickButtonAtIndex(2);
    EXPECT_EQ(delegate.clicked.size(), 1u);
    EXPECT_EQ(window_.subviewCount(), 1u);
    sheet.reset();
    EXPECT_EQ(window_.subviewCount(), 0u);
    EXPECT_TRUE(ActionSheet::visibleSheets().empty());

    // A delegate may drop the sheet from inside the press.
    struct Dropper : ActionSheetDelegate {
        std::unique_ptr<ActionSheet> sheet;
        int index = -1;
        void actionSheetClickedButtonAtIndex(ActionSheet*, int i) override {
            index = i;
            sheet.reset();
        }
    } dropper;
    dropper.sheet = std::make_unique<ActionSheet>("", &dropper, std::vector<std::string>{"OK"});
    dropper.sheet->showInView(&window_, false);
    tapView(dropper.sheet->buttonAtIndex(0));
    EXPECT_EQ(dropper.index, 0);
    EXPECT_EQ(window_.subviewCount(), 0u);
    runFor(0.1);
}

TEST_F(ControlsTest, ActionSheetWithAFixedFrameFitsItsButtonInsideAndShowsThrough) {
    ActionSheet sheet("", nullptr, {"Cancel Timer"});
    sheet.setActionSheetStyle(ActionSheetStyle::BlackTranslucent);
    sheet.setFrame(Rect(0, 427, 320, 53));
    sheet.showInView(&window_, false);
    EXPECT_EQ(sheet.view()->frame(), Rect(0, 427, 320, 53));
    Button* b = sheet.buttonAtIndex(0);
    Rect r = b->convertRectToView(b->bounds(), nullptr);
    EXPECT_GE(r.minY(), 427);
    EXPECT_LE(r.maxY(), 480);
    // Black translucent: the band lets what is beneath show through, darkened to 20 %.
    auto ctx = SurfaceContext::create(320, 53, 1, true);
    ctx->fillAll(Color::white(1));
    sheet.view()->drawRect(*ctx, sheet.view()->bounds());
    const int level = ctx->makeImage()->pixel(100, 30)[0];
    EXPECT_GT(level, 40);
    EXPECT_LT(level, 60);
}

// Following the application's own bar (pushed, popped and pressed there): buttons sized by their
// titles, the crossing of two items, the back button.
TEST_F(ControlsTest, NavigationBarButtonsFollowTheirTitlesAndItemsCross) {
    auto* bar = static_cast<NavigationBar*>(window_.addSubview(std::make_unique<NavigationBar>(Rect(0, 0, 320, 53))));
    // As an interface file makes them: empty titles, set later.
    auto left = BarButtonItem::create("", BarButtonItemStyle::Bordered);
    auto right = BarButtonItem::create("", BarButtonItemStyle::Bordered);
    auto root = NavigationItem::create("Camera");
    root->setLeftBarButtonItem(left);
    root->setRightBarButtonItem(right);
    bar->pushNavigationItem(root, false);
    ASSERT_NE(left->button(), nullptr);
    EXPECT_FLOAT_EQ(left->button()->frame().width(), NavigationBar::kMinButtonWidth);
    const std::string longTitle = "Appareil photo";
    const float wanted = GraphicsContext::measureText(longTitle, left->button()->font()).width + 2 * NavigationBar::kTitlePadding;
    ASSERT_GT(wanted, NavigationBar::kMinButtonWidth + 20);
    left->setTitle(longTitle);
    right->setTitle(longTitle);
    // Retitled on screen, both grow with no other call; the right one stays against the right end,
    // centred in the bar; the same item shown afresh has the same frame.
    EXPECT_FLOAT_EQ(left->button()->frame().width(), wanted);
    EXPECT_FLOAT_EQ(left->button()->frame().minX(), NavigationBar::kMargin);
    const Rect r = right->button()->convertRectToView(right->button()->bounds(), nullptr);
    EXPECT_FLOAT_EQ(r.width(), wanted);
    EXPECT_FLOAT_EQ(r.maxX(), 320 - NavigationBar::kMargin);
    EXPECT_FLOAT_EQ(r.midY(), 26.5f);
    bar->reloadTopItem();
    EXPECT_EQ(right->button()->convertRectToView(right->button()->bounds(), nullptr), r);
    // Never wider than a third of the bar.
    right->setTitle(longTitle + longTitle + longTitle);
    EXPECT_FLOAT_EQ(right->button()->frame().width(), 320.0f / 3);

    // Pushed animated: the old buttons take no touches at once, and are gone when the slide ends.
    int rightPressed = 0, pagePressed = 0;
    right->setAction([&](Object*) { ++rightPressed; });
    auto page = NavigationItem::create("");
    page->setLeftBarButtonItem(BarButtonItem::create("Left", BarButtonItemStyle::Bordered, nullptr, [&](Object*) { ++pagePressed; }));
    bar->pushNavigationItem(page, true);
    EXPECT_EQ(bar->backButton(), nullptr);  // the left item takes the back button's place
    EXPECT_EQ(bar->subviewCount(), 2u);     // old and new contents while they cross
    tap({r.midX(), r.midY()});
    EXPECT_EQ(rightPressed, 0);
    runFor(NavigationBar::kAnimationDuration + 0.1);
    EXPECT_EQ(bar->subviewCount(), 1u);
    tapView(bar->buttonWithTitle("Left"));
    EXPECT_EQ(pagePressed, 1);
    // Pushing an item already in the stack does nothing.
    bar->pushNavigationItem(page, false);
    EXPECT_EQ(bar->items().size(), 2u);

    // An item without a left button gets a back button titled after the item beneath; it pops.
    bar->popNavigationItemAnimated(false);
    bar->pushNavigationItem(NavigationItem::create("Help"), false);
    ASSERT_NE(bar->backButton(), nullptr);
    EXPECT_EQ(bar->backButton()->titleForState(ControlState::Normal), "Camera");
    tapView(bar->backButton());
    EXPECT_EQ(bar->topItem(), root.get());
    runFor(1);
    EXPECT_EQ(bar->subviewCount(), 1u);
    // Popping the last item empties the bar; popping again gives nothing.
    EXPECT_EQ(bar->popNavigationItemAnimated(false), root);
    EXPECT_EQ(bar->popNavigationItemAnimated(false), nullptr);
}

TEST_F(ControlsTest, PageControlClampsStepsAndDrawsDots) {
    auto* pc = static_cast<PageControl*>(window_.addSubview(std::make_unique<PageControl>(Rect(60, 400, 200, 30))));
    pc->setNumberOfPages(3);
    pc->setCurrentPage(5);
    EXPECT_EQ(pc->currentPage(), 2);
    pc->setCurrentPage(-1);
    EXPECT_EQ(pc->currentPage(), 0);
    int changes = 0;
    pc->addTarget(nullptr, [&](Object*) { ++changes; }, ControlEvent::ValueChanged);
    // A tap right of the middle steps forward, left steps back; nothing past either end.
    tap({250, 415});
    tap({250, 415});
    tap({250, 415});
    EXPECT_EQ(pc->currentPage(), 2);
    EXPECT_EQ(changes, 2);
    tap({70, 415});
    EXPECT_EQ(pc->currentPage(), 1);
    EXPECT_EQ(changes, 3);
    pc->setNumberOfPages(1);
    EXPECT_EQ(pc->currentPage(), 0);

    // Drawn: three dots centred, the current one white, the others dim.
    pc->setNumberOfPages(3);
    pc->setCurrentPage(1);
    auto ctx = SurfaceContext::create(200, 30, 1, true);
    ctx->fillAll(Color::black());
    pc->drawRect(*ctx, pc->bounds());
    auto img = ctx->makeImage();
    auto level = [&](int i) {
        Point c = pc->dotRect(i).center();
        return int(img->pixel(int(c.x), int(c.y))[1]);
    };
    EXPECT_EQ(level(1), 255);
    EXPECT_GT(level(0), 60);
    EXPECT_LT(level(0), 120);
    EXPECT_NEAR(pc->dotRect(1).midX(), 100, 0.01);
    EXPECT_EQ(img->pixel(2, 2)[1], 0);
}

// The help page's links are in-page anchors: a tap scrolls to the anchor, as far as the content
// allows; a drag that starts on a link scrolls instead.
TEST_F(ControlsTest, WebViewFollowsAnchorsAndScrollsUnderAFinger) {
    struct Recorder : WebViewDelegate {
        std::vector<std::string> asked;
        int finished = 0;
        bool webViewShouldStartLoadWithRequest(WebView*, const std::string& url, WebViewNavigationType) override {
            asked.push_back(url);
            return true;
        }
        void webViewDidFinishLoad(WebView*) override { ++finished; }
    } delegate;
    auto* web = static_cast<WebView*>(window_.addSubview(std::make_unique<WebView>(Rect(0, 0, 320, 200))));
    web->setDelegate(&delegate);
    web->loadHTMLString(
        "<body style=\"margin:0;font-size:20px\"><div style=\"height:100px\"></div>"
        "<div style=\"height:40px\"><a href=\"#bottom\">Down</a></div>"
        "<div style=\"height:540px\"></div><div id=\"bottom\" style=\"height:100px\">End</div></body>");
    EXPECT_EQ(delegate.finished, 1);
    EXPECT_FLOAT_EQ(web->contentHeight(), 780);

    tap({10, 120});
    EXPECT_EQ(delegate.asked, std::vector<std::string>{"#bottom"});
    EXPECT_FLOAT_EQ(web->contentOffset(), 580);
    web->setContentOffset(0);
    window_.touchDown(0, {10, 120}, clock_.now());
    window_.touchMove(0, {10, 70}, clock_.now() + 0.05);
    window_.touchMove(0, {10, 20}, clock_.now() + 0.1);
    window_.touchUp(0, clock_.now() + 0.15);
    EXPECT_FLOAT_EQ(web->contentOffset(), 100);
    EXPECT_EQ(delegate.asked.size(), 1u);
}

// Text no markup styles takes the view's colour; the tips line is centred in the band.
TEST_F(ControlsTest, TextViewDrawsUnstyledTextInItsColour) {
    TextView tv(Rect(0, 0, 320, 90));
    tv.setTextColor(Color::white(1));
    tv.setHtml("<center><b>MMMM</b></center>");
    auto ctx = SurfaceContext::create(320, 90, 1, true);
    ctx->fillAll(Color::rgba(0, 0, 1));
    tv.drawRect(*ctx, tv.bounds());
    auto img = ctx->makeImage();
    int white = 0, minX = 320, maxX = 0;
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 320; ++x) {
            const uint8_t* p = img->pixel(x, y);
            if (p[0] != 255 || p[1] != 255 || p[2] != 255) continue;
            ++white;
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
        }
    EXPECT_GT(white, 10);
    EXPECT_NEAR((minX + maxX) / 2.0, 160, 3);
}
