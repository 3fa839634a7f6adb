#pragma once
// A layer transition (the Core Animation role): the layer's old look gives way to its new one.
#include <string>

namespace platform {

class TransitionDelegate;

enum class TransitionType { Fade, Push, MoveIn, Reveal };
// The side the new content comes from.
enum class TransitionSubtype { None, FromLeft, FromRight, FromTop, FromBottom };
enum class TimingFunction { Linear, EaseIn, EaseOut, EaseInEaseOut };

struct Transition {
    TransitionType type = TransitionType::Fade;
    TransitionSubtype subtype = TransitionSubtype::None;  // ignored by Fade
    double duration = 0.25;
    TimingFunction timing = TimingFunction::EaseInEaseOut;
    TransitionDelegate* delegate = nullptr;  // may be null; must outlive the running transition

    // The eased progress 0..1 at `fraction` 0..1 of the duration.
    double progressAt(double fraction) const;
};

// Told when a transition starts and stops; both arrive through the run loop, once each.
class TransitionDelegate {
public:
    virtual ~TransitionDelegate() = default;
    virtual void animationDidStart(const Transition& transition) {}
    // `finished` is false when the transition was removed or replaced before its end.
    virtual void animationDidStop(const Transition& transition, bool finished) {}
};

// The timing curve value at `t` (0..1), shared by view animations and transitions.
double evaluateTimingFunction(TimingFunction f, double t);

}  // namespace platform
