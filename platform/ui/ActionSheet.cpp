#include "platform/ui/ActionSheet.h"

#include "platform/foundation/RunLoop.h"
#include "platform/ui/ActionSheetView.h"
#include "platform/ui/Button.h"
#include "platform/ui/ViewAnimation.h"
#include "platform/ui/Window.h"

#include <algorithm>

namespace platform {
namespace {
std::vector<ActionSheet*>& visibleList() {
    static std::vector<ActionSheet*> list;
    return list;
}
}  // namespace

ActionSheet::ActionSheet(std::string title, ActionSheetDelegate* delegate, std::vector<std::string> buttonTitles)
    : title_(std::move(title)), delegate_(delegate), buttonTitles_(std::move(buttonTitles)) {}

ActionSheet::~ActionSheet() {
    *alive_ = false;
    setVisible(false);
    if (view_) {
        view_->detachSheet();
        std::shared_ptr<View> gone = view_->removeFromSuperview();
        view_ = nullptr;
        // One of its buttons may be the caller (a delegate that drops the sheet): free it later.
        if (RunLoop* loop = RunLoop::mainIfAny()) loop->post([gone] {});
    }
}

int ActionSheet::addButtonWithTitle(std::string title) {
    buttonTitles_.push_back(std::move(title));
    return int(buttonTitles_.size()) - 1;
}

std::string ActionSheet::buttonTitleAtIndex(int index) const {
    return index >= 0 && index < numberOfButtons() ? buttonTitles_[size_t(index)] : std::string();
}

const std::vector<ActionSheet*>& ActionSheet::visibleSheets() { return visibleList(); }

void ActionSheet::setVisible(bool visible) {
    auto& list = visibleList();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    if (visible) list.push_back(this);
    visible_ = visible;
}

void ActionSheet::showInView(View* host, bool animated) {
    if (!host) host = Window::keyWindow();
    if (!host) return;
    // A view still on screen (shown, or sliding away) is replaced by a fresh one.
    if (view_) {
        view_->detachSheet();
        retired_ = view_->removeFromSuperview();
        view_ = nullptr;
    }
    ++generation_;
    if (delegate_) delegate_->willPresentActionSheet(this);
    Rect hb = host->bounds();
    bool fixed = !frame_.isEmpty();
    Rect target = fixed ? frame_ : Rect{hb.x(), 0, hb.width(), 0};
    if (!fixed) {
        target.size.height = ActionSheetView::heightFor(*this, hb.width());
        target.origin.y = hb.maxY() - target.height();
    }
    auto sheetView = std::make_unique<ActionSheetView>(this, target, fixed);
    sheetView->setName("actionSheet");
    view_ = static_cast<ActionSheetView*>(host->addSubview(std::move(sheetView)));
    setVisible(true);
    if (!animated) {
        if (delegate_) delegate_->didPresentActionSheet(this);
        return;
    }
    // Slide up from below the host's bottom edge.
    Point end = view_->center();
    view_->setCenter({end.x, end.y + (hb.maxY() - target.y())});
    unsigned gen = generation_;
    ViewAnimation::beginAnimations("ActionSheetPresent");
    ViewAnimation::setAnimationDuration(kAnimationDuration);
    ViewAnimation::setAnimationDelegate(animations_);
    ViewAnimation::setAnimationDidStopCallback([this, gen](const std::string&, bool) {
        if (gen == generation_ && visible_ && delegate_) delegate_->didPresentActionSheet(this);
    });
    view_->setCenter(end);
    ViewAnimation::commitAnimations();
}

void ActionSheet::dismissWithClickedButtonIndex(int index, bool animated) {
    if (!visible_ || !view_) return;
    setVisible(false);
    if (delegate_) delegate_->actionSheetWillDismissWithButtonIndex(this, index);
    view_->setUserInteractionEnabled(false);
    unsigned gen = ++generation_;
    if (!animated) {
        finishDismiss(index);
        return;
    }
    View* host = view_->superview();
    float drop = host ? host->bounds().maxY() - view_->frame().y() : view_->frame().height();
    ViewAnimation::beginAnimations("ActionSheetDismiss");
    ViewAnimation::setAnimationDuration(kAnimationDuration);
    ViewAnimation::setAnimationDelegate(animations_);
    ViewAnimation::setAnimationDidStopCallback([this, gen, index](const std::string&, bool) {
        if (gen == generation_) finishDismiss(index);
    });
    view_->setCenter({view_->center().x, view_->center().y + drop});
    ViewAnimation::commitAnimations();
}

void ActionSheet::finishDismiss(int index) {
    if (view_) {
        view_->detachSheet();
        // Kept until the next show: the pressed button may still be on the call stack.
        retired_ = view_->removeFromSuperview();
        view_ = nullptr;
    }
    if (delegate_) delegate_->actionSheetDidDismissWithButtonIndex(this, index);
}

void ActionSheet::clickButtonAtIndex(int index) {
    if (!visible_ || index < 0 || index >= numberOfButtons()) return;
    std::shared_ptr<bool> alive = alive_;
    if (delegate_) delegate_->actionSheetClickedButtonAtIndex(this, index);
    if (!*alive) return;  // the delegate dropped the sheet
    // The delegate usually dismisses the sheet itself; if it did not, the press does.
    dismissWithClickedButtonIndex(index, true);
}

Button* ActionSheet::buttonAtIndex(int index) const {
    return view_ && visible_ ? view_->buttonAtIndex(index) : nullptr;
}

void ActionSheet::viewWillBeDestroyed(ActionSheetView* view) {
    if (view != view_) return;
    view_ = nullptr;
    setVisible(false);
}

}  // namespace platform
