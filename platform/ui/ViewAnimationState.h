#pragma once
// Internal: the running property animations of one view.
#include "platform/ui/View.h"
#include "platform/ui/ViewAnimation.h"

#include <array>
#include <memory>
#include <string>

namespace platform {

enum class AnimatedProperty { Center = 0, Bounds, Transform, Alpha };
constexpr size_t kAnimatedPropertyCount = 4;

// One committed block: reports its stop when its last property animation ends.
struct AnimationGroup {
    std::string identifier;
    void* context = nullptr;
    const void* delegate = nullptr;
    ViewAnimation::DidStopCallback didStop;
    int pending = 0;
    bool finished = true;
    bool committed = false;
    bool reported = false;
    bool forgotten = false;
};

struct PropertyAnimation {
    bool active = false;
    ViewGeometry from;  // only the animated property's field counts
    double begin = 0;   // after the delay
    double duration = 0;
    AnimationCurve curve = AnimationCurve::EaseInOut;
    std::shared_ptr<AnimationGroup> group;
    double end() const { return begin + duration; }
};

struct ViewAnimationState {
    std::array<PropertyAnimation, kAnimatedPropertyCount> properties;
    bool any() const {
        for (auto& p : properties)
            if (p.active) return true;
        return false;
    }
};

// Internal entry points used by View and Layer.
namespace animation {
// `oldModel` is the model before the change, `oldPresentation` what was on screen.
void propertyChanged(View& view, AnimatedProperty property, const ViewGeometry& oldModel,
                     const ViewGeometry& oldPresentation);
ViewGeometry presentationOf(const View& view);
void viewDestroyed(View& view);
void layerStarted(Layer& layer);
void layerDestroyed(Layer& layer);
double now();
// Schedules `fn` on the main run loop (or runs it now without one).
void post(std::function<void()> fn);
}  // namespace animation

}  // namespace platform
