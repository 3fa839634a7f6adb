// The application delegate's quick view over a real camera page, save worker and camera roll:
// thumbnails for new pictures, the delete tab, and deleting a picture through it.
#include "tests/app/AppFixture.h"
#include "tests/app/WorkerGate.h"

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "tests/platform/graphics/TestImages.h"
#include "ui/controls/MenuScrollView.h"
#include "ui/quickview/DeleteCancelView.h"
#include "ui/quickview/ThumbnailManager.h"
#include "ui/quickview/ThumbnailView.h"

using namespace std::chrono_literals;

namespace apptest {
namespace {

namespace fs = std::filesystem;
using kestrova::DeleteCancelView;
using kestrova::ThumbnailView;
using platform::Point;
using platform::Rect;

class QuickViewDeletionTest : public AppFixture {
protected:
    void SetUp() override {
        // Pictures pass until a test arms the gate to hold the worker inside one.
        gate->armed = false;
        launchReady([&](kestrova::KestrovaAppDelegate& d) {
            kestrova::KestrovaAppDelegateTestApi(d).setPositionProvider(gate->provider());
        });
    }

    // The camera's callback, as a shutter press brings it.
    void takePicture() { delegate->cameraControllerTookPicture(nullptr, picture, preview, nullptr, nullptr); }
    // Touches at camera-page points, without advancing the clock, so nothing waits for the
    // worker in between.
    Point screen(Point p) const { return api().mainView()->convertPointToView(p, nullptr); }
    void dragSideways(Point from, float dx) {
        platform::Window* w = delegate->window();
        w->touchDown(0, screen(from), loop.now());
        for (int i = 1; i <= 10; ++i) w->touchMove(0, screen({from.x + dx * float(i) / 10, from.y}), loop.now());
        w->touchUp(0, loop.now());
    }
    void tapTabButton(int32_t tag) {
        auto* button = api().delButton()->viewWithTag(tag);
        ASSERT_NE(button, nullptr);
        delegate->window()->touchDown(0, centreOf(button), loop.now());
        delegate->window()->touchUp(0, loop.now());
    }
    kestrova::ThumbnailManager& stack() const { return *api().previewManager(); }

