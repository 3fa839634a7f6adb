#include "platform/ui/Layer.h"

#include "platform/ui/Compositor.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewAnimationState.h"
#include "platform/ui/ViewBacking.h"
#include "platform/ui/Window.h"

#include <algorithm>

namespace platform {

Layer::Layer(View& view) : view_(view), alive_(std::make_shared<bool>(true)) {}

Layer::~Layer() {
    // The delegate is usually the view that owns this layer and is going too: no callbacks.
    *alive_ = false;
    animation::layerDestroyed(*this);
}

std::shared_ptr<ViewBacking> Layer::takeOldLook() {
    Window* w = view_.window();
    return Compositor::snapshot(view_, w ? w->scale() : 1);
}

void Layer::willChangeSubviews() {
    if (!preservesOldLook_ || hasPendingOldLook_) return;
    pendingOldLook_ = takeOldLook();
    hasPendingOldLook_ = true;
    // The picture stands for "before this turn's changes": forget it at the next turn.
    animation::post([alive = alive_, this] {
        if (!*alive) return;
        hasPendingOldLook_ = false;
        pendingOldLook_.reset();
    });
}

void Layer::setPreservesOldLook(bool preserve) { preservesOldLook_ = preserve; }

void Layer::addAnimation(const Transition& transition, const std::string& key) {
    for (size_t i = 0; i < running_.size(); ++i) {
        if (running_[i].key == key) {
            stop(i, false);
            break;
        }
    }
    Running r;
    r.key = key;
    r.transition = transition;
    r.transition.duration = std::max(0.0, transition.duration);
    r.oldLook = hasPendingOldLook_ ? pendingOldLook_ : takeOldLook();
    r.beginTime = animation::now();
    r.startReported = std::make_shared<bool>(false);
    preservesOldLook_ = true;
    // Started on the next turn, as the original platform reports it once the change is committed.
    animation::post([alive = alive_, started = r.startReported, t = r.transition] {
        if (!*alive || *started) return;
        *started = true;
        if (t.delegate) t.delegate->animationDidStart(t);
    });
    running_.push_back(std::move(r));
    view_.invalidate();
    animation::layerStarted(*this);
}

void Layer::stop(size_t index, bool finished) {
    Running r = std::move(running_[index]);
    running_.erase(running_.begin() + std::ptrdiff_t(index));
    view_.invalidate();
    animation::post([alive = alive_, started = r.startReported, t = r.transition, finished] {
        if (!*alive) return;
        if (!*started) {  // a start that had not been reported yet comes first
            *started = true;
            if (t.delegate) t.delegate->animationDidStart(t);
        }
        if (t.delegate) t.delegate->animationDidStop(t, finished);
    });
}

void Layer::removeAnimationForKey(const std::string& key) {
    for (size_t i = 0; i < running_.size(); ++i) {
        if (running_[i].key == key) {
            stop(i, false);
            return;
        }
    }
}

void Layer::removeAllAnimations() {
    while (!running_.empty()) stop(0, false);
}

const Transition* Layer::animationForKey(const std::string& key) const {
    for (auto& r : running_)
        if (r.key == key) return &r.transition;
    return nullptr;
}

std::vector<std::string> Layer::animationKeys() const {
    std::vector<std::string> keys;
    for (auto& r : running_) keys.push_back(r.key);
    return keys;
}

void Layer::finishDue(double now) {
    for (size_t i = 0; i < running_.size();) {
        if (running_[i].beginTime + running_[i].transition.duration <= now) stop(i, true);
        else ++i;
    }
}

std::optional<double> Layer::nextEndTime() const {
    std::optional<double> best;
    for (auto& r : running_) {
        double e = r.beginTime + r.transition.duration;
        if (!best || e < *best) best = e;
    }
    return best;
}

}  // namespace platform
