#pragma once
// A container that swaps one subview for another under a layer transition and tells its delegate
// when the transition starts and ends. While a transition runs, touches on the container are
// off and a second swap is refused.
#include "platform/ui/Transition.h"
#include "platform/ui/View.h"
#include "ui/controls/TransitionViewDelegate.h"

#include <memory>

namespace kestrova {

class TransitionView : public platform::View, private platform::TransitionDelegate {
public:
    static constexpr const char* kAnimationKey = "transitionViewAnimation";

    explicit TransitionView(const platform::Rect& frame = {});
    ~TransitionView() override;

    // Swaps `oldView` (one of this view's subviews, or null) for `newView` at oldView's place in
    // the stacking order (index 0 without an old view) and starts the transition. A fade takes no
    // subtype. On success `newView` is moved into this view (a null one adds nothing) and the old
    // view is handed back through `removed` (may be null: the old view is then destroyed).
    // Returns false, moving nothing, while a transition runs.
    bool replaceSubview(platform::View* oldView, std::unique_ptr<platform::View>& newView,
                        platform::TransitionType type, platform::TransitionSubtype subtype, double duration,
                        std::unique_ptr<platform::View>* removed = nullptr);
    // Removes the running transition; the delegate hears transitionViewDidCancel.
    void cancelTransition();
    bool isTransitioning() const { return transitioning_; }

    TransitionViewDelegate* delegate() const { return delegate_; }
    void setDelegate(TransitionViewDelegate* delegate) { delegate_ = delegate; }  // may be null

    bool setOutlet(std::string_view name, platform::Object* object) override;

private:
    void animationDidStart(const platform::Transition& transition) override;
    void animationDidStop(const platform::Transition& transition, bool finished) override;

    bool transitioning_ = false;
    bool wasEnabled_ = false;
    TransitionViewDelegate* delegate_ = nullptr;  // may be null
};

}  // namespace kestrova
