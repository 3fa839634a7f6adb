#include "OptionsBarFixture.h"

#include "platform/ui/Layer.h"
#include "platform/ui/Compositor.h"
#include "platform/ui/TextView.h"
#include "platform/ui/ViewBacking.h"

#include <cairo.h>

#include <typeinfo>

namespace kestrova {
namespace {

using platform::AffineTransform;
using platform::TransitionSubtype;
using test::OptionsBarFixture;

class MenuScrollViewTest : public OptionsBarFixture {
protected:
    // The side the running page transition slides in from; None when no transition runs.
    TransitionSubtype runningSubtype() {
        const platform::Transition* t = holder_->layer().animationForKey(TransitionView::kAnimationKey);
        return t ? t->subtype : TransitionSubtype::None;
    }
};

TEST_F(MenuScrollViewTest, AwakeFromNibBuildsTheBandAndStartsHiddenWithButtonsLaidOutEvenly) {
    EXPECT_EQ(right_->direction(), 1);
    EXPECT_EQ(left_->direction(), 0);
    EXPECT_FALSE(indicator_->userInteractionEnabled()) << "the dots only show the page";
    // The band behind the tips' text at the back, the text invisible.
    EXPECT_EQ(bar_->subviewAt(0), bar_->labelBackground());
    EXPECT_EQ(bar_->subviewAt(1), bar_->labelText());
    EXPECT_FLOAT_EQ(bar_->labelText()->alpha(), 0.0f);
    // Slid down by its height less the tips area.
    EXPECT_EQ(bar_->transform(), AffineTransform::makeTranslation(0, 90));

    // Four buttons on a 280-point page: spacing 60, centres 50, 110, 170, 230.
    auto page = makePage(4);
    auto buttons = page->buttons();
    ASSERT_EQ(buttons.size(), 4u);
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(buttons[i]->center(), (platform::Point{50.0f + 60.0f * float(i), 24})) << i;
}

// The first page appears at once, the others wait outside the view tree; a page asked for
// during that appearance (as at start-up) opens after it.
TEST_F(MenuScrollViewTest, TheFirstPageAppearsAtOnceAndAPageAskedMeanwhileFollows) {
    addPages(3);
    EXPECT_EQ(indicator_->numberOfPages(), 3);
    EXPECT_EQ(shownPage(), pages_[0]);
    bar_->goToPage(5);
    EXPECT_EQ(shownPage(), pages_[0]);
    runFor(0.5);
    EXPECT_EQ(bar_->currentPageNumber(), 2);
    EXPECT_EQ(shownPage(), pages_[2]);
    // A cancelled slide leaves the indicator where it was, and a holder that took no touches
    // before still takes none; the next page change is accepted.
    holder_->setUserInteractionEnabled(false);
    bar_->nextPage();
    runFor(0.05);
    holder_->cancelTransition();
    runFor(0.3);
    EXPECT_EQ(bar_->currentPageNumber(), 2);
    EXPECT_FALSE(holder_->isTransitioning());
    EXPECT_FALSE(holder_->userInteractionEnabled());
    bar_->nextPage();
    EXPECT_TRUE(holder_->isTransitioning());
}

TEST_F(MenuScrollViewTest, PagesWrapAndSlideFromTheRequestedSide) {
    addPages(3);
    runFor(0.05);  // the first page's appearance ends

    // Back from the first page (n = -1) wraps to the last, sliding in from the left.
    bar_->previousPage();
    EXPECT_EQ(runningSubtype(), TransitionSubtype::FromLeft);
    EXPECT_EQ(shownPage(), pages_[2]);
    runFor(0.25);
    EXPECT_EQ(bar_->currentPageNumber(), 2);

    // On from the last page (n = N) wraps to the first, sliding in from the right.
    bar_->nextPage();
    EXPECT_EQ(runningSubtype(), TransitionSubtype::FromRight);
    EXPECT_EQ(shownPage(), pages_[0]);
    runFor(0.25);
    EXPECT_EQ(bar_->currentPageNumber(), 0);
    EXPECT_EQ(pages_[2]->superview(), nullptr);

    // A large negative number wraps backwards: -4 from page 0 is page 2, from the left.
    bar_->goToPage(-4);
    EXPECT_EQ(runningSubtype(), TransitionSubtype::FromLeft);
    runFor(0.25);
    EXPECT_EQ(bar_->currentPageNumber(), 2);
}

TEST_F(MenuScrollViewTest, TheIndicatorChangesWhenTheSlideEndsAndASecondTapIsRefused) {
    addPages(3);
    bar_->showHideAction(triangle_);  // up, so the arrows are on screen
    runFor(0.35);
    const double start = now();

    // First tap on the right arrow: the holder swaps at once, the indicator waits.
    tap(right_);
    EXPECT_TRUE(holder_->isTransitioning());
    EXPECT_EQ(shownPage(), pages_[1]);
    runFor(0.1);

    // Second tap while the slide runs: refused, nothing changes; the holder takes no touches.
    tap(right_);
    EXPECT_EQ(shownPage(), pages_[1]);
    EXPECT_FALSE(holder_->userInteractionEnabled());
    runFor(start + 0.19 - now());
    EXPECT_EQ(bar_->currentPageNumber(), 0);

    // The slide ends at 0.2 s: now the indicator shows page 1, and only that page is held.
    runFor(start + 0.22 - now());
    EXPECT_EQ(bar_->currentPageNumber(), 1);
    EXPECT_EQ(holder_->subviewCount(), 1u);
    EXPECT_TRUE(holder_->userInteractionEnabled());

    // The left arrow goes back.
    tap(left_);
    runFor(0.25);
    EXPECT_EQ(bar_->currentPageNumber(), 0);
}

TEST_F(MenuScrollViewTest, TheTipsBandGrowsThenTheTextFadesInAndBack) {
    platform::View* band = bar_->labelBackground();
    platform::TextView* text = bar_->labelText();
    runFor(0.5);

    // Show: the band grows to cover y 1 .. 90 first; the text waits for it, then fades in.
    bar_->showOptionsLabel("one");
    EXPECT_TRUE(bar_->getTipsShowState());
    const platform::Rect grown = band->frame();
    EXPECT_NEAR(grown.y(), 1.0f, 1e-4);
    EXPECT_NEAR(grown.height(), 89.0f, 1e-4);
    runFor(0.1);
    EXPECT_FLOAT_EQ(text->presentation().alpha, 0.0f);
    EXPECT_LT(band->presentation().transform.d, 89.0f);
    runFor(0.2);
    EXPECT_FLOAT_EQ(text->presentation().alpha, 1.0f);

    // While shown, a new text only replaces the old one.
    bar_->showOptionsLabel("two");
    EXPECT_EQ(text->html(), "two");
    EXPECT_FALSE(band->isAnimating());

    // Hide: the text fades first, then the band shrinks.
    bar_->hideOptionsLabel();
    EXPECT_FALSE(bar_->getTipsShowState());
    runFor(0.09);
    EXPECT_EQ(band->presentation().transform, MenuScrollView::bandTransform());
    runFor(0.3);
    EXPECT_FLOAT_EQ(text->presentation().alpha, 0.0f);
    EXPECT_TRUE(band->presentation().transform.isIdentity());
}

TEST_F(MenuScrollViewTest, TheTipsNeverPartAStatesCjkWordsAcrossLines) {
    // "Blue only" after a first state of n ideographs: for some n the line ends inside it when
    // lines may break between any two ideographs. Its highlighted ink must span one line.
    const int lineHeightPixels = int(MenuScrollView::kTipsFontSize * 2 * 1.4f);
    for (int n = 14; n <= 26; ++n) {
        std::string first;
        for (int i = 0; i < n; ++i) first += "\u4E00";
        bar_->showOptionsLabel(ScrollerButton::tipsHtml("\u8272\u5F69", {first, "\u4EC5\u84DD\u8272"}, 1));
        auto shot = platform::Compositor::snapshot(*bar_->labelText(), 2);
        ASSERT_NE(shot, nullptr);
        cairo_surface_t* s = shot->surface();
        cairo_surface_flush(s);
        int top = 1 << 30, bottom = -1;
        for (int y = 0; y < shot->pixelHeight(); ++y)
            for (int x = 0; x < shot->pixelWidth(); ++x) {
                auto px = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s))[x];
                if (px == 0xFF00AEEFu) top = std::min(top, y), bottom = std::max(bottom, y);
            }
        ASSERT_GE(bottom, 0) << n;
        EXPECT_LT(bottom - top, lineHeightPixels) << n;
    }
}

