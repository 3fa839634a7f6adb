#pragma once
// What window input means to the device, the same under every window system: the mouse (or any
// pointer) is one finger, Alt + drag a two-finger pinch mirrored about the screen's centre,
// touchscreen fingers are fingers; the volume keys and +/- press the volume keys, Ctrl+Left/Right
// turns the device, F11 and F12 are the host's. Positions are window pixels, placed by the
// window's ScreenPlacement.
#include "host/window/FingerTracker.h"
#include "host/window/ScreenPlacement.h"

#include "platform/foundation/Geometry.h"
#include "platform/system/DeviceOrientation.h"

namespace host {

class SimulatedDevice;

class WindowInput {
public:
    // The keys that mean something, whatever the window system calls them.
    enum class Key { Other, F11, F12, Left, Right, VolumeUp, VolumeDown };
    // What the host itself does for a key.
    enum class Command { None, ToggleFullScreen, Screenshot };

    WindowInput();

    // The device the input goes to (borrowed; null: none, input is dropped).
    void attach(SimulatedDevice* device) { device_ = device; }

    // A press off the screen (in the bars) is no touch; a second press while one is down is
    // ignored. `alt` makes it a pinch.
    void pointerDown(const ScreenPlacement& at, double x, double y, bool alt);
    void pointerMove(const ScreenPlacement& at, double x, double y);
    void pointerUp(const ScreenPlacement& at, double x, double y);

    using Finger = FingerTracker::Key;
    void touchDown(const ScreenPlacement& at, Finger finger, double x, double y);
    void touchMove(const ScreenPlacement& at, Finger finger, double x, double y);
    void touchUp(const ScreenPlacement& at, Finger finger, double x, double y);
    // The window system took every touch away (a gesture of its own): each finger is cancelled.
    void touchCancel();

    // Whatever was held is gone with the focus; the application resigns active.
    void focusLost();

    // A key pressed (never a repeat). Device keys act at once; the host's come back.
    Command keyPressed(Key key, bool ctrl);

    // Ctrl+Left turns the device a quarter to the left (counter-clockwise), Ctrl+Right to the right:
    // the next orientation from `current` (1 portrait, 2 upside down, 3 landscape left,
    // 4 landscape right; face up or down count as portrait).
    static platform::DeviceOrientation turnedOrientation(platform::DeviceOrientation current, bool left);
    // The second finger of an Alt-drag pinch: `p` mirrored about the screen's centre.
    static platform::Point mirrored(platform::Point p);

private:
    SimulatedDevice* device_ = nullptr;
    bool pointerDown_ = false;
    bool pinch_ = false;
    FingerTracker fingers_;
};

}  // namespace host