    kestrova::GateOpener gate;
    platform::ImageRef picture = testimages::solid(1600, 1200, {90, 90, 90});
    platform::ImageRef preview = testimages::solid(400, 320, {90, 90, 90});
};

TEST_F(QuickViewDeletionTest, TabSlidesInOppositeTheStackAtTheDraggedThumbnailsHeight) {
    DeleteCancelView* tab = api().delButton();
    takePicture();
    ASSERT_EQ(stack().previews().size(), 1u);
    ThumbnailView* thumb = stack().previews().back();
    // The turned fan image (portrait) on a mat: 8 points around it each way.
    const auto& fan = thumb->imageView()->image();
    ASSERT_NE(fan, nullptr);
    EXPECT_LT(fan->width(), fan->height());
    EXPECT_EQ(thumb->bounds().size, (platform::Size{float(fan->width() + 16), float(fan->height() + 16)}));
    EXPECT_FALSE(api().deleteButtonShowing());

    // Docked right (the default): the tab comes in at the left edge, at the thumbnail's height.
    dragSideways({288.4f, 360}, -170);
    EXPECT_TRUE(api().deleteButtonShowing());
    EXPECT_FLOAT_EQ(tab->alpha(), 1.0f);
    EXPECT_EQ(tab->frame(), Rect(0, 335, 170, 50));
    auto* deleteButton = static_cast<platform::Button*>(tab->viewWithTag(DeleteCancelView::kDeleteTag));
    EXPECT_EQ(deleteButton->currentTitle(), "Delete");
    // "Cancel" takes it away again.
    tapTabButton(DeleteCancelView::kCancelTag);
    EXPECT_FALSE(api().deleteButtonShowing());
    EXPECT_FLOAT_EQ(tab->alpha(), 0.0f);

    // Docked left: the stack moves to the left edge, the tab comes in at the right edge. Two
    // more pictures fanned out: the oldest, dragged a little below its centre, brings the tab in
    // at its own centre's height, not the newest's nor the finger's.
    delegate->setPreviewState(kestrova::PreviewState::DockedLeft);
    takePicture();
    takePicture();
    stack().setFanout(true);
    loop.runFor(0.5s);
    EXPECT_FLOAT_EQ(thumb->center().x, 31.6f);
    const float y = thumb->center().y;
    ASSERT_LT(y, 300);
    dragSideways({31.6f, y + 5}, 170);
    EXPECT_TRUE(api().deleteButtonShowing());
    EXPECT_EQ(tab->frame(), Rect(150, y - 25, 170, 50));
    EXPECT_EQ(stack().selectedImage(), thumb);
}

// A picture that cannot be written (its folder gone) leaves the stack as a deleted one does, and
// the tab offering it goes with it.
TEST_F(QuickViewDeletionTest, ALostPictureTakesItsThumbnailAndTheTabOfferingIt) {
    gate->arm();
    takePicture();
    ASSERT_TRUE(gate->waitEntered());
    ASSERT_EQ(stack().previews().size(), 1u);
    dragSideways({288.4f, 360}, -170);
    ASSERT_TRUE(api().deleteButtonShowing());
    fs::rename(roll(""), root / "moved");
    gate->release();
    ASSERT_TRUE(loop.settle(30.0));
    EXPECT_TRUE(stack().previews().empty());
    EXPECT_FALSE(api().deleteButtonShowing());
    EXPECT_FALSE(fs::exists(root / "moved/IMG_0001.THM"));
}

// The tab deletes the picture its thumbnail stands for, whether still queued or written (the
// queue's side, the record dropped or a delete command after it: SaveQueueTest).
TEST_F(QuickViewDeletionTest, TheTabDeletesTheDraggedPictureQueuedOrWritten) {
    takePicture();
    ASSERT_TRUE(loop.settle(30.0));
    // Pictures 2 and 3 in a row: the worker is held inside 2 while 3 waits, and 3 is deleted.
    gate->arm();
    takePicture();
    takePicture();
    ASSERT_TRUE(gate->waitEntered());
    ASSERT_EQ(stack().previews().back()->imageIndex(), 3);
    dragSideways({288.4f, 360}, -170);
    tapTabButton(DeleteCancelView::kDeleteTag);
    EXPECT_FALSE(api().deleteButtonShowing());
    EXPECT_EQ(stack().previews().size(), 2u);
    gate->release();
    ASSERT_TRUE(loop.settle(30.0));
    EXPECT_FALSE(gate->watchdogFired);

    // Pictures 4 and 5: the stack holds four. Picture 1, written, deleted from the fanned-out
    // stack: both its files go.
    takePicture();
    takePicture();
    ASSERT_EQ(stack().previews().size(), 4u);
    stack().setFanout(true);
    ThumbnailView* first = stack().previews().front();
    ASSERT_EQ(first->imageIndex(), 1);
    dragSideways(first->center(), -170);
    tapTabButton(DeleteCancelView::kDeleteTag);
    delegate->waitTillFinishedSaving();
    EXPECT_EQ(files100(".JPG"), (std::vector<std::string>{"IMG_0002.JPG", "IMG_0004.JPG", "IMG_0005.JPG"}));
    EXPECT_EQ(files100(".THM"), (std::vector<std::string>{"IMG_0002.THM", "IMG_0004.THM", "IMG_0005.THM"}));
    EXPECT_EQ(stack().previews().size(), 3u);
}

TEST_F(QuickViewDeletionTest, ANewPictureClosesTheOptionsBarOnlyWhenThumbnailsShow) {
    kestrova::MenuScrollView* bar = api().buttonBar();
    ASSERT_FALSE(bar->hidden());
    delegate->setPreviewState(kestrova::PreviewState::Off);
    takePicture();
    loop.runFor(0.5s);
    EXPECT_FALSE(bar->hidden());
    delegate->setPreviewState(kestrova::PreviewState::DockedRight);
    takePicture();
    loop.runFor(0.5s);
    EXPECT_TRUE(bar->hidden());
}

}  // namespace
}  // namespace apptest