TEST_F(MenuScrollViewTest, TheSlideMovesBarShutterAreaAndTriangleTogether) {
    std::vector<bool> stackHidden;
    bar_->setPreviewManager([&](bool hidden) { stackHidden.push_back(hidden); });
    ASSERT_EQ(triangle_->direction(), 1);

    // Up (direction 1): the model is the identity at once; the picture follows over 0.3 s.
    tap(triangle_);
    EXPECT_FALSE(bar_->hidden());
    EXPECT_EQ(triangle_->direction(), 0);
    EXPECT_EQ(snap_->frame(), SnapButtonView::kShortFrame);
    EXPECT_EQ(stackHidden, (std::vector<bool>{true}));
    runFor(0.15);
    EXPECT_GT(bar_->presentation().transform.ty, 0.0f);
    EXPECT_GT(snap_->presentation().bounds.height(), 340.0f);

    // Down again (direction 0).
    tap(triangle_);
    EXPECT_TRUE(bar_->hidden());
    EXPECT_EQ(triangle_->direction(), 1);
    EXPECT_EQ(snap_->frame(), SnapButtonView::kLongFrame);
    EXPECT_EQ(stackHidden, (std::vector<bool>{true, false}));

    // Any other direction flips nothing and moves nothing, and the stack shows.
    triangle_->setDirection(2);
    bar_->showHideAction(triangle_);
    EXPECT_TRUE(bar_->hidden());
    EXPECT_EQ(triangle_->direction(), 2);
    EXPECT_EQ(stackHidden.back(), false);
}

