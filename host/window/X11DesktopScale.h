#pragma once
// The desktop's own scale on X11, where there is no output scale to ask: Xft.dpi in the X resource
// database (the root window's RESOURCE_MANAGER), which desktops set to 192 for twice the size.
namespace host {

class X11DesktopScale {
public:
    // Desktop pixels per point from the database's text (may be null): Xft.dpi / 96 to the nearest
    // whole number, so 144 and more mean 2; 1 without a readable Xft.dpi.
    static int fromResources(const char* resources);
    // The same for the X connection `display` (a Display*); 1 for none.
    static int of(void* display);
    // The same for the display DISPLAY names, asked on a connection of its own.
    static int current();
};

}  // namespace host
