#pragma once
// The options bar as the main interface file builds it, on a manual clock: a 320 x 180 bar at the
// bottom of a window with its button holder, arrows and page indicator, the shutter area and the
// hide triangle beside it.
#include "platform/foundation/Clock.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/PageControl.h"
#include "platform/ui/Window.h"
#include "ui/controls/ArrowView.h"
#include "ui/controls/HideTriangleView.h"
#include "ui/controls/MenuScrollView.h"
#include "ui/controls/OptionsPageView.h"
#include "ui/controls/ScrollerButton.h"
#include "ui/controls/ScrollerButtonDelegate.h"
#include "ui/controls/SnapButtonView.h"
#include "ui/controls/TransitionView.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace kestrova::test {

// Image views without pictures, one per state.
inline std::vector<std::unique_ptr<platform::ImageView>> blankImages(size_t count) {
    std::vector<std::unique_ptr<platform::ImageView>> images;
    for (size_t i = 0; i < count; ++i) images.push_back(std::make_unique<platform::ImageView>(platform::Rect{}));
    return images;
}

class OptionsBarFixture : public ::testing::Test {
protected:
    OptionsBarFixture() : loop_(clock_) {
        platform::RunLoop::setMain(&loop_);
        snap_ = static_cast<SnapButtonView*>(window_.addSubview(std::make_unique<SnapButtonView>(SnapButtonView::kLongFrame)));
        bar_ = static_cast<MenuScrollView*>(window_.addSubview(std::make_unique<MenuScrollView>(platform::Rect{0, 300, 320, 180})));
        holder_ = static_cast<TransitionView*>(bar_->addSubview(std::make_unique<TransitionView>(platform::Rect{20, 92, 280, 48})));
        left_ = static_cast<ArrowView*>(bar_->addSubview(std::make_unique<ArrowView>(platform::Rect{0, 92, 20, 48})));
        right_ = static_cast<ArrowView*>(bar_->addSubview(std::make_unique<ArrowView>(platform::Rect{300, 92, 20, 48})));
        indicator_ = static_cast<platform::PageControl*>(
            bar_->addSubview(std::make_unique<platform::PageControl>(platform::Rect{110, 140, 100, 14})));
        triangle_ = static_cast<HideTriangleView*>(window_.addSubview(std::make_unique<HideTriangleView>(platform::Rect{144, 452, 32, 24})));
        // The interface file's outlets and actions.
        bar_->setOutlet("pageIndicator", indicator_);
        bar_->setOutlet("buttonHolder", holder_);
        bar_->setOutlet("leftArrow", left_);
        bar_->setOutlet("rightArrow", right_);
        bar_->setOutlet("snapButton", snap_);
        left_->addTarget(bar_, bar_->actionNamed("changePageAction"), platform::ControlEvent::TouchUpInside);
        right_->addTarget(bar_, bar_->actionNamed("changePageAction"), platform::ControlEvent::TouchUpInside);
        triangle_->addTarget(bar_, bar_->actionNamed("showHideAction"), platform::ControlEvent::TouchUpInside);
        triangle_->awakeFromNib();
        left_->awakeFromNib();
        right_->awakeFromNib();
        bar_->awakeFromNib();
    }
    ~OptionsBarFixture() override { platform::RunLoop::setMain(nullptr); }

    void runFor(double seconds) { loop_.runFor(platform::Seconds(seconds)); }
    double now() const { return clock_.now(); }

    // A page of `buttons` two-state buttons in the holder's frame.
    std::unique_ptr<OptionsPageView> makePage(size_t buttons) {
        std::vector<std::unique_ptr<ScrollerButton>> list;
        for (size_t i = 0; i < buttons; ++i)
            list.push_back(std::make_unique<ScrollerButton>(ScrollerButton::kFrame, blankImages(2),
                                                            std::vector<std::string>{"A", "B"}, "T", nullptr, nullptr, 0));
        return std::make_unique<OptionsPageView>(bar_->optionsRect(), std::move(list));
    }
    void addPages(size_t count) {
        for (size_t i = 0; i < count; ++i) {
            auto page = makePage(i + 2);
            pages_.push_back(page.get());
            bar_->addPage(std::move(page));
        }
    }
    // The page the holder shows now; null when it holds none or more than one.
    platform::View* shownPage() const { return holder_->subviewCount() == 1 ? holder_->subviewAt(0) : nullptr; }
    // A quick tap at the centre of `view`.
    void tap(const platform::View* view) {
        const platform::Point p = view->convertPointToView({view->bounds().width() / 2, view->bounds().height() / 2}, nullptr);
        window_.touchDown(0, p, now());
        window_.touchUp(0, now());
    }

    platform::ManualClock clock_;
    platform::RunLoop loop_;
    platform::Window window_{platform::Rect{0, 0, 320, 480}};
    SnapButtonView* snap_ = nullptr;
    MenuScrollView* bar_ = nullptr;
    TransitionView* holder_ = nullptr;
    ArrowView* left_ = nullptr;
    ArrowView* right_ = nullptr;
    platform::PageControl* indicator_ = nullptr;
    HideTriangleView* triangle_ = nullptr;
    std::vector<OptionsPageView*> pages_;
};

}  // namespace kestrova::test
