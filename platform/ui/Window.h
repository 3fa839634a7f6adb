#pragma once
// The root of a view tree on the screen. It turns finger input into touches and events:
// a touch sticks to the view it first hit, and each view's handler gets that view's touches of
// the event together with the event, which carries every touch on the screen.
#include "platform/ui/Event.h"
#include "platform/ui/View.h"

#include <memory>
#include <vector>

namespace platform {

// One finger's change, as the host or a test sends it.
struct TouchInput {
    int finger = 0;
    TouchPhase phase = TouchPhase::Began;
    Point location;  // window coordinates (points)
};

class Window : public View {
public:
    explicit Window(const Rect& frame = {});
    ~Window() override;

    // Makes this the key window and shows it.
    void makeKeyAndVisible();
    bool isKeyWindow() const;
    static Window* keyWindow();

    // The host's pixels per point (any, 1.5 included); the compositor draws at this scale.
    float scale() const { return scale_; }
    void setScale(float scale) { scale_ = scale > 0 ? scale : 1; }

    // --- Input ---
    // Sends one event in which each finger in `inputs` changes; the others stay stationary.
    // A Began for a finger already down, or any other phase for a finger that is not, is ignored.
    void sendTouches(const std::vector<TouchInput>& inputs, double timestamp);
    void touchDown(int finger, Point p, double timestamp) { sendTouches({{finger, TouchPhase::Began, p}}, timestamp); }
    void touchMove(int finger, Point p, double timestamp) { sendTouches({{finger, TouchPhase::Moved, p}}, timestamp); }
    // Lifts the finger where it is.
    void touchUp(int finger, double timestamp);
    void touchCancel(int finger, double timestamp);
    // Cancels every touch on the screen (focus lost, a system alert).
    void cancelAllTouches(double timestamp);
    // The touches on the screen now, in the order the fingers came down.
    TouchSet activeTouches() const;
    bool isFingerDown(int finger) const;

    // --- Drawing ---
    // Something on screen changed since the last composite: anywhere (geometry, animations,
    // views coming and going), or only within the damaged rectangle (views drawn again).
    bool needsComposite() const { return needsComposite_; }
    void setNeedsComposite() { needsComposite_ = damageAll_ = true; }
    // Only `rect` (window coordinates) changed.
    void addDamage(const Rect& rect);
    // A composite is due, but what changed is only known while composing (a live view's next
    // frame, compared with the one on show, adds its damage then).
    void requestComposite() { needsComposite_ = true; }
    void clearNeedsComposite() {
        needsComposite_ = damageAll_ = false;
        damage_ = {};
    }
    bool damagedEverywhere() const { return damageAll_; }
    // Empty when nothing was damaged, or everything was.
    Rect damage() const { return damage_; }

    // Every window alive (touches are detached from views that go).
    static const std::vector<Window*>& allWindows();
    void viewWillBeDestroyed(const View* view);

    bool setProperty(std::string_view key, const InterfaceValue& value) override;

    // Windows do not pass touches on.
    void touchesBegan(const TouchSet&, const Event&) override {}
    void touchesMoved(const TouchSet&, const Event&) override {}
    void touchesEnded(const TouchSet&, const Event&) override {}
    void touchesCancelled(const TouchSet&, const Event&) override {}

private:
    Touch* findTouch(int finger) const;
    void dispatch(const TouchSet& changed, const Event& event);

    float scale_ = 1;
    bool needsComposite_ = true;
    bool damageAll_ = true;
    Rect damage_;
    std::vector<std::unique_ptr<Touch>> touches_;
    // For tap counts: where and when the last finger went up.
    double lastTapTime_ = -1;
    Point lastTapPoint_;
    int lastTapCount_ = 0;
};

}  // namespace platform
