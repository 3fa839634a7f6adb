#include "platform/ui/ViewAnimation.h"

#include "platform/ui/AnimationDelegateHandle.h"

#include "platform/foundation/RunLoop.h"
#include "platform/foundation/TimerHandle.h"
#include "platform/ui/Layer.h"
#include "platform/ui/ViewAnimationState.h"
#include "platform/ui/Window.h"

#include <algorithm>
#include <limits>

namespace platform {
namespace {

struct Block {
    double duration = ViewAnimation::kDefaultDuration;
    double delay = 0;
    AnimationCurve curve = AnimationCurve::EaseInOut;
    bool fromCurrentState = false;
    std::shared_ptr<AnimationGroup> group;
};

// Runs every view animation and layer transition off the main run loop's clock.
class Animator {
public:
    static Animator& shared() {
        static Animator* a = new Animator;  // lives for the process: views may outlive statics
        return *a;
    }

    std::vector<Block> blocks;
    bool enabled = true;
    std::function<void()> frameCallback;

    RunLoop* loop() const { return RunLoop::mainIfAny(); }
    double now() const { return loop() ? loop()->now() : 0; }

    void post(std::function<void()> fn) {
        if (RunLoop* l = loop()) l->post(std::move(fn));
        else fn();
    }

    void track(View* v) {
        if (std::find(views_.begin(), views_.end(), v) == views_.end()) views_.push_back(v);
        reschedule();
    }
    void untrack(View* v) {
        views_.erase(std::remove(views_.begin(), views_.end(), v), views_.end());
        if (views_.empty() && layers_.empty()) reschedule();  // stops the timer
    }
    void trackLayer(Layer* l) {
        if (std::find(layers_.begin(), layers_.end(), l) == layers_.end()) layers_.push_back(l);
        reschedule();
    }
    void untrackLayer(Layer* l) {
        layers_.erase(std::remove(layers_.begin(), layers_.end(), l), layers_.end());
        if (views_.empty() && layers_.empty()) reschedule();
    }

    void remember(const std::shared_ptr<AnimationGroup>& g) {
        groups_.erase(std::remove_if(groups_.begin(), groups_.end(), [](auto& w) { return w.expired(); }),
                      groups_.end());
        groups_.push_back(g);
    }
    void forget(const void* delegate) {
        if (!delegate) return;
        for (auto& w : groups_)
            if (auto g = w.lock(); g && g->delegate == delegate) g->forgotten = true;
        for (auto& b : blocks)
            if (b.group->delegate == delegate) b.group->forgotten = true;
    }

    // One property animation of `g` is over.
    void ended(const std::shared_ptr<AnimationGroup>& g, bool finished) {
        if (!g) return;
        --g->pending;
        if (!finished) g->finished = false;
        if (g->pending <= 0 && g->committed) report(g);
    }

    void report(const std::shared_ptr<AnimationGroup>& g) {
        if (g->reported) return;
        g->reported = true;
        if (!g->didStop || g->forgotten) return;
        post([g] {
            if (!g->forgotten) g->didStop(g->identifier, g->finished);
        });
    }

    size_t runningCount() const {
        size_t n = 0;
        for (View* v : views_)
            if (auto* s = v->animationState())
                for (auto& p : s->properties) n += p.active ? 1 : 0;
        for (Layer* l : layers_) n += l->running().size();
        return n;
    }

    // A fresh one-shot timer each time: a loop may have gone and another taken its place (even at
    // the same address), so an old timer is never trusted to still be scheduled.
    void reschedule() {
        timer_.cancel();
        RunLoop* l = loop();
        if (!l || (views_.empty() && layers_.empty())) return;
        const double t = l->now();
        double next = t + ViewAnimation::kFrameInterval;
        for (View* v : views_)
            if (auto* s = v->animationState())
                for (auto& p : s->properties)
                    if (p.active) next = std::min(next, std::max(t, p.end()));
        for (Layer* ly : layers_)
            if (auto e = ly->nextEndTime()) next = std::min(next, std::max(t, *e));
        timer_ = l->performAt(next, [this] { tick(); }, RunLoopMode::Common);
    }

