#pragma once
// Told when a transition view's transition starts, finishes or is cancelled. All optional.
namespace kestrova {

class TransitionView;

class TransitionViewDelegate {
public:
    virtual ~TransitionViewDelegate() = default;
    virtual void transitionViewDidStart(TransitionView* view) {}
    virtual void transitionViewDidFinish(TransitionView* view) {}
    virtual void transitionViewDidCancel(TransitionView* view) {}
};

}  // namespace kestrova
