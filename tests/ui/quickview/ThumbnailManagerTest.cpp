#include "QuickViewFixture.h"

namespace kestrova {
namespace {

using platform::Point;
using test::QuickViewFixture;

class ThumbnailManagerTest : public QuickViewFixture {};

TEST_F(ThumbnailManagerTest, CentresCollapsedFannedAndHidden) {
    // Docked right on a 320-point host: 31.6 inside the edge, 31.6 beyond it while hidden.
    EXPECT_FLOAT_EQ(manager_->smallCenter().x, 288.4f);
    EXPECT_FLOAT_EQ(manager_->smallCenter().y, 360.0f);
    EXPECT_EQ(manager_->fullCenter(), (Point{160, 240}));

    // One thumbnail stands at the stack's centre: no step is needed, and none divides by zero.
    ThumbnailView* first = add(1);
    EXPECT_EQ(first->center(), (Point{288.4f, 360}));
    EXPECT_EQ(first->transform(), platform::AffineTransform::makeScale(0.2f, 0.2f));

    // Collapsed steps are whole points: 15, 7 (not 7.5), 5.
    add(2);
    EXPECT_EQ(ys(), (std::vector<float>{345, 360}));
    add(3);
    EXPECT_EQ(ys(), (std::vector<float>{346, 353, 360}));
    add(4);
    EXPECT_EQ(ys(), (std::vector<float>{345, 350, 355, 360}));

    // Fanned out: 84.2 apart, newest lowest.
    manager_->setFanout(true);
    EXPECT_FLOAT_EQ(ys()[0], 107.4f);
    manager_->setFanout(false);

    // Hidden: beyond the edge at opacity 0, and the tab is taken away; shown again, all returns.
    delegate_.calls.clear();
    manager_->setHidden(true);
    ThumbnailView* last = manager_->previews().back();
    EXPECT_FLOAT_EQ(last->center().x, 351.6f);
    EXPECT_FLOAT_EQ(last->alpha(), 0.0f);
    EXPECT_EQ(delegate_.count("hide"), 1);
    manager_->setHidden(false);
    EXPECT_EQ(ys(), (std::vector<float>{345, 350, 355, 360}));
    EXPECT_FLOAT_EQ(last->center().x, 288.4f);
    EXPECT_FLOAT_EQ(last->alpha(), 1.0f);
    runFor(0.5);
    EXPECT_FLOAT_EQ(first->presentation().center.x, 288.4f);

    // Docked left: 31.6 from the left edge, -31.6 while hidden.
    manager_->setDockSide(DockSide::Left);
    EXPECT_FLOAT_EQ(first->center().x, 31.6f);
    manager_->setHidden(true);
    EXPECT_FLOAT_EQ(first->center().x, -31.6f);
}

TEST_F(ThumbnailManagerTest, ThumbnailsLeavingTheListTakeTheirSelection) {
    ThumbnailView* one = add(1);
    ThumbnailView* two = add(2);
    add(3);
    add(4);
    manager_->setSelectedImage(one);
    EXPECT_EQ(manager_->selectedImageIndex(), 1);
    ThumbnailView* five = add(5);
    ASSERT_EQ(manager_->previews().size(), 4u);
    EXPECT_EQ(manager_->previews().front()->imageIndex(), 2);
    EXPECT_EQ(host_->indexOfSubview(one), -1);  // checked by pointer only, never dereferenced
    EXPECT_EQ(host_->subviewCount(), 4u);
    // The evicted thumbnail was the selection: it is cleared, and deletion finds no picture.
    EXPECT_EQ(manager_->selectedImage(), nullptr);
    EXPECT_EQ(manager_->selectedImageIndex(), 0);
    manager_->removeSelectedImage();
    EXPECT_EQ(manager_->previews().size(), 4u);

    // A selection that stays in the list survives the next eviction.
    ThumbnailView* three = manager_->previews()[1];
    manager_->setSelectedImage(three);
    add(6);
    EXPECT_EQ(host_->indexOfSubview(two), -1);
    EXPECT_EQ(manager_->selectedImageIndex(), 3);
    for (size_t i = 0; i < 4; ++i) {
        ThumbnailView* t = manager_->previews()[i];
        EXPECT_EQ(t->active(), i == 3) << i;
        EXPECT_EQ(host_->indexOfSubview(t), int(i)) << i;  // age order is stacking order
    }
    EXPECT_FALSE(five->active());

    // Removing the selection takes it off the screen and closes the gap.
    manager_->removeSelectedImage();
    EXPECT_EQ(manager_->selectedImage(), nullptr);
    EXPECT_EQ(host_->indexOfSubview(three), -1);
    EXPECT_EQ(ys(), (std::vector<float>{346, 353, 360}));
    // Removed by itself (a picture that was lost), the selection goes with it too.
    ThumbnailView* newest = manager_->previews().back();
    manager_->setSelectedImage(newest);
    manager_->removePreview(newest);
    EXPECT_EQ(manager_->selectedImage(), nullptr);
}

TEST_F(ThumbnailManagerTest, EnabledFanAndRestoredOrder) {
    // Switched off, thumbnails are still collected, invisible; switched on they all show.
    manager_->setEnabled(false);
    add(1);
    add(2);
    EXPECT_FLOAT_EQ(manager_->previews()[0]->alpha(), 0.0f);
    manager_->setEnabled(true);
    EXPECT_FLOAT_EQ(manager_->previews()[0]->alpha(), 1.0f);
    EXPECT_FLOAT_EQ(manager_->previews()[1]->alpha(), 1.0f);

    // The fan needs two thumbnails; with one it stays collapsed.
    manager_->removePreviewUsingIndex(0);
    manager_->setFanout(true);
    EXPECT_FALSE(manager_->getFanout());
    add(3);
    manager_->setFanout(true);
    EXPECT_TRUE(manager_->getFanout());
    delegate_.calls.clear();
    manager_->collapse();
    EXPECT_FALSE(manager_->getFanout());
    EXPECT_EQ(delegate_.count("hide"), 1);

    // Something brought to the front above the newest is put back behind it.
    ThumbnailView* older = manager_->previews()[0];
    host_->bringSubviewToFront(older);
    manager_->restoreOrder();
    EXPECT_EQ(host_->indexOfSubview(older), 0);
}

}  // namespace
}  // namespace kestrova