TEST_F(MenuScrollViewTest, OnlyWhatTheBarShowsTakesTouches) {
    // (160, 320) lies on the shutter area's short frame and, with the bar up, on its tips band.
    const platform::Point overBand{160, 320};
    const platform::Point emptyArea{10, 470};  // the bar's own empty area, below its pages
    bar_->showOptionsLabel("tips");
    EXPECT_EQ(window_.hitTest(overBand, nullptr), snap_) << "slid down, the bar takes nothing";
    // The 32 x 24 triangle answers in the 44-point square about its centre (160, 464).
    EXPECT_EQ(window_.hitTest({179, 444.5f}, nullptr), triangle_);
    EXPECT_NE(window_.hitTest({183, 441}, nullptr), triangle_);

    tap(triangle_);
    ASSERT_FALSE(bar_->hidden());
    EXPECT_EQ(window_.hitTest(overBand, nullptr), bar_) << "the shown band swallows the touch";
    EXPECT_EQ(window_.hitTest(emptyArea, nullptr), &window_);

    bar_->hideOptionsLabel();
    EXPECT_EQ(window_.hitTest(overBand, nullptr), snap_) << "no band, the shutter area beneath";
    EXPECT_EQ(window_.hitTest({160, 390.5f}, nullptr), &window_) << "the folded band's line takes nothing";
    EXPECT_EQ(window_.hitTest({10, 416}, nullptr), left_);
}

TEST_F(MenuScrollViewTest, ArrowsFadeOutWithFewerThanTwoPages) {
    addPages(1);
    bar_->updateArrows();
    EXPECT_FLOAT_EQ(left_->alpha(), 0.0f);
    runFor(0.15);
    EXPECT_FLOAT_EQ(right_->presentation().alpha, 0.0f);
    addPages(1);
    bar_->updateArrows();
    runFor(0.15);
    EXPECT_FLOAT_EQ(left_->presentation().alpha, 1.0f);
    EXPECT_FLOAT_EQ(right_->presentation().alpha, 1.0f);
}

}  // namespace
}  // namespace kestrova
