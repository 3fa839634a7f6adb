#include "CoreUiFixture.h"

#include "platform/foundation/Bundle.h"
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
#include "tests/support/TestEnv.h"

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
    bool dismissInHandler = true;
    void actionSheetClickedButtonAtIndex(ActionSheet* sheet, int index) override {
        clicked.push_back({sheet, index});
        if (dismissInHandler) sheet->dismissWithClickedButtonIndex(index, true);
    }
    void actionSheetDidDismissWithButtonIndex(ActionSheet*, int index) override { dismissed.push_back(index); }
};

}  // namespace

TEST_F(ControlsTest, ButtonActionFiresOnTouchUpInsideOnly) {
    auto* button = static_cast<Button*>(window_.addSubview(std::make_unique<Button>(Rect(10, 10, 100, 40), ButtonType::RoundedRect)));
    button->setTitle("OK");
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
    EXPECT_EQ(seen, std::vector<std::string>{"up"});

    // Dragged far away and lifted: touch-up outside, no action.
    seen.clear();
    window_.touchDown(0, {50, 30}, 1);
    window_.touchMove(0, {300, 300}, 1.1);
    EXPECT_FALSE(button->highlighted());
    window_.touchUp(0, 1.2);
    EXPECT_EQ(seen, std::vector<std::string>{"outside"});

    // Out and back in again counts as inside; a little way outside is still inside.
    seen.clear();
    window_.touchDown(0, {50, 30}, 2);
    window_.touchMove(0, {300, 300}, 2.1);
    window_.touchMove(0, {120, 60}, 2.2);
    window_.touchUp(0, 2.3);
    EXPECT_EQ(seen, std::vector<std::string>{"up"});

    // A cancelled touch and a touch that began elsewhere send no action.
    seen.clear();
    window_.touchDown(0, {50, 30}, 3);
    window_.touchCancel(0, 3.1);
    window_.touchDown(0, {200, 200}, 4);
    window_.touchMove(0, {50, 30}, 4.1);
    window_.touchUp(0, 4.2);
    EXPECT_EQ(seen, std::vector<std::string>{"cancel"});

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
    ActionSheetView* view = sheet->view();
    ASSERT_NE(view, nullptr);
    EXPECT_FLOAT_EQ(view->frame().maxY(), 480);
    EXPECT_FLOAT_EQ(view->presentation().frame().maxY(), 480);

    // A finger on the second button: the delegate hears index 1, and the dismissal it asks for
    // takes the sheet away once the slide ends.
    Button* cancel = sheet->buttonAtIndex(1);
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->titleForState(ControlState::Normal), "Cancel");
    tapView(cancel);
    ASSERT_EQ(delegate.clicked.size(), 1u);
    EXPECT_EQ(delegate.clicked[0].first, sheet.get());
    EXPECT_EQ(delegate.clicked[0].second, 1);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_TRUE(ActionSheet::visibleSheets().empty());
    EXPECT_TRUE(delegate.dismissed.empty());
    runFor(0.5);
    EXPECT_EQ(delegate.dismissed, std::vector<int>{1});
    EXPECT_EQ(sheet->view(), nullptr);
    EXPECT_EQ(window_.subviewCount(), 0u);

    // Shown again (sheets are reused), a press that the delegate does not dismiss still closes it.
    delegate.dismissInHandler = false;
    sheet->showInView(&window_, false);
    sheet->clickButtonAtIndex(2);  // one past the last: ignored
    EXPECT_EQ(delegate.clicked.size(), 1u);
    sheet->clickButtonAtIndex(0);
    EXPECT_EQ(delegate.clicked.back().second, 0);
    runFor(0.5);
    EXPECT_EQ(window_.subviewCount(), 0u);

    // A sheet destroyed while shown takes its view with it.
    sheet->showInView(&window_, false);
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
    SheetRecorder delegate;
    ActionSheet sheet("", &delegate, {"Cancel Timer"});
    sheet.setActionSheetStyle(ActionSheetStyle::BlackTranslucent);
    sheet.setFrame(Rect(0, 427, 320, 53));
    View* host = window_.addSubview(std::make_unique<View>(Rect(0, 0, 320, 480)));
    sheet.showInView(host, false);
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
    tap({160, 453});
    ASSERT_EQ(delegate.clicked.size(), 1u);
    EXPECT_EQ(delegate.clicked[0].second, 0);
}

