#include "platform/ui/Control.h"

#include "platform/ui/InterfaceValue.h"

#include <algorithm>

namespace platform {

std::optional<ControlEvent> controlEventNamed(std::string_view name) {
    static const std::pair<std::string_view, ControlEvent> kNames[] = {
        {"touchDown", ControlEvent::TouchDown},           {"touchDownRepeat", ControlEvent::TouchDownRepeat},
        {"touchDragInside", ControlEvent::TouchDragInside}, {"touchDragOutside", ControlEvent::TouchDragOutside},
        {"touchDragEnter", ControlEvent::TouchDragEnter},   {"touchDragExit", ControlEvent::TouchDragExit},
        {"touchUpInside", ControlEvent::TouchUpInside},     {"touchUpOutside", ControlEvent::TouchUpOutside},
        {"touchCancel", ControlEvent::TouchCancel},         {"valueChanged", ControlEvent::ValueChanged},
    };
    for (const auto& [n, e] : kNames)
        if (n == name) return e;
    return std::nullopt;
}

Control::Control(const Rect& frame) : View(frame) {}
Control::~Control() = default;

void Control::addTarget(Object* target, Action action, ControlEvent events) {
    if (!action) return;
    actions_.push_back({target, std::move(action), events});
}

void Control::removeTarget(const Object* target, ControlEvent events) {
    for (auto& e : actions_)
        if (e.target == target) e.events = ControlEvent(uint32_t(e.events) & ~uint32_t(events));
    actions_.erase(std::remove_if(actions_.begin(), actions_.end(), [](const Entry& e) { return uint32_t(e.events) == 0; }),
                   actions_.end());
}

void Control::sendActionsForControlEvents(ControlEvent events) {
    // A copy: an action may add or remove targets, or take this control off screen.
    std::vector<Action> toSend;
    for (const auto& e : actions_)
        if (any(e.events, events)) toSend.push_back(e.action);
    for (auto& a : toSend) a(this);
}

void Control::setEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    if (!enabled) setHighlighted(false);
    setNeedsDisplay();
}

void Control::setHighlighted(bool highlighted) {
    if (highlighted_ == highlighted) return;
    highlighted_ = highlighted;
    setNeedsDisplay();
}

void Control::setSelected(bool selected) {
    if (selected_ == selected) return;
    selected_ = selected;
    setNeedsDisplay();
}

ControlState Control::state() const {
    uint32_t s = 0;
    if (highlighted_) s |= uint32_t(ControlState::Highlighted);
    if (!enabled_) s |= uint32_t(ControlState::Disabled);
    if (selected_) s |= uint32_t(ControlState::Selected);
    return ControlState(s);
}

bool Control::isInsideWithSlop(Point p) const {
    return bounds().insetBy(-kTouchSlop, -kTouchSlop).contains(p);
}

void Control::touchesBegan(const TouchSet& touches, const Event& event) {
    if (!enabled_ || tracking_ || touches.empty()) return;
    tracking_ = touches.front();
    touchInside_ = true;
    Point p = tracking_->locationInView(this);
    setHighlighted(true);
    didBeginTracking(p);
    sendActionsForControlEvents(tracking_->tapCount() > 1 ? ControlEvent::TouchDown | ControlEvent::TouchDownRepeat
                                                          : ControlEvent::TouchDown);
}

void Control::touchesMoved(const TouchSet& touches, const Event& event) {
    if (!tracking_ || std::find(touches.begin(), touches.end(), tracking_) == touches.end()) return;
    bool inside = isInsideWithSlop(tracking_->locationInView(this));
    bool was = touchInside_;
    touchInside_ = inside;
    setHighlighted(inside);
    if (inside != was) sendActionsForControlEvents(inside ? ControlEvent::TouchDragEnter : ControlEvent::TouchDragExit);
    sendActionsForControlEvents(inside ? ControlEvent::TouchDragInside : ControlEvent::TouchDragOutside);
}

void Control::touchesEnded(const TouchSet& touches, const Event& event) {
    if (!tracking_ || std::find(touches.begin(), touches.end(), tracking_) == touches.end()) return;
    Point p = tracking_->locationInView(this);
    bool inside = isInsideWithSlop(p);
    tracking_ = nullptr;
    touchInside_ = false;
    setHighlighted(false);
    didEndTracking(p, inside);
    sendActionsForControlEvents(inside ? ControlEvent::TouchUpInside : ControlEvent::TouchUpOutside);
}

void Control::touchesCancelled(const TouchSet& touches, const Event& event) {
    if (!tracking_ || std::find(touches.begin(), touches.end(), tracking_) == touches.end()) return;
    tracking_ = nullptr;
    touchInside_ = false;
    setHighlighted(false);
    sendActionsForControlEvents(ControlEvent::TouchCancel);
}

bool Control::connectAction(const ActionConnection& connection) {
    auto event = controlEventNamed(connection.event);
    if (!event || !connection.fn) return false;
    addTarget(connection.target, connection.fn, *event);
    return true;
}

bool Control::setProperty(std::string_view key, const InterfaceValue& value) {
    if (key == "enabled") {
        if (auto b = value.asBool()) setEnabled(*b);
        return true;
    }
    if (key == "highlighted") {
        if (auto b = value.asBool()) setHighlighted(*b);
        return true;
    }
    if (key == "selected") {
        if (auto b = value.asBool()) setSelected(*b);
        return true;
    }
    return View::setProperty(key, value);
}

}  // namespace platform
