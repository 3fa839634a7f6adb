#pragma once
// Ends the launch feedback (busy cursor, spinning dock icon) that an X11 desktop shows from the
// moment it starts us with DESKTOP_STARTUP_ID until we say the window is up: a "remove" message
// of the freedesktop.org startup-notification protocol, in 20-byte pieces of client messages to
// the root window.
#include <array>
#include <string>
#include <vector>

namespace host {

class X11StartupNotice {
public:
    // `remove: ID=<id>`, the value quoted where it holds a space, a quote or a backslash.
    static std::string removeMessage(const std::string& id);
    // The message with its closing NUL, in the pieces the client messages carry; the last padded
    // with NULs.
    static std::vector<std::array<char, 20>> pieces(const std::string& message);
    // Sends the remove message for `id` on the X connection `display` (a Display*). Nothing for an
    // empty id.
    static void complete(void* display, const std::string& id);
};

}  // namespace host
