#pragma once
// Animation blocks, as on the original platform:
//
//   ViewAnimation::beginAnimations("up");
//   ViewAnimation::setAnimationDuration(1.0);
//   ViewAnimation::setAnimationDidStopCallback([this](const std::string& id, bool finished) {...});
//   view->setAlpha(0.5f);
//   ViewAnimation::commitAnimations();
//
// Inside a block, setting a view's center, bounds, frame, transform or alpha changes the model
// value at once; the presentation value follows from the old value over the duration after the
// delay. The curve defaults to ease-in-ease-out and the duration to 0.2 s.
//
// A new animation of a property replaces the running one: it starts from the current
// presentation value when begin-from-current-state is set, otherwise from the old model value
// (the old animation's end). Setting a property outside a block ends its running animation.
// A block's did-stop callback is called once, through the run loop, when the last of its
// property animations has ended; `finished` is false when any of them was replaced or ended
// early (as a removed animation reports on the original platform). A block that animates
// nothing (no change, or duration 0) reports finished on the next run-loop turn.
//
// Time is the main RunLoop's clock; a Common-mode timer ticks at 60 Hz while anything animates.
// Without a main run loop, changes apply at once and callbacks run at commit.
#include "platform/ui/Transition.h"

#include <cstddef>
#include <functional>
#include <string>

namespace platform {

class AnimationDelegateHandle;

enum class AnimationCurve { EaseInOut, EaseIn, EaseOut, Linear };

class ViewAnimation {
public:
    using DidStopCallback = std::function<void(const std::string& identifier, bool finished)>;

    static constexpr double kDefaultDuration = 0.2;
    static constexpr double kFrameInterval = 1.0 / 60;

    // Opens a block; blocks nest, and settings apply to the innermost.
    static void beginAnimations(std::string identifier = {}, void* context = nullptr);
    // Closes the innermost block. Does nothing without an open block.
    static void commitAnimations();

    static void setAnimationDuration(double seconds);
    static void setAnimationDelay(double seconds);
    static void setAnimationCurve(AnimationCurve curve);
    static void setAnimationBeginsFromCurrentState(bool fromCurrentState);
    // Who the did-stop callback belongs to: it is dropped when that handle goes.
    static void setAnimationDelegate(const AnimationDelegateHandle& delegate);
    static void setAnimationDidStopCallback(DidStopCallback callback);
    // Off: property changes apply at once even inside a block.
    static void setAnimationsEnabled(bool enabled);
    static bool areAnimationsEnabled();

    static bool isInsideBlock();
    // Property animations and transitions running now.
    static size_t runningCount();
    // Called at each animation tick (the window host redraws); empty to stop.
    static void setFrameCallback(std::function<void()> callback);

private:
    friend class AnimationDelegateHandle;
    // Drops every pending did-stop callback of `delegate`.
    static void forgetDelegate(const AnimationDelegateHandle* delegate);
};

// The curve's value at `t` (0..1).
double evaluateAnimationCurve(AnimationCurve curve, double t);

}  // namespace platform
