#pragma once
// A 320 x 480 window with the camera page's host view, a thumbnail stack docked right, a delegate
// that records what the thumbnails ask of it, and the main run loop on a manual clock.
#include "platform/foundation/Clock.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/Window.h"
#include "ui/quickview/ThumbnailManager.h"
#include "ui/quickview/ThumbnailView.h"
#include "ui/quickview/ThumbnailViewDelegate.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace kestrova::test {

class RecordingThumbnailDelegate : public ThumbnailViewDelegate {
public:
    void moveDeleteToYCoordinate(float y) override {
        calls.push_back("move");
        parkedY = y;
    }
    void hideDelete() override { calls.push_back("hide"); }
    void showDelete() override { calls.push_back("show"); }
    int count(const std::string& call) const {
        int n = 0;
        for (const auto& c : calls) n += c == call;
        return n;
    }

    std::vector<std::string> calls;
    float parkedY = -1;
};

class QuickViewFixture : public ::testing::Test {
protected:
    // A fan image of 320 x 400 makes a 336 x 416 thumbnail: 67.2 x 83.2 points at scale 0.2.
    static constexpr float kThumbWidth = 336, kThumbHeight = 416;

    QuickViewFixture() : loop_(clock_), window_(platform::Rect(0, 0, 320, 480)) {
        platform::RunLoop::setMain(&loop_);
        host_ = window_.addSubview(std::make_unique<platform::View>(platform::Rect(0, 0, 320, 480)));
        manager_ = std::make_unique<ThumbnailManager>(host_, DockSide::Right);
        manager_->setEnabled(true);
        manager_->setDelegate(&delegate_);
    }
    ~QuickViewFixture() override {
        manager_.reset();
        platform::RunLoop::setMain(nullptr);
    }

    ThumbnailView* add(int32_t number) {
        std::vector<uint8_t> px(2 * 2 * 4, 0x80);
        auto thumb = std::make_unique<ThumbnailView>(platform::Rect(0, 0, kThumbWidth, kThumbHeight),
                                                     platform::Image::createBGRX(2, 2, std::move(px)), &delegate_,
                                                     number);
        ThumbnailView* raw = thumb.get();
        manager_->addPreview(std::move(thumb));
        return raw;
    }
    std::vector<float> ys() const {
        std::vector<float> out;
        for (auto* t : manager_->previews()) out.push_back(t->center().y);
        return out;
    }

    double now() const { return clock_.now(); }
    void runFor(double s) { loop_.runFor(platform::Seconds(s)); }
    void down(float x, float y) { window_.touchDown(0, {x, y}, now()); }
    void move(float x, float y) { window_.touchMove(0, {x, y}, now()); }
    void up() { window_.touchUp(0, now()); }
    void tap(float x, float y) {
        down(x, y);
        runFor(0.05);
        up();
    }
    // Moves the finger sideways in 10-point steps, 0.02 s apart.
    void dragTo(float x0, float y, float x1) {
        const float dir = x1 > x0 ? 1.0f : -1.0f;
        for (float x = x0 + 10 * dir; dir * (x1 - x) > 0; x += 10 * dir) {
            move(x, y);
            runFor(0.02);
        }
        move(x1, y);
    }

    platform::ManualClock clock_;
    platform::RunLoop loop_;
    platform::Window window_;
    platform::View* host_ = nullptr;
    RecordingThumbnailDelegate delegate_;
    std::unique_ptr<ThumbnailManager> manager_;
};

}  // namespace kestrova::test