TEST_F(ControlsTest, ABarButtonRetitledOnScreenTakesItsNewTitlesWidthAtOnce) {
    auto* bar = static_cast<NavigationBar*>(window_.addSubview(std::make_unique<NavigationBar>(Rect(0, 0, 320, 53))));
    // As an interface file makes them: empty titles, set later.
    auto left = BarButtonItem::create("", BarButtonItemStyle::Bordered);
    auto right = BarButtonItem::create("", BarButtonItemStyle::Bordered);
    auto root = NavigationItem::create("");
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
    // Both buttons grow with no other call; the right one stays against the right end.
    EXPECT_FLOAT_EQ(left->button()->frame().width(), wanted);
    EXPECT_FLOAT_EQ(left->button()->frame().minX(), NavigationBar::kMargin);
    EXPECT_FLOAT_EQ(right->button()->frame().width(), wanted);
    EXPECT_FLOAT_EQ(right->button()->frame().maxX(), 320 - NavigationBar::kMargin);
    // The same item shown afresh has the same frame.
    const Rect before = right->button()->frame();
    bar->reloadTopItem();
    EXPECT_EQ(right->button()->frame(), before);
    // Never wider than a third of the bar.
    right->setTitle(longTitle + longTitle + longTitle);
    EXPECT_FLOAT_EQ(right->button()->frame().width(), 320.0f / 3);
}

TEST_F(ControlsTest, NavigationBarPushesAndPopsItems) {
    auto* bar = static_cast<NavigationBar*>(window_.addSubview(std::make_unique<NavigationBar>(Rect(0, 0, 320, 53))));
    int infoPressed = 0, cameraPressed = 0;
    auto info = BarButtonItem::create("Info", BarButtonItemStyle::Bordered, nullptr, [&](Object*) { ++infoPressed; });
    info->setName("infoButton");
    auto album = BarButtonItem::create("Album", BarButtonItemStyle::Bordered);
    auto root = NavigationItem::create("Camera");
    root->setLeftBarButtonItem(album);
    root->setRightBarButtonItem(info);
    bar->pushNavigationItem(root, false);
    ASSERT_NE(info->button(), nullptr);
    EXPECT_EQ(info->button()->name(), "infoButton");
    EXPECT_EQ(bar->buttonWithTitle("Info"), info->button());
    // The right button sits at the right end, centred in the 53-point bar.
    Rect r = info->button()->convertRectToView(info->button()->bounds(), nullptr);
    EXPECT_FLOAT_EQ(r.maxX(), 320 - NavigationBar::kMargin);
    EXPECT_FLOAT_EQ(r.midY(), 26.5f);
    tapView(info->button());
    EXPECT_EQ(infoPressed, 1);

    // Push, animated: the new item is on top at once and its buttons take touches; the old
    // buttons are off screen when the slide ends.
    auto camera = BarButtonItem::create("Camera", BarButtonItemStyle::Bordered, nullptr, [&](Object*) { ++cameraPressed; });
    auto page = NavigationItem::create("");
    page->setBackBarButtonItem(camera);
    page->setLeftBarButtonItem(camera);
    page->setRightBarButtonItem(BarButtonItem::create("Website", BarButtonItemStyle::Bordered));
    bar->pushNavigationItem(page, true);
    EXPECT_EQ(bar->topItem(), page.get());
    EXPECT_EQ(bar->backItem(), root.get());
    EXPECT_EQ(bar->items().size(), 2u);
    EXPECT_EQ(info->button(), nullptr);
    EXPECT_EQ(bar->buttonWithTitle("Info"), nullptr);
    ASSERT_NE(bar->buttonWithTitle("Website"), nullptr);
    EXPECT_EQ(bar->backButton(), nullptr);  // the left item takes the back button's place
    EXPECT_EQ(bar->subviewCount(), 2u);       // old and new contents while they cross
    tap({r.midX(), r.midY()});                // where Info was: now nothing of the old item
    EXPECT_EQ(infoPressed, 1);
    runFor(NavigationBar::kAnimationDuration + 0.1);
    EXPECT_EQ(bar->subviewCount(), 1u);
    tapView(camera->button());
    EXPECT_EQ(cameraPressed, 1);
    // Pushing an item already in the stack does nothing.
    bar->pushNavigationItem(page, false);
    EXPECT_EQ(bar->items().size(), 2u);

    // Pop, animated: the root's buttons come back.
    auto popped = bar->popNavigationItemAnimated(true);
    EXPECT_EQ(popped, page);
    EXPECT_EQ(bar->topItem(), root.get());
    EXPECT_NE(bar->buttonForItem(info.get()), nullptr);
    EXPECT_EQ(camera->button(), nullptr);
    runFor(NavigationBar::kAnimationDuration + 0.1);
    EXPECT_EQ(bar->subviewCount(), 1u);

    // An item without a left button gets a back button titled after the item beneath; it pops.
    auto plain = NavigationItem::create("Help");
    bar->pushNavigationItem(plain, false);
    ASSERT_NE(bar->backButton(), nullptr);
    EXPECT_EQ(bar->backButton()->titleForState(ControlState::Normal), "Camera");
    tapView(bar->backButton());
    EXPECT_EQ(bar->topItem(), root.get());
    runFor(1);
    EXPECT_EQ(ViewAnimation::runningCount(), 0u);
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
    EXPECT_EQ(pc->currentPage(), 1);
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
    EXPECT_EQ(level(0), level(2));
    EXPECT_NEAR(pc->dotRect(1).midX(), 100, 0.01);
    EXPECT_EQ(img->pixel(2, 2)[1], 0);
}

