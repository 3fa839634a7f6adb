#include "ui/quickview/ThumbnailManager.h"

#include "platform/ui/View.h"
#include "platform/ui/ViewAnimation.h"
#include "ui/quickview/ThumbnailView.h"
#include "ui/quickview/ThumbnailViewDelegate.h"

#include <algorithm>

namespace kestrova {

ThumbnailManager::ThumbnailManager(platform::View* superview, DockSide dockSide)
    : superview_(superview),
      fullTransform_(platform::AffineTransform::makeScale(kFullScale, kFullScale)),
      smallTransform_(platform::AffineTransform::makeScale(kSmallScale, kSmallScale)) {
    setDockSide(dockSide);
    selectedImage_ = nullptr;
    previewAlpha_ = 1.0f;
}

ThumbnailManager::~ThumbnailManager() {
    selectedImage_ = nullptr;
    auto previews = std::move(prevArray_);
    prevArray_.clear();
    for (auto* preview : previews) {
        preview->setManager(nullptr);
        discard(preview);
    }
}

void ThumbnailManager::discard(ThumbnailView* preview) {
    // The returned owner goes out of scope here: the thumbnail is destroyed.
    if (preview->superview()) preview->removeFromSuperview();
}

void ThumbnailManager::setDockSide(DockSide side) {
    side_ = side;
    updateCenters();
    if (delegate_) delegate_->hideDelete();
}

void ThumbnailManager::updatePreviewAlpha() { previewAlpha_ = enabled_ && !hidden_ ? 1.0f : 0.0f; }

void ThumbnailManager::setEnabled(bool enabled) {
    enabled_ = enabled;
    updatePreviewAlpha();
    if (delegate_) delegate_->hideDelete();
    redraw();
}

void ThumbnailManager::setHidden(bool hidden) {
    hidden_ = hidden;
    updatePreviewAlpha();
    updateCenters();
    if (delegate_) delegate_->hideDelete();
    redraw();
}

void ThumbnailManager::addPreview(std::unique_ptr<ThumbnailView> preview) {
    if (!preview || !superview_) return;
    preview->setManager(this);
    if (!prevArray_.empty()) prevArray_.back()->setActive(false);
    ThumbnailView* added = preview.get();
    prevArray_.push_back(added);
    superview_->addSubview(std::move(preview));
    superview_->bringSubviewToFront(added);
    if (prevArray_.size() > kListLimit) {
        ThumbnailView* oldest = prevArray_.front();
        prevArray_.erase(prevArray_.begin());
        if (selectedImage_ == oldest) selectedImage_ = nullptr;
        discard(oldest);
    }
    redraw();
}

void ThumbnailManager::removePreview(ThumbnailView* preview) {
    auto it = std::find(prevArray_.begin(), prevArray_.end(), preview);
    if (it == prevArray_.end()) return;
    prevArray_.erase(it);
    if (selectedImage_ == preview) selectedImage_ = nullptr;
    discard(preview);
    redraw();
}

ThumbnailView* ThumbnailManager::previewWithImageIndex(int32_t imageIndex) const {
    for (ThumbnailView* preview : prevArray_)
        if (preview->imageIndex() == imageIndex) return preview;
    return nullptr;
}

void ThumbnailManager::removePreviewUsingIndex(int32_t index) {
    if (index < 0 || size_t(index) >= prevArray_.size()) return;
    removePreview(prevArray_[size_t(index)]);
}

int32_t ThumbnailManager::selectedImageIndex() const { return selectedImage_ ? selectedImage_->imageIndex() : 0; }

void ThumbnailManager::removeSelectedImage() {
    if (!selectedImage_) return;
    removePreview(selectedImage_);
    selectedImage_ = nullptr;
}

void ThumbnailManager::setFanout(bool fanout) {
    if (fanout == fanout_ || prevArray_.size() < 2) return;
    fanout_ = fanout;
    redraw();
}

void ThumbnailManager::collapse() {
    setFanout(false);
    if (delegate_) delegate_->hideDelete();
}

float ThumbnailManager::step() const {
    if (fanout_) return kFanStep;
    // One thumbnail never needs a step: its distance from the newest is 0.
    if (prevArray_.size() < 2) return 0.0f;
    return float(kCollapsedSpan / int(prevArray_.size() - 1));
}

platform::Point ThumbnailManager::centerAt(size_t index) const {
    const size_t count = prevArray_.size();
    const float behind = float(count - 1 - index);
    return {smallCenter_.x, smallCenter_.y - step() * behind};
}

platform::Point ThumbnailManager::smallCenterForPreview(const ThumbnailView* preview) const {
    auto it = std::find(prevArray_.begin(), prevArray_.end(), preview);
    if (it == prevArray_.end()) return smallCenter_;
    return centerAt(size_t(it - prevArray_.begin()));
}

void ThumbnailManager::redraw() {
    if (prevArray_.empty() || !superview_) return;
    platform::ViewAnimation::beginAnimations("redraw");
    platform::ViewAnimation::setAnimationDuration(kRedrawDuration);
    const size_t count = prevArray_.size();
    for (size_t i = 0; i < count; ++i) {
        ThumbnailView* preview = prevArray_[i];
        preview->setAlpha(previewAlpha_);
        preview->setTransform(smallTransform_);
        preview->setCenter(centerAt(i));
        superview_->bringSubviewToFront(preview);
        preview->setActive(i == count - 1);
    }
    platform::ViewAnimation::commitAnimations();
}

void ThumbnailManager::updateCenters() {
    if (!superview_) return;
    const platform::Rect bounds = superview_->bounds();
    fullCenter_ = superview_->center();
    const float offset = hidden_ ? kEdgeInset : -kEdgeInset;
    smallCenter_.x = side_ == DockSide::Left ? 0 - offset : bounds.width() + offset;
    smallCenter_.y = kStackBaseline;
    redraw();
}

void ThumbnailManager::restoreOrder() {
    if (!superview_) return;
    for (auto* preview : prevArray_) superview_->bringSubviewToFront(preview);
}

}  // namespace kestrova
