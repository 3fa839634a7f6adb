#include "host/window/X11DesktopScale.h"

#include <X11/Xlib.h>
#include <X11/Xresource.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace host {

int X11DesktopScale::fromResources(const char* resources) {
    if (!resources) return 1;
    XrmInitialize();
    XrmDatabase db = XrmGetStringDatabase(resources);
    if (!db) return 1;
    char* type = nullptr;
    XrmValue value{};
    double dpi = 0;
    if (XrmGetResource(db, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr) {
        const std::string text(value.addr, strnlen(value.addr, value.size));
        char* end = nullptr;
        dpi = std::strtod(text.c_str(), &end);
        if (end == text.c_str() || !std::isfinite(dpi)) dpi = 0;
    }
    XrmDestroyDatabase(db);
    // A desktop of more than eight times the size is a typing error, not a screen.
    return int(std::clamp(std::floor(dpi / 96 + 0.5), 1.0, 8.0));
}

int X11DesktopScale::of(void* display) {
    return display ? fromResources(XResourceManagerString(static_cast<Display*>(display))) : 1;
}

int X11DesktopScale::current() {
    Display* display = XOpenDisplay(nullptr);
    const int scale = of(display);
    if (display) XCloseDisplay(display);
    return scale;
}

}  // namespace host