TEST_F(ControlsTest, WebViewFollowsAnchorsBundlePagesAndExternalLinks) {
    testenv::ScratchDir dir;
    testenv::writeFile(dir / "page2.html", "<body style=\"margin:0\"><p id=\"two\">Second page</p></body>");
    Bundle bundle(dir.path());
    struct Recorder : WebViewDelegate {
        std::vector<std::string> asked, external, failed;
        int finished = 0;
        bool allow = true;
        bool webViewShouldStartLoadWithRequest(WebView*, const std::string& url, WebViewNavigationType) override {
            asked.push_back(url);
            return allow;
        }
        void webViewDidFinishLoad(WebView*) override { ++finished; }
        void webViewOpenExternalURL(WebView*, const std::string& url) override { external.push_back(url); }
        void webViewDidFailLoadWithError(WebView*, const std::string& e) override { failed.push_back(e); }
    } delegate;
    auto* web = static_cast<WebView*>(window_.addSubview(std::make_unique<WebView>(Rect(0, 0, 320, 200))));
    web->setDelegate(&delegate);
    web->setBundle(&bundle);
    std::string html =
        "<body style=\"margin:0;font-size:20px\">"
        "<div style=\"height:40px\"><a href=\"#bottom\">Down</a></div>"
        "<div style=\"height:40px\"><a href=\"page2.html\">Next</a></div>"
        "<div style=\"height:40px\"><a href=\"http://example.com/\">Site</a></div>"
        "<div style=\"height:40px\"><a href=\"missing.html\">Gone</a></div>"
        "<div style=\"height:600px\"></div><div id=\"bottom\" style=\"height:100px\">End</div></body>";
    web->loadHTMLString(html);
    EXPECT_EQ(delegate.finished, 1);
    EXPECT_FLOAT_EQ(web->contentHeight(), 860);

    // A fragment scrolls to its anchor, as far as the content allows.
    tap({10, 20});
    EXPECT_EQ(delegate.asked, std::vector<std::string>{"#bottom"});
    EXPECT_FLOAT_EQ(web->contentOffset(), 660);
    web->setContentOffset(0);
    // An external link goes to the delegate; the page stays.
    tap({10, 100});
    EXPECT_EQ(delegate.external, std::vector<std::string>{"http://example.com/"});
    EXPECT_EQ(web->html(), html);
    // A missing bundle page fails; a refused request does nothing.
    tap({10, 140});
    EXPECT_EQ(delegate.failed.size(), 1u);
    delegate.allow = false;
    tap({10, 60});
    EXPECT_TRUE(web->currentPage().empty());
    // A relative link loads the bundle page.
    delegate.allow = true;
    tap({10, 60});
    EXPECT_EQ(web->currentPage(), "page2.html");
    EXPECT_NE(web->html().find("Second page"), std::string::npos);
    EXPECT_EQ(delegate.finished, 2);
    // A drag scrolls instead of following a link.
    web->loadHTMLString(html);
    window_.touchDown(0, {10, 150}, clock_.now());
    window_.touchMove(0, {10, 100}, clock_.now() + 0.05);
    window_.touchMove(0, {10, 50}, clock_.now() + 0.1);
    window_.touchUp(0, clock_.now() + 0.15);
    EXPECT_FLOAT_EQ(web->contentOffset(), 100);
    EXPECT_EQ(delegate.external.size(), 1u);
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
