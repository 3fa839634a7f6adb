#include "ui/controls/TransitionView.h"

#include "platform/ui/Layer.h"

namespace kestrova {

TransitionView::TransitionView(const platform::Rect& frame) : platform::View(frame) {}

TransitionView::~TransitionView() = default;

bool TransitionView::replaceSubview(platform::View* oldView, std::unique_ptr<platform::View>& newView,
                                    platform::TransitionType type, platform::TransitionSubtype subtype,
                                    double duration, std::unique_ptr<platform::View>* removed) {
    if (transitioning_) return false;
    // Refused from here on until the stop arrives, even before the start is reported: two taps in
    // one run-loop turn must not start two transitions.
    transitioning_ = true;
    // Keep the old look before the first change so the transition shows it.
    layer().setPreservesOldLook(true);
    size_t index = 0;
    std::unique_ptr<platform::View> old;
    if (oldView && oldView->superview() == this) {
        index = size_t(indexOfSubview(oldView));
        old = oldView->removeFromSuperview();
    }
    if (newView) insertSubviewAtIndex(std::move(newView), index);
    if (removed) *removed = std::move(old);

    platform::Transition transition;
    transition.type = type;
    transition.subtype = type == platform::TransitionType::Fade ? platform::TransitionSubtype::None : subtype;
    transition.duration = duration;
    transition.timing = platform::TimingFunction::EaseInEaseOut;
    transition.delegate = this;
    layer().addAnimation(transition, kAnimationKey);
    return true;
}

void TransitionView::cancelTransition() { layer().removeAnimationForKey(kAnimationKey); }

void TransitionView::animationDidStart(const platform::Transition&) {
    transitioning_ = true;
    wasEnabled_ = userInteractionEnabled();
    if (wasEnabled_) setUserInteractionEnabled(false);
    if (delegate_) delegate_->transitionViewDidStart(this);
}

void TransitionView::animationDidStop(const platform::Transition&, bool finished) {
    transitioning_ = false;
    if (wasEnabled_) setUserInteractionEnabled(true);
    wasEnabled_ = false;
    if (!delegate_) return;
    if (finished) delegate_->transitionViewDidFinish(this);
    else delegate_->transitionViewDidCancel(this);
}

bool TransitionView::setOutlet(std::string_view name, platform::Object* object) {
    if (name == "delegate") {
        delegate_ = dynamic_cast<TransitionViewDelegate*>(object);
        return true;
    }
    return platform::View::setOutlet(name, object);
}

}  // namespace kestrova
