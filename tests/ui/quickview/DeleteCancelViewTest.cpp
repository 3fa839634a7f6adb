#include "ui/quickview/DeleteCancelView.h"

#include "platform/graphics/SurfaceContext.h"
#include "platform/ui/Button.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using platform::Rect;

std::unique_ptr<platform::Button> button(const Rect& frame, int32_t tag) {
    auto b = std::make_unique<platform::Button>(frame);
    b->setTag(tag);
    return b;
}

TEST(DeleteCancelViewTest, ButtonsSitByTagAndSideWithDeleteAtTheScreenEdge) {
    DeleteCancelView tab(Rect(-170, 0, 170, 50));
    EXPECT_EQ(tab.dockSide(), DockSide::Right);
    auto* del = tab.addButton(button(Rect(10, 3, 60, 44), DeleteCancelView::kDeleteTag));
    auto* cancel = tab.addButton(button(Rect(90, 3, 60, 44), DeleteCancelView::kCancelTag));
    auto* other = tab.addButton(button(Rect(33, 7, 20, 20), 12));

    // Stack docked right, tab on the left: "Delete" at the left (screen-edge) end.
    EXPECT_EQ(del->frame(), Rect(10, 3, 60, 44));
    EXPECT_EQ(cancel->frame(), Rect(90, 3, 60, 44));

    // Docked left, tab on the right: mirrored; vertical places and other tags stay.
    tab.setDockSide(DockSide::Left);
    EXPECT_EQ(cancel->frame(), Rect(20, 3, 60, 44));
    EXPECT_EQ(del->frame(), Rect(100, 3, 60, 44));
    EXPECT_EQ(other->frame(), Rect(33, 7, 20, 20));
    EXPECT_TRUE(tab.needsDisplay());
    tab.setDockSide(DockSide::Right);
    EXPECT_EQ(del->frame(), Rect(10, 3, 60, 44));
}

// Alpha of the drawn tab at a point, rendered at 1x into a transparent 170 x 50 surface.
class TabPixels {
public:
    TabPixels(DockSide side, float radius) : tab_(Rect(0, 0, 170, 50)) {
        tab_.setDockSide(side);
        auto ctx = platform::SurfaceContext::create(170, 50, 1);
        tab_.drawTab(*ctx, radius);
        image_ = ctx->makeImage();
    }
    int alpha(int x, int y) const { return image_->pixel(x, y)[3]; }
    int blue(int x, int y) const { return image_->pixel(x, y)[0]; }

private:
    DeleteCancelView tab_;
    platform::ImageRef image_;
};

TEST(DeleteCancelViewTest, TabIsTranslucentGreyOpenAtTheScreenEdgeAndMirroredForTheLeftDock) {
    // Side 1: 95 % of the width from the left edge (0..161.5), 85.5 % of the height centred
    // (3.6..46.4). Fill white 0.5 at alpha 0.3: premultiplied grey 38, alpha 77 (rounded).
    TabPixels right(DockSide::Right, DeleteCancelView::kTabRadius);
    EXPECT_NEAR(right.alpha(80, 25), 77, 1);
    EXPECT_NEAR(right.blue(80, 25), 38, 1);
    EXPECT_EQ(right.alpha(165, 25), 0);
    EXPECT_EQ(right.alpha(80, 1), 0);
    // The white outline runs along the top; the screen edge (x 0) has none, so the edge pixel
    // carries the fill only.
    EXPECT_GT(right.alpha(80, 3), right.alpha(80, 25));
    EXPECT_NEAR(right.alpha(0, 25), 77, 1);
    // The inner end has an outline.
    EXPECT_GT(right.alpha(161, 25), right.alpha(80, 25));

    // Side 0: the same shape mirrored to the right edge.
    TabPixels left(DockSide::Left, DeleteCancelView::kTabRadius);
    EXPECT_EQ(left.alpha(4, 25), 0);
    EXPECT_NEAR(left.alpha(169, 25), 77, 1);
    EXPECT_GT(left.alpha(8, 25), left.alpha(89, 25));
}

}  // namespace
}  // namespace kestrova
