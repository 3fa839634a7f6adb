// The quick view's side of the application delegate: the thumbnail stack and the delete tab over
// the camera page, making a thumbnail for each picture, and showing, parking and hiding the tab.
#include "app/KestrovaAppDelegate.h"

#include "platform/foundation/MainThreadChecker.h"
#include "platform/graphics/Font.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageCache.h"
#include "platform/ui/ViewAnimation.h"
#include "ui/controls/HideTriangleView.h"
#include "ui/controls/MenuScrollView.h"
#include "ui/quickview/DeleteCancelView.h"
#include "ui/quickview/ThumbnailManager.h"
#include "ui/quickview/ThumbnailView.h"

namespace kestrova {

namespace {
constexpr float kTabWidth = 170.0f;
constexpr float kTabHeight = 50.0f;
constexpr double kTabSlideDuration = 0.3;
constexpr float kButtonFontSize = 12.0f;

std::unique_ptr<platform::Button> makeTabButton(const platform::Rect& frame, const char* normal,
                                                const char* highlighted, const char* title, int32_t tag) {
    auto button = std::make_unique<platform::Button>(frame, platform::ButtonType::Custom);
    button->setBackgroundImage(platform::ImageCache::imageNamed(normal), platform::ControlState::Normal);
    button->setBackgroundImage(platform::ImageCache::imageNamed(highlighted), platform::ControlState::Highlighted);
    button->setFont(platform::Font::system(kButtonFontSize));
    button->setTitle(title, platform::ControlState::Normal);
    button->setTag(tag);
    return button;
}
}  // namespace

void KestrovaAppDelegate::createQuickView() {
    if (mainView_ && !previewManager_) {
        previewManager_ = new ThumbnailManager(mainView_, dockSide_);
        previewManager_->setEnabled(previewShow_ != 0);
        previewManager_->setDelegate(this);
        if (buttonBar_) {
            ThumbnailManager* manager = previewManager_;
            buttonBar_->setPreviewManager([manager](bool hidden) { manager->setHidden(hidden); });
        }
        delButton_ = static_cast<DeleteCancelView*>(mainView_->addSubview(createDeleteButton()));
    }
    hideDelete();
}

void KestrovaAppDelegate::releaseQuickView() {
    if (buttonBar_) buttonBar_->setPreviewManager({});
    delete previewManager_;
    previewManager_ = nullptr;
}

void KestrovaAppDelegate::applyDockSide() {
    if (previewManager_) {
        if (previewShow_ != 0) {
            previewManager_->setDockSide(dockSide_);
            previewManager_->setEnabled(true);
        } else {
            previewManager_->setEnabled(false);
            previewManager_->setDockSide(dockSide_);
        }
    }
    if (delButton_) delButton_->setDockSide(dockSide_);
}

std::optional<int32_t> KestrovaAppDelegate::selectedImageIndex() const {
    if (!previewManager_ || !previewManager_->selectedImage()) return std::nullopt;
    return previewManager_->selectedImageIndex();
}

void KestrovaAppDelegate::removeSelectedImage() {
    if (previewManager_) previewManager_->removeSelectedImage();
}

std::unique_ptr<ThumbnailView> KestrovaAppDelegate::createPreviewViewWithImage(platform::ImageRef image,
                                                                               int32_t index) {
    const float w = image ? float(image->width()) : 0.0f;
    const float h = image ? float(image->height()) : 0.0f;
    const float pad = 2 * ThumbnailView::kImageInset;
    return std::make_unique<ThumbnailView>(platform::Rect{0, 0, w + pad, h + pad}, std::move(image), this, index);
}

void KestrovaAppDelegate::animatedPreview(platform::ImageRef image, int32_t index) {
    KESTROVA_ASSERT_MAIN_THREAD();
    if (!previewManager_) return;
    previewManager_->addPreview(createPreviewViewWithImage(std::move(image), index));
    // A new picture brings the stack back: the open options bar closes.
    if (previewManager_->enabled() && buttonBar_ && !buttonBar_->hidden()) buttonBar_->showHideAction(downArrow_);
}

void KestrovaAppDelegate::pictureRenumbered(int32_t provisional, int32_t number) {
    KESTROVA_ASSERT_MAIN_THREAD();
    if (!previewManager_) return;
    if (ThumbnailView* preview = previewManager_->previewWithImageIndex(provisional)) preview->setImageIndex(number);
}

void KestrovaAppDelegate::pictureLost(int32_t index) {
    KESTROVA_ASSERT_MAIN_THREAD();
    if (!previewManager_) return;
    ThumbnailView* preview = previewManager_->previewWithImageIndex(index);
    if (!preview) return;
    // As if the user had deleted it: the tab that may be offering that goes too.
    if (preview == previewManager_->selectedImage()) hideDelete();
    previewManager_->removePreview(preview);
}

std::unique_ptr<DeleteCancelView> KestrovaAppDelegate::createDeleteButton() {
    const float x = dockSide_ == DockSide::Right ? -kTabWidth : (mainView_ ? mainView_->frame().width() : 0.0f);
    auto tab = std::make_unique<DeleteCancelView>(platform::Rect{x, 0, kTabWidth, kTabHeight});

    auto del = makeTabButton({10, 3, 60, 44}, "db_delete.png", "db_delete_p.png", "Delete", DeleteCancelView::kDeleteTag);
    del->addTarget(this, [this](platform::Object*) { deleteLastPhotos(); }, platform::ControlEvent::TouchUpInside);
    tab->addButton(std::move(del));

    auto cancel = makeTabButton({90, 3, 60, 44}, "db_cancel.png", "db_cancel_p.png", "Cancel", DeleteCancelView::kCancelTag);
    cancel->addTarget(this, [this](platform::Object*) { hideDelete(); }, platform::ControlEvent::TouchUpInside);
    tab->addButton(std::move(cancel));
    return tab;
}

void KestrovaAppDelegate::showDelete() {
    KESTROVA_ASSERT_MAIN_THREAD();
    if (!delButton_) return;
    platform::Point c = delButton_->center();
    if (dockSide_ == DockSide::Left) c.x = 405.0f;
    else if (dockSide_ == DockSide::Right) c.x = -85.0f;
    delButton_->setCenter(c);
    delButton_->setAlpha(1.0f);
    platform::ViewAnimation::beginAnimations("showDelete");
    platform::ViewAnimation::setAnimationDuration(kTabSlideDuration);
    const float slide = dockSide_ == DockSide::Left ? -kTabWidth : kTabWidth;
    delButton_->setTransform(platform::AffineTransform::makeTranslation(slide, 0));
    if (mainView_) mainView_->bringSubviewToFront(delButton_);
    platform::ViewAnimation::commitAnimations();
    deleteButtonShowing_ = true;
}

void KestrovaAppDelegate::hideDelete() {
    KESTROVA_ASSERT_MAIN_THREAD();
    if (delButton_) {
        delButton_->setTransform(platform::AffineTransform::makeTranslation(0, 0));
        delButton_->setAlpha(0.0f);
    }
    deleteButtonShowing_ = false;
}

void KestrovaAppDelegate::moveDeleteToYCoordinate(float y) {
    KESTROVA_ASSERT_MAIN_THREAD();
    hideDelete();
    if (delButton_) delButton_->setCenter({delButton_->center().x, y});
}

void KestrovaAppDelegate::showPreviews() {
    if (previewManager_) previewManager_->setEnabled(true);
}

void KestrovaAppDelegate::hidePreviews() {
    if (previewManager_) previewManager_->setEnabled(false);
}

}  // namespace kestrova
