#pragma once
// The compositor's keymap (xkbcommon) and the keyboard's modifier state: which of the window's
// keys a key code is, and whether Ctrl or Alt is held.
#include "host/window/WindowInput.h"

#include <cstdint>

struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace host {

class XkbKeys {
public:
    XkbKeys();
    ~XkbKeys();
    XkbKeys(const XkbKeys&) = delete;
    XkbKeys& operator=(const XkbKeys&) = delete;

    // A keymap in xkbcommon's text format, as wl_keyboard hands it over (may end in a NUL).
    // False (the old one kept) when it cannot be read.
    bool setKeymap(const char* text, size_t size);
    void setModifiers(uint32_t depressed, uint32_t latched, uint32_t locked, uint32_t group);
    // `code`: the evdev key code wl_keyboard sends.
    WindowInput::Key key(uint32_t code) const;
    bool ctrl() const;
    bool alt() const;

private:
    xkb_context* context_;
    xkb_keymap* keymap_ = nullptr;
    xkb_state* state_ = nullptr;
};

}  // namespace host
