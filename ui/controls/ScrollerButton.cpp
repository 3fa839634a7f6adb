#include "ui/controls/ScrollerButton.h"

#include "platform/foundation/RunLoop.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/ViewAnimation.h"
#include "ui/controls/ScrollerButtonDelegate.h"

namespace kestrova {

ScrollerButton::ScrollerButton(const platform::Rect& frame, std::vector<std::unique_ptr<platform::ImageView>> images,
                               std::vector<std::string> tooltips, std::string title, ScrollerButtonDelegate* target,
                               Action selector, int32_t savedState)
    : platform::View(frame), tooltips_(std::move(tooltips)), title_(std::move(title)), target_(target),
      selector_(std::move(selector)) {
    const platform::Rect imageFrame = bounds().insetBy(kImageInsetX, kImageInsetY);
    for (auto& image : images) {
        if (!image) continue;
        image->setFrame(imageFrame);
        image->setAlpha(0.0f);
        imgArray_.push_back(static_cast<platform::ImageView*>(addSubview(std::move(image))));
    }
    setState(uint32_t(savedState) < uint32_t(imgArray_.size()) ? savedState : 0);
}

ScrollerButton::~ScrollerButton() = default;

platform::ImageView* ScrollerButton::imageAt(size_t index) const {
    return index < imgArray_.size() ? imgArray_[index] : nullptr;
}

void ScrollerButton::setState(int32_t state) {
    platform::ImageView* newImage = imageAt(size_t(uint32_t(state)));
    if (!newImage) return;
    platform::ImageView* oldImage = imageAt(size_t(uint32_t(currentIndex_)));
    platform::ViewAnimation::beginAnimations();
    platform::ViewAnimation::setAnimationDuration(kStateFadeDuration);
    if (oldImage && oldImage != newImage) oldImage->setAlpha(0.0f);
    newImage->setAlpha(1.0f);
    platform::ViewAnimation::commitAnimations();
    currentIndex_ = state;
    if (selector_) selector_(this);
}

int32_t ScrollerButton::getNextState() const {
    if (imgArray_.empty()) return 0;
    return int32_t((uint32_t(currentIndex_) + 1u) % uint32_t(imgArray_.size()));
}

void ScrollerButton::setNextState() { setState(getNextState()); }

std::string ScrollerButton::tipsHtml(const std::string& title, const std::vector<std::string>& tooltips,
                                     int32_t current) {
    std::string html = "<font face=\"Helvetica\" color=\"#C0C0C0\"><center><h3><font color=\"FFFFFF\">" + title +
                       "</font></h3>";
    html += "<strong>";
    for (size_t i = 0; i < tooltips.size(); ++i) {
        if (int64_t(i) == current) html += "<font color=\"00AEEF\">" + tooltips[i] + "</font>";
        else html += tooltips[i];
        if (i + 1 < tooltips.size()) html += " &#x22C5; ";
    }
    html += "</strong></center></font>";
    return html;
}

void ScrollerButton::updateLabel() {
    label_ = tipsHtml(title_, tooltips_, currentIndex_);
    if (target_) target_->showOptionsLabel(label_);
}

void ScrollerButton::scheduleHide() {
    if (!target_) return;
    ScrollerButtonDelegate* target = target_;
    target->pendingHides().add(
        platform::RunLoop::main().performAfter(kHideDelay, [target] { target->hideOptionsLabel(); }));
}

void ScrollerButton::touchesBegan(const platform::TouchSet&, const platform::Event&) {
    platform::RunLoop& loop = platform::RunLoop::main();
    downTimeLimit_ = loop.now() + kTapLimit;
    if (target_ && target_->getTipsShowState()) {
        target_->pendingHides().cancelAll();
        updateLabel();
    } else {
        labelUpdates_.add(loop.performAfter(kHoldDelay, [this] { updateLabel(); }));
    }
}

void ScrollerButton::touchesEnded(const platform::TouchSet&, const platform::Event&) {
    platform::RunLoop& loop = platform::RunLoop::main();
    if (downTimeLimit_ && *downTimeLimit_ - loop.now() > 0) {
        labelUpdates_.cancelAll();
        setNextState();
        if (target_ && target_->getTipsShowState()) updateLabel();
    }
    scheduleHide();
    downTimeLimit_.reset();
}

void ScrollerButton::touchesCancelled(const platform::TouchSet&, const platform::Event&) {
    labelUpdates_.cancelAll();
    scheduleHide();
    downTimeLimit_.reset();
}

}  // namespace kestrova