    void tick() {
        timer_.cancel();
        const double t = now();
        std::vector<View*> views = views_;
        for (View* v : views) {
            if (std::find(views_.begin(), views_.end(), v) == views_.end()) continue;  // gone meanwhile
            auto* s = v->animationState();
            if (s) {
                for (auto& p : s->properties) {
                    if (!p.active || p.end() > t) continue;
                    p.active = false;
                    auto g = std::move(p.group);
                    ended(g, true);
                }
            }
            v->invalidate();
            if (!s || !s->any()) untrack(v);
        }
        std::vector<Layer*> layers = layers_;
        for (Layer* ly : layers) {
            if (std::find(layers_.begin(), layers_.end(), ly) == layers_.end()) continue;
            ly->finishDue(t);
            ly->view().invalidate();
            if (!ly->hasRunningTransitions()) untrackLayer(ly);
        }
        if (frameCallback) frameCallback();
        reschedule();
    }

private:
    std::vector<View*> views_;
    std::vector<Layer*> layers_;
    std::vector<std::weak_ptr<AnimationGroup>> groups_;
    TimerHandle timer_;
};

float lerp(float a, float b, double e) { return float(a + (b - a) * e); }

}  // namespace

double evaluateAnimationCurve(AnimationCurve curve, double t) {
    switch (curve) {
        case AnimationCurve::EaseInOut: return evaluateTimingFunction(TimingFunction::EaseInEaseOut, t);
        case AnimationCurve::EaseIn: return evaluateTimingFunction(TimingFunction::EaseIn, t);
        case AnimationCurve::EaseOut: return evaluateTimingFunction(TimingFunction::EaseOut, t);
        case AnimationCurve::Linear: return evaluateTimingFunction(TimingFunction::Linear, t);
    }
    return t;
}

void ViewAnimation::beginAnimations(std::string identifier, void* context) {
    Block b;
    b.group = std::make_shared<AnimationGroup>();
    b.group->identifier = std::move(identifier);
    b.group->context = context;
    Animator::shared().blocks.push_back(std::move(b));
}

void ViewAnimation::commitAnimations() {
    auto& a = Animator::shared();
    if (a.blocks.empty()) return;
    auto g = a.blocks.back().group;
    a.blocks.pop_back();
    g->committed = true;
    if (g->pending > 0) a.remember(g);
    else a.report(g);
}

namespace {
Block* top() {
    auto& a = Animator::shared();
    return a.blocks.empty() ? nullptr : &a.blocks.back();
}
}  // namespace

void ViewAnimation::setAnimationDuration(double seconds) {
    if (Block* b = top()) b->duration = std::max(0.0, seconds);
}
void ViewAnimation::setAnimationDelay(double seconds) {
    if (Block* b = top()) b->delay = std::max(0.0, seconds);
}
void ViewAnimation::setAnimationCurve(AnimationCurve curve) {
    if (Block* b = top()) b->curve = curve;
}
void ViewAnimation::setAnimationBeginsFromCurrentState(bool fromCurrentState) {
    if (Block* b = top()) b->fromCurrentState = fromCurrentState;
}
void ViewAnimation::setAnimationDelegate(const AnimationDelegateHandle& delegate) {
    if (Block* b = top()) b->group->delegate = &delegate;
}
void ViewAnimation::setAnimationDidStopCallback(DidStopCallback callback) {
    if (Block* b = top()) b->group->didStop = std::move(callback);
}
void ViewAnimation::setAnimationsEnabled(bool enabled) { Animator::shared().enabled = enabled; }
bool ViewAnimation::areAnimationsEnabled() { return Animator::shared().enabled; }
bool ViewAnimation::isInsideBlock() { return !Animator::shared().blocks.empty(); }
void ViewAnimation::forgetDelegate(const AnimationDelegateHandle* delegate) { Animator::shared().forget(delegate); }
size_t ViewAnimation::runningCount() { return Animator::shared().runningCount(); }
void ViewAnimation::setFrameCallback(std::function<void()> callback) {
    Animator::shared().frameCallback = std::move(callback);
}

namespace animation {

void propertyChanged(View& view, AnimatedProperty property, const ViewGeometry& oldModel,
                     const ViewGeometry& oldPresentation) {
    auto& a = Animator::shared();
    ViewAnimationState* state = view.animationState();
    PropertyAnimation* running = state ? &state->properties[size_t(property)] : nullptr;
    if (running && running->active) {
        running->active = false;
        auto g = std::move(running->group);
        a.ended(g, false);
    }
    Block* b = a.enabled ? top() : nullptr;
    if (!b || !a.loop() || b->duration <= 0) {
        if (state && !state->any()) a.untrack(&view);
        return;
    }
    PropertyAnimation& p = view.ensureAnimationState().properties[size_t(property)];
    p.active = true;
    p.from = b->fromCurrentState ? oldPresentation : oldModel;
    p.begin = a.now() + b->delay;
    p.duration = b->duration;
    p.curve = b->curve;
    p.group = b->group;
    ++b->group->pending;
    a.track(&view);
}

ViewGeometry presentationOf(const View& view) {
    ViewGeometry g = view.model();
    const ViewAnimationState* s = view.animationState();
    if (!s) return g;
    const double t = Animator::shared().now();
    for (size_t i = 0; i < kAnimatedPropertyCount; ++i) {
        const PropertyAnimation& p = s->properties[i];
        if (!p.active) continue;
        double f = p.duration > 0 ? (t - p.begin) / p.duration : 1;
        if (f >= 1) continue;
        double e = f <= 0 ? 0 : evaluateAnimationCurve(p.curve, f);
        switch (AnimatedProperty(i)) {
            case AnimatedProperty::Center:
                g.center = {lerp(p.from.center.x, g.center.x, e), lerp(p.from.center.y, g.center.y, e)};
                break;
            case AnimatedProperty::Bounds:
                g.bounds = {lerp(p.from.bounds.x(), g.bounds.x(), e), lerp(p.from.bounds.y(), g.bounds.y(), e),
                            lerp(p.from.bounds.width(), g.bounds.width(), e),
                            lerp(p.from.bounds.height(), g.bounds.height(), e)};
                break;
            case AnimatedProperty::Transform: {
                const AffineTransform& f0 = p.from.transform;
                const AffineTransform& t1 = g.transform;
                g.transform = {lerp(f0.a, t1.a, e),   lerp(f0.b, t1.b, e),   lerp(f0.c, t1.c, e),
                               lerp(f0.d, t1.d, e),   lerp(f0.tx, t1.tx, e), lerp(f0.ty, t1.ty, e)};
                break;
            }
            case AnimatedProperty::Alpha: g.alpha = lerp(p.from.alpha, g.alpha, e); break;
        }
    }
    return g;
}

void viewDestroyed(View& view) {
    auto& a = Animator::shared();
    a.untrack(&view);
    if (ViewAnimationState* s = view.animationState()) {
        for (auto& p : s->properties) {
            if (!p.active) continue;
            p.active = false;
            auto g = std::move(p.group);
            a.ended(g, false);
        }
    }
}

void layerStarted(Layer& layer) { Animator::shared().trackLayer(&layer); }
void layerDestroyed(Layer& layer) { Animator::shared().untrackLayer(&layer); }
double now() { return Animator::shared().now(); }
void post(std::function<void()> fn) { Animator::shared().post(std::move(fn)); }

}  // namespace animation
}  // namespace platform
