#include "platform/ui/Window.h"

#include "platform/foundation/MainThreadChecker.h"
#include "platform/ui/InterfaceValue.h"

#include <algorithm>
#include <cmath>

namespace platform {
namespace {
std::vector<Window*>& windows() {
    static auto* list = new std::vector<Window*>;  // views may be destroyed during static teardown
    return *list;
}
Window* gKeyWindow = nullptr;

// Two taps count as one multi-tap when the next comes down this soon and this near.
constexpr double kMultiTapInterval = 0.35;
constexpr float kMultiTapDistance = 20;
}  // namespace

Window::Window(const Rect& frame) : View(frame) { windows().push_back(this); }

Window::~Window() {
    auto& w = windows();
    w.erase(std::remove(w.begin(), w.end(), this), w.end());
    if (gKeyWindow == this) gKeyWindow = nullptr;
    touches_.clear();
}

const std::vector<Window*>& Window::allWindows() { return windows(); }

void Window::makeKeyAndVisible() {
    gKeyWindow = this;
    setHidden(false);
    setNeedsComposite();
}

bool Window::isKeyWindow() const { return gKeyWindow == this; }
Window* Window::keyWindow() { return gKeyWindow; }

void Window::viewWillBeDestroyed(const View* view) {
    for (auto& t : touches_)
        if (t->view() == view) t->detachView();
}

Touch* Window::findTouch(int finger) const {
    for (auto& t : touches_)
        if (t->fingerId() == finger) return t.get();
    return nullptr;
}

bool Window::isFingerDown(int finger) const { return findTouch(finger) != nullptr; }

TouchSet Window::activeTouches() const {
    TouchSet out;
    for (auto& t : touches_) out.push_back(t.get());
    return out;
}

void Window::touchUp(int finger, double timestamp) {
    if (Touch* t = findTouch(finger)) sendTouches({{finger, TouchPhase::Ended, t->windowLocation()}}, timestamp);
}

void Window::touchCancel(int finger, double timestamp) {
    if (Touch* t = findTouch(finger)) sendTouches({{finger, TouchPhase::Cancelled, t->windowLocation()}}, timestamp);
}

void Window::cancelAllTouches(double timestamp) {
    std::vector<TouchInput> inputs;
    for (auto& t : touches_) inputs.push_back({t->fingerId(), TouchPhase::Cancelled, t->windowLocation()});
    if (!inputs.empty()) sendTouches(inputs, timestamp);
}

void Window::sendTouches(const std::vector<TouchInput>& inputs, double timestamp) {
    KESTROVA_ASSERT_MAIN_THREAD();
    TouchSet changed;
    for (auto& t : touches_) t->setPhase(TouchPhase::Stationary);
    for (const TouchInput& in : inputs) {
        Touch* t = findTouch(in.finger);
        if (in.phase == TouchPhase::Began) {
            if (t) continue;
            // Hit testing starts at the window in its own coordinates.
            Point local = convertPointFromView(in.location, nullptr);
            View* hit = hitTest(local, nullptr);
            int taps = 1;
            if (lastTapTime_ >= 0 && timestamp - lastTapTime_ <= kMultiTapInterval &&
                std::hypot(in.location.x - lastTapPoint_.x, in.location.y - lastTapPoint_.y) <= kMultiTapDistance)
                taps = lastTapCount_ + 1;
            touches_.push_back(std::make_unique<Touch>(in.finger, this, hit, in.location, timestamp, taps));
            changed.push_back(touches_.back().get());
        } else {
            if (!t || std::find(changed.begin(), changed.end(), t) != changed.end()) continue;
            if (in.phase == TouchPhase::Stationary) continue;
            t->update(in.phase, in.location, timestamp);
            changed.push_back(t);
        }
    }
    if (changed.empty()) return;
    Event event(activeTouches(), timestamp);
    dispatch(changed, event);

    for (Touch* t : changed) {
        if (t->phase() == TouchPhase::Ended) {
            lastTapTime_ = timestamp;
            lastTapPoint_ = t->windowLocation();
            lastTapCount_ = t->tapCount();
        }
    }
    touches_.erase(std::remove_if(touches_.begin(), touches_.end(),
                                  [](const std::unique_ptr<Touch>& t) {
                                      return t->phase() == TouchPhase::Ended || t->phase() == TouchPhase::Cancelled;
                                  }),
                   touches_.end());
}

void Window::dispatch(const TouchSet& changed, const Event& event) {
    // One call per view and phase, views in the order of their first touch in this event.
    static constexpr TouchPhase kPhases[] = {TouchPhase::Began, TouchPhase::Moved, TouchPhase::Ended,
                                             TouchPhase::Cancelled};
    for (TouchPhase phase : kPhases) {
        std::vector<View*> views;
        for (Touch* t : changed)
            if (t->phase() == phase && t->view() &&
                std::find(views.begin(), views.end(), t->view()) == views.end())
                views.push_back(t->view());
        for (View* v : views) {
            TouchSet mine;
            for (Touch* t : changed)
                if (t->phase() == phase && t->view() == v) mine.push_back(t);
            // A handler may destroy a view of a later touch: its touches lose their view.
            if (mine.empty()) continue;
            switch (phase) {
                case TouchPhase::Began: v->touchesBegan(mine, event); break;
                case TouchPhase::Moved: v->touchesMoved(mine, event); break;
                case TouchPhase::Ended: v->touchesEnded(mine, event); break;
                case TouchPhase::Cancelled: v->touchesCancelled(mine, event); break;
                default: break;
            }
        }
    }
}

bool Window::setProperty(std::string_view key, const InterfaceValue& value) {
    if (key == "visible") {
        if (auto b = value.asBool()) {
            setHidden(!*b);
            return true;
        }
    }
    return View::setProperty(key, value);
}

void Window::addDamage(const Rect& rect) {
    needsComposite_ = true;
    if (damageAll_ || rect.isEmpty()) return;
    damage_ = damage_.isEmpty() ? rect : damage_.unionWith(rect);
}

}  // namespace platform
