#include "host/window/XkbKeys.h"

#include <xkbcommon/xkbcommon.h>

#include <string>

namespace host {

XkbKeys::XkbKeys() : context_(xkb_context_new(XKB_CONTEXT_NO_FLAGS)) {}

XkbKeys::~XkbKeys() {
    if (state_) xkb_state_unref(state_);
    if (keymap_) xkb_keymap_unref(keymap_);
    if (context_) xkb_context_unref(context_);
}

bool XkbKeys::setKeymap(const char* text, size_t size) {
    if (!context_ || !text) return false;
    // xkbcommon reads up to a NUL; the compositor's map usually carries one at its end.
    const std::string copy(text, size);
    xkb_keymap* keymap =
        xkb_keymap_new_from_string(context_, copy.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap) return false;
    xkb_state* state = xkb_state_new(keymap);
    if (!state) {
        xkb_keymap_unref(keymap);
        return false;
    }
    if (state_) xkb_state_unref(state_);
    if (keymap_) xkb_keymap_unref(keymap_);
    keymap_ = keymap;
    state_ = state;
    return true;
}

void XkbKeys::setModifiers(uint32_t depressed, uint32_t latched, uint32_t locked, uint32_t group) {
    if (state_) xkb_state_update_mask(state_, depressed, latched, locked, 0, 0, group);
}

WindowInput::Key XkbKeys::key(uint32_t code) const {
    using Key = WindowInput::Key;
    if (!state_) return Key::Other;
    // X key codes are evdev's plus 8.
    switch (xkb_state_key_get_one_sym(state_, code + 8)) {
        case XKB_KEY_F11: return Key::F11;
        case XKB_KEY_F12: return Key::F12;
        case XKB_KEY_Left: return Key::Left;
        case XKB_KEY_Right: return Key::Right;
        case XKB_KEY_XF86AudioRaiseVolume:
        case XKB_KEY_plus:
        case XKB_KEY_KP_Add:
        case XKB_KEY_equal: return Key::VolumeUp;
        case XKB_KEY_XF86AudioLowerVolume:
        case XKB_KEY_minus:
        case XKB_KEY_KP_Subtract: return Key::VolumeDown;
        default: return Key::Other;
    }
}

bool XkbKeys::ctrl() const {
    return state_ && xkb_state_mod_name_is_active(state_, XKB_MOD_NAME_CTRL, XKB_STATE_MODS_EFFECTIVE) > 0;
}

bool XkbKeys::alt() const {
    return state_ && xkb_state_mod_name_is_active(state_, XKB_MOD_NAME_ALT, XKB_STATE_MODS_EFFECTIVE) > 0;
}

}  // namespace host
