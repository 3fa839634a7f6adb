#include "host/window/X11StartupNotice.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <cstring>

namespace host {

std::string X11StartupNotice::removeMessage(const std::string& id) {
    if (id.find_first_of(" \"\\") == std::string::npos) return "remove: ID=" + id;
    std::string quoted = "\"";
    for (char c : id) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return "remove: ID=" + quoted + "\"";
}

std::vector<std::array<char, 20>> X11StartupNotice::pieces(const std::string& message) {
    std::vector<std::array<char, 20>> out;
    const size_t total = message.size() + 1;  // the closing NUL travels too
    for (size_t at = 0; at < total; at += 20) {
        std::array<char, 20> piece{};
        const size_t n = std::min<size_t>(20, message.size() > at ? message.size() - at : 0);
        std::memcpy(piece.data(), message.data() + at, n);
        out.push_back(piece);
    }
    return out;
}

void X11StartupNotice::complete(void* connection, const std::string& id) {
    auto* display = static_cast<Display*>(connection);
    if (!display || id.empty()) return;
    const Window root = DefaultRootWindow(display);
    // The messages name a window of the sender's; an unmapped one of our own does.
    const Window sender = XCreateSimpleWindow(display, root, -100, -100, 1, 1, 0, 0, 0);
    const Atom begin = XInternAtom(display, "_NET_STARTUP_INFO_BEGIN", False);
    const Atom more = XInternAtom(display, "_NET_STARTUP_INFO", False);
    bool first = true;
    for (const auto& piece : pieces(removeMessage(id))) {
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.display = display;
        e.xclient.window = sender;
        e.xclient.message_type = first ? begin : more;
        e.xclient.format = 8;
        std::memcpy(e.xclient.data.b, piece.data(), piece.size());
        XSendEvent(display, root, False, PropertyChangeMask, &e);
        first = false;
    }
    XDestroyWindow(display, sender);
    XFlush(display);
}

}  // namespace host
