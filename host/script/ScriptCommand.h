#pragma once
// One line of an input script, parsed and checked. Coordinates are points of the 320 x 480 screen.
#include <string>

namespace host {

struct ScriptCommand {
    enum class Kind {
        Wait,         // seconds
        Tap,          // x, y
        TapNamed,     // text: the view's name without '@'
        TapTitled,    // text: the button title
        Sheet,        // index
        Down,         // x, y, finger
        Move,         // x, y, finger
        Up,           // finger
        Cancel,       // finger
        Hold,         // x, y, seconds
        Drag,         // x, y -> x1, y1 over seconds
        Pinch,        // x, y, d0 -> d1 over seconds
        Key,          // volumeUp
        Orientation,  // index: 1 to 6
        Location,     // latitude, longitude, accuracy
        LocationServices,  // on
        Resign,
        Activate,
        Screenshot,   // text: the file
        Quit,
    };

    Kind kind = Kind::Wait;
    int line = 0;  // 1-based line in the script file
    double x = 0, y = 0, x1 = 0, y1 = 0;
    double d0 = 0, d1 = 0;
    double seconds = 0;
    int finger = 0;   // down/move/up/cancel: the named finger; gestures: the finger they use
    int finger2 = 0;  // pinch: the second finger
    int index = 0;
    bool volumeUp = false;
    bool on = false;  // location-services
    double latitude = 0, longitude = 0, accuracy = 0;
    std::string text;

    // The command word ("tap", "key", ...), for messages.
    static const char* name(Kind kind);
};

}  // namespace host
