// The application delegate's quick view over a real camera page, save worker and camera roll:
// thumbnails for new pictures, the delete tab, and deleting a picture through it.
#include "app/KestrovaAppDelegate.h"
#include "tests/app/KestrovaAppDelegateTestApi.h"
#include "tests/app/WorkerGate.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Window.h"
#include "tests/support/TestEnv.h"
#include "tests/platform/graphics/TestImages.h"
#include "ui/controls/MenuScrollView.h"
#include "ui/quickview/DeleteCancelView.h"
#include "ui/quickview/ThumbnailManager.h"
#include "ui/quickview/ThumbnailView.h"

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace kestrova {
namespace {

namespace fs = std::filesystem;
using platform::Point;
using platform::Rect;

// File events in one folder, in the order the kernel saw them: "+NAME" when a file appeared under
// its final name, "-NAME" when it was removed. Only picture and thumbnail files count.
class FolderEvents {
public:
    explicit FolderEvents(const fs::path& folder) : fd_(inotify_init1(IN_NONBLOCK)) {
        if (fd_ >= 0) inotify_add_watch(fd_, folder.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE | IN_DELETE);
    }
    ~FolderEvents() {
        if (fd_ >= 0) close(fd_);
    }
    bool ok() const { return fd_ >= 0; }
    std::vector<std::string> read() {
        alignas(inotify_event) char buf[16384];
        ssize_t n;
        while ((n = ::read(fd_, buf, sizeof buf)) > 0) {
            for (char* p = buf; p < buf + n;) {
                auto* e = reinterpret_cast<inotify_event*>(p);
                std::string name = e->len ? e->name : "";
                bool picture = name.size() > 4 && (name.ends_with(".JPG") || name.ends_with(".THM"));
                if (picture) events_.push_back((e->mask & IN_DELETE ? "-" : "+") + name);
                p += sizeof(inotify_event) + e->len;
            }
        }
        return events_;
    }

private:
    int fd_;
    std::vector<std::string> events_;
};

class QuickViewDeletionTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::RunLoop::setMain(&loop_);
        platform::NotificationCenter::setDefaultCenter(&center_);
        platform::FileManager::setDefaultManager(&files_);
        bundle_ = std::make_unique<platform::Bundle>(testenv::bundleDir(), "en");
        platform::Bundle::setMainBundle(bundle_.get());
        defaults_ = std::make_unique<platform::UserDefaults>(files_, bundle_->bundleIdentifier());
        platform::UserDefaults::setStandardUserDefaults(defaults_.get());

        app_ = std::make_unique<KestrovaAppDelegate>();
        // Pictures pass until a test arms the gate to hold the worker inside one.
        gate_->armed = false;
        api().setPositionProvider(gate_->provider());
        std::string error;
        ASSERT_TRUE(api().loadMainInterface(&error)) << error;
        app_->initializeSettings();
        app_->initializeViews();
        app_->initializePhotoProcessingThread();
        ASSERT_TRUE(loop_.settle(30.0));
        loop_.runFor(0.5s);
        ASSERT_NE(api().previewManager(), nullptr);
        ASSERT_NE(api().delButton(), nullptr);
        window_ = app_->window();
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override {
        app_.reset();
        platform::UserDefaults::setStandardUserDefaults(nullptr);
        platform::Bundle::setMainBundle(nullptr);
        platform::FileManager::setDefaultManager(nullptr);
        platform::NotificationCenter::setDefaultCenter(nullptr);
        platform::RunLoop::setMain(nullptr);
    }

    fs::path roll(const std::string& name) const { return dir_.path() / "var/mobile/Media/DCIM/100APPLE" / name; }
    void takePicture() { app_->cameraControllerTookPicture(nullptr, picture_, preview_, nullptr, nullptr); }
    // Touches at camera-page points, without advancing the clock, so nothing waits for the
    // worker in between.
    Point screen(Point p) const { return api().mainView()->convertPointToView(p, nullptr); }
    void down(Point p) { window_->touchDown(0, screen(p), loop_.now()); }
    void move(Point p) { window_->touchMove(0, screen(p), loop_.now()); }
    void up() { window_->touchUp(0, loop_.now()); }
    void dragSideways(Point from, float dx) {
        down(from);
        for (int i = 1; i <= 10; ++i) move({from.x + dx * float(i) / 10, from.y});
        up();
    }
    // Taps the visible tab button with that title, where it is on screen.
    void tapTabButton(int32_t tag) {
        auto* button = api().delButton()->viewWithTag(tag);
        ASSERT_NE(button, nullptr);
        down(button->convertPointToView(button->bounds().center(), api().mainView()));
        up();
    }
    // A tab button's frame on the camera page.
    Rect onPage(int32_t tag) const {
        DeleteCancelView* tab = api().delButton();
        return tab->convertRectToView(tab->viewWithTag(tag)->frame(), api().mainView());
    }
    std::string title(int32_t tag) const {
        return static_cast<platform::Button*>(api().delButton()->viewWithTag(tag))->currentTitle();
    }

    KestrovaAppDelegateTestApi api() const { return KestrovaAppDelegateTestApi(*app_); }

    testenv::ScratchDir dir_;
    platform::FileManager files_{dir_.path()};
    platform::ManualClock clock_;
    platform::RunLoop loop_{clock_};
    platform::NotificationCenter center_;
    std::unique_ptr<platform::Bundle> bundle_;
    std::unique_ptr<platform::UserDefaults> defaults_;
    GateOpener gate_;  // before app_: the worker it may hold goes with app_
    std::unique_ptr<KestrovaAppDelegate> app_;
    platform::Window* window_ = nullptr;
    platform::ImageRef picture_ = testimages::solid(1600, 1200, {90, 90, 90});
    platform::ImageRef preview_ = testimages::solid(400, 320, {90, 90, 90});
};

TEST_F(QuickViewDeletionTest, TabSlidesInOppositeTheStackWithDeleteAtTheScreenEdge) {
    DeleteCancelView* tab = api().delButton();
    takePicture();
    ASSERT_EQ(api().previewManager()->previews().size(), 1u);
    ThumbnailView* thumb = api().previewManager()->previews().back();
    // The turned fan image (portrait) on a mat: 8 points around it each way.
    const auto& fan = thumb->imageView()->image();
    ASSERT_NE(fan, nullptr);
    EXPECT_LT(fan->width(), fan->height());
    EXPECT_EQ(thumb->bounds().size, (platform::Size{float(fan->width() + 16), float(fan->height() + 16)}));
    EXPECT_EQ(thumb->imageView()->frame(), Rect(8, 8, float(fan->width()), float(fan->height())));
    EXPECT_EQ(thumb->imageIndex(), 1);
    EXPECT_FALSE(api().deleteButtonShowing());
    EXPECT_FLOAT_EQ(tab->alpha(), 0.0f);

    // Docked right (the default): the tab comes in at the left edge, at the thumbnail's height,
    // "Delete" at its left end.
    dragSideways({288.4f, 360}, -170);
    EXPECT_TRUE(api().deleteButtonShowing());
    EXPECT_FLOAT_EQ(tab->alpha(), 1.0f);
    EXPECT_EQ(tab->frame(), Rect(0, 335, 170, 50));
    EXPECT_EQ(title(DeleteCancelView::kDeleteTag), "Delete");
    EXPECT_EQ(title(DeleteCancelView::kCancelTag), "Cancel");
    EXPECT_EQ(onPage(DeleteCancelView::kDeleteTag), Rect(10, 338, 60, 44));
    EXPECT_EQ(onPage(DeleteCancelView::kCancelTag), Rect(90, 338, 60, 44));
    // "Cancel" takes it away again.
    tapTabButton(DeleteCancelView::kCancelTag);
    EXPECT_FALSE(api().deleteButtonShowing());
    EXPECT_FLOAT_EQ(tab->alpha(), 0.0f);
    EXPECT_TRUE(tab->transform().isIdentity());

    // Docked left: the stack moves to the left edge, the tab comes in at the right edge.
    app_->setPreviewState(kestrova::PreviewState::DockedLeft);
    loop_.runFor(0.5s);
    EXPECT_FLOAT_EQ(thumb->center().x, 31.6f);
    dragSideways({31.6f, 360}, 170);
    EXPECT_TRUE(api().deleteButtonShowing());
    EXPECT_EQ(tab->frame(), Rect(150, 335, 170, 50));
    EXPECT_EQ(onPage(DeleteCancelView::kDeleteTag), Rect(250, 338, 60, 44));
    EXPECT_EQ(onPage(DeleteCancelView::kCancelTag), Rect(170, 338, 60, 44));
}

// A picture that cannot be written (its folder gone) leaves the stack as a deleted one does, and
// the tab offering it goes with it.
TEST_F(QuickViewDeletionTest, ALostPictureTakesItsThumbnailAndTheTabOfferingIt) {
    gate_->arm();
    takePicture();
    ASSERT_TRUE(gate_->waitEntered());
    ASSERT_EQ(api().previewManager()->previews().size(), 1u);
    dragSideways({288.4f, 360}, -170);
    ASSERT_TRUE(api().deleteButtonShowing());
    fs::rename(roll(""), dir_.path() / "moved");
    gate_->release();
    ASSERT_TRUE(loop_.settle(30.0));
    EXPECT_TRUE(api().previewManager()->previews().empty());
    EXPECT_FALSE(api().deleteButtonShowing());
    EXPECT_FALSE(fs::exists(dir_.path() / "moved/IMG_0001.THM"));
}

TEST_F(QuickViewDeletionTest, QueuedPictureIsDroppedAndSavedPictureLosesJpgThenThm) {
    // Picture 1 is written before anything else happens.
    takePicture();
    ASSERT_TRUE(loop_.settle(30.0));
    ASSERT_TRUE(fs::exists(roll("IMG_0001.JPG")));
    FolderEvents events(roll(""));
    ASSERT_TRUE(events.ok());

    // Pictures 2 and 3 in a row: the worker is held inside 2 while 3 waits. Deleting 3 drops
    // its record: no file of it ever appears.
    gate_->arm();
    takePicture();
    takePicture();
    ASSERT_TRUE(gate_->waitEntered());
    ASSERT_EQ(api().previewManager()->previews().back()->imageIndex(), 3);
    dragSideways({288.4f, 360}, -170);
    ASSERT_TRUE(api().deleteButtonShowing());
    tapTabButton(DeleteCancelView::kDeleteTag);
    EXPECT_FALSE(api().deleteButtonShowing());
    EXPECT_EQ(api().previewManager()->previews().size(), 2u);
    EXPECT_EQ(api().previewManager()->selectedImage(), nullptr);
    gate_->release();
    ASSERT_TRUE(loop_.settle(30.0));
    EXPECT_FALSE(gate_->watchdogFired);
    EXPECT_EQ(events.read(), (std::vector<std::string>{"+IMG_0002.THM", "+IMG_0002.JPG"}));

    // Pictures 4 and 5 queued, then picture 1 (saved) deleted from the fanned-out stack: its
    // files go, the picture first, after pictures 4 and 5 are written.
    takePicture();
    takePicture();
    ASSERT_EQ(api().previewManager()->previews().size(), 4u);
    api().previewManager()->setFanout(true);
    ThumbnailView* first = api().previewManager()->previews().front();
    ASSERT_EQ(first->imageIndex(), 1);
    ASSERT_FLOAT_EQ(first->center().y, 107.4f);
    dragSideways(first->center(), -170);
    ASSERT_EQ(api().previewManager()->selectedImageIndex(), 1);
    tapTabButton(DeleteCancelView::kDeleteTag);
    app_->waitTillFinishedSaving();
    EXPECT_EQ(events.read(), (std::vector<std::string>{"+IMG_0002.THM", "+IMG_0002.JPG", "+IMG_0004.THM",
                                                       "+IMG_0004.JPG", "+IMG_0005.THM", "+IMG_0005.JPG",
                                                       "-IMG_0001.JPG", "-IMG_0001.THM"}));
    EXPECT_FALSE(fs::exists(roll("IMG_0001.JPG")));
    EXPECT_FALSE(fs::exists(roll("IMG_0001.THM")));
    EXPECT_FALSE(fs::exists(roll("IMG_0003.JPG")));
    EXPECT_TRUE(fs::exists(roll("IMG_0002.JPG")));
    EXPECT_EQ(api().previewManager()->previews().size(), 3u);
}

TEST_F(QuickViewDeletionTest, OlderFannedThumbnailsAnswerTapsAndDragsAtTheirOwnHeight) {
    for (int i = 0; i < 3; ++i) takePicture();
    ThumbnailManager* manager = api().previewManager();
    ASSERT_EQ(manager->previews().size(), 3u);
    // A tap on the newest fans the stack out upwards, one step per thumbnail.
    down({288.4f, 360});
    up();
    loop_.runFor(0.5s);
    ASSERT_TRUE(manager->getFanout());
    ThumbnailView* oldest = manager->previews()[0];
    ThumbnailView* middle = manager->previews()[1];
    EXPECT_FLOAT_EQ(middle->center().y, 360 - ThumbnailManager::kFanStep);
    EXPECT_FLOAT_EQ(oldest->center().y, 360 - 2 * ThumbnailManager::kFanStep);

    // A tap on an older one selects it and leaves the fan open.
    down(middle->center());
    up();
    loop_.runFor(0.5s);
    EXPECT_TRUE(manager->getFanout());
    EXPECT_EQ(manager->selectedImage(), middle);
    EXPECT_FALSE(api().deleteButtonShowing());

    // Dragged aside, the oldest brings the tab in at its own centre's height: not the newest's,
    // nor the finger's.
    const Point at = oldest->center();
    dragSideways({at.x, at.y + 5}, -170);
    ASSERT_TRUE(api().deleteButtonShowing());
    EXPECT_FLOAT_EQ(api().delButton()->center().y, at.y);
    EXPECT_EQ(api().delButton()->frame(), Rect(0, at.y - 25, 170, 50));
    EXPECT_EQ(manager->selectedImageIndex(), 1);
}

TEST_F(QuickViewDeletionTest, VerticalSlackHoldsBeforeTheDragStartsAndNotDuringIt) {
    takePicture();
    loop_.runFor(0.5s);
    const Point at{288.4f, 360};
    // More than 15 points up or down before the drag starts: no drag and no tab, however far.
    down(at);
    move({at.x, at.y + 16});
    for (int i = 1; i <= 10; ++i) move({at.x - 17.0f * float(i), at.y + 16});
    up();
    loop_.runFor(0.5s);
    EXPECT_FALSE(api().deleteButtonShowing());
    // Within 15 points it still starts.
    down(at);
    move({at.x, at.y + 14});
    for (int i = 1; i <= 10; ++i) move({at.x - 17.0f * float(i), at.y + 14});
    up();
    EXPECT_TRUE(api().deleteButtonShowing());
    tapTabButton(DeleteCancelView::kCancelTag);
    loop_.runFor(0.5s);
    // Once dragging, the finger may wander 20 points off its row and back: the thumbnail follows
    // it along its own row all the way.
    ThumbnailView* thumb = api().previewManager()->previews().back();
    down(at);
    move({at.x - 20, at.y});
    for (int i = 2; i <= 10; ++i) move({at.x - 17.0f * float(i), i <= 5 ? at.y + 20 : at.y});
    EXPECT_FLOAT_EQ(thumb->center().x, at.x - 170);
    EXPECT_FLOAT_EQ(thumb->center().y, at.y);
    up();
    EXPECT_TRUE(api().deleteButtonShowing());
}

TEST_F(QuickViewDeletionTest, ANewPictureClosesTheOptionsBarOnlyWhenThumbnailsShow) {
    MenuScrollView* bar = api().buttonBar();
    ASSERT_FALSE(bar->hidden());
    app_->setPreviewState(kestrova::PreviewState::Off);
    takePicture();
    loop_.runFor(0.5s);
    EXPECT_FALSE(bar->hidden());
    app_->setPreviewState(kestrova::PreviewState::DockedRight);
    takePicture();
    loop_.runFor(0.5s);
    EXPECT_TRUE(bar->hidden());
}

}  // namespace
}  // namespace kestrova
