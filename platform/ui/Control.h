#pragma once
// A view that turns touches into control events and sends actions to targets: touch-down,
// drags in and out, touch-up inside or outside, cancel, value changed.
#include "platform/ui/View.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace platform {

enum class ControlEvent : uint32_t {
    TouchDown = 1u << 0,
    TouchDownRepeat = 1u << 1,
    TouchDragInside = 1u << 2,
    TouchDragOutside = 1u << 3,
    TouchDragEnter = 1u << 4,
    TouchDragExit = 1u << 5,
    TouchUpInside = 1u << 6,
    TouchUpOutside = 1u << 7,
    TouchCancel = 1u << 8,
    ValueChanged = 1u << 12,
    AllTouchEvents = 0x1FF,
    AllEvents = 0xFFFFFFFF,
};
constexpr ControlEvent operator|(ControlEvent a, ControlEvent b) { return ControlEvent(uint32_t(a) | uint32_t(b)); }
constexpr bool any(ControlEvent set, ControlEvent e) { return (uint32_t(set) & uint32_t(e)) != 0; }
// The event named in an interface file ("touchUpInside", "valueChanged", ...); nothing when unknown.
std::optional<ControlEvent> controlEventNamed(std::string_view name);

// Bit set: a control is Normal, or any of Highlighted, Disabled, Selected.
enum class ControlState : uint32_t { Normal = 0, Highlighted = 1, Disabled = 2, Selected = 4 };

class Control : public View {
public:
    // How far outside its bounds a finger may go and still count as inside, as on the platform.
    static constexpr float kTouchSlop = 70;

    explicit Control(const Rect& frame = {});
    ~Control() override;

    // Calls `action` with this control when any of `events` happens. `target` (may be null) only
    // identifies the connection for removeTarget.
    void addTarget(Object* target, Action action, ControlEvent events);
    // Removes every action of `target` for any of `events`.
    void removeTarget(const Object* target, ControlEvent events = ControlEvent::AllEvents);
    size_t actionCount() const { return actions_.size(); }
    // Sends the actions of `events` in the order they were added.
    void sendActionsForControlEvents(ControlEvent events);

    bool enabled() const { return enabled_; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool highlighted() const { return highlighted_; }
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted);
    bool selected() const { return selected_; }
    bool isSelected() const { return selected_; }
    void setSelected(bool selected);
    ControlState state() const;
    // Whether a finger is being tracked now.
    bool isTracking() const { return tracking_ != nullptr; }
    bool isTouchInside() const { return touchInside_; }

    void touchesBegan(const TouchSet& touches, const Event& event) override;
    void touchesMoved(const TouchSet& touches, const Event& event) override;
    void touchesEnded(const TouchSet& touches, const Event& event) override;
    void touchesCancelled(const TouchSet& touches, const Event& event) override;

    bool connectAction(const ActionConnection& connection) override;
    bool setProperty(std::string_view key, const InterfaceValue& value) override;

protected:
    // Subclass hooks around tracking; the base sends the control events.
    virtual void didBeginTracking(Point p) {}
    virtual void didEndTracking(Point p, bool inside) {}
    bool isInsideWithSlop(Point p) const;

private:
    struct Entry {
        Object* target;
        Action action;
        ControlEvent events;
    };
    std::vector<Entry> actions_;
    bool enabled_ = true;
    bool highlighted_ = false;
    bool selected_ = false;
    Touch* tracking_ = nullptr;
    bool touchInside_ = false;
};

}  // namespace platform
