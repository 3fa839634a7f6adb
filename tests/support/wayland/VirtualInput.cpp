// virtual-input: the tests' hands on a wlroots compositor. Connects to WAYLAND_DISPLAY, makes a
// virtual pointer and keyboard, and carries out its arguments in order, each sent and
// acknowledged by the compositor before the next:
//   move X Y W H    the pointer to X,Y of a W x H layout (absolute)
//   click           left button down and up
//   key CODE        an evdev key code (KEY_F12 88, KEY_VOLUMEUP 115, ...) down and up
//   hold            prints "ready" and keeps its pointer and keyboard until the compositor goes or
//                   it is killed: a seat with no keyboard gives a client none, and a keyboard that
//                   comes with the key itself reaches the client after the key
// Exit status 0, or 1 with a line when the compositor lacks the protocols.
#include <virtual-keyboard-unstable-v1-client-protocol.h>
#include <wayland-client.h>
#include <wlr-virtual-pointer-unstable-v1-client-protocol.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

struct Globals {
    wl_seat* seat = nullptr;
    zwlr_virtual_pointer_manager_v1* pointers = nullptr;
    zwp_virtual_keyboard_manager_v1* keyboards = nullptr;
};

void global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    auto* g = static_cast<Globals*>(data);
    if (!std::strcmp(interface, wl_seat_interface.name) && !g->seat)
        g->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (!std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name))
        g->pointers = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
    else if (!std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name))
        g->keyboards = static_cast<zwp_virtual_keyboard_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
}
void globalRemove(void*, wl_registry*, uint32_t) {}

uint32_t gTime = 1;

// A US keymap compiled here, handed over in a memory file.
bool sendKeymap(zwp_virtual_keyboard_v1* keyboard) {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_rule_names names{"evdev", "pc105", "us", "", ""};
    xkb_keymap* keymap = context ? xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS) : nullptr;
    char* text = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
    bool ok = false;
    if (text) {
        const size_t size = std::strlen(text) + 1;
        const int fd = memfd_create("keymap", MFD_CLOEXEC);
        if (fd >= 0 && write(fd, text, size) == ssize_t(size)) {
            zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, uint32_t(size));
            ok = true;
        }
        if (fd >= 0) close(fd);
        std::free(text);
    }
    if (keymap) xkb_keymap_unref(keymap);
    if (context) xkb_context_unref(context);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "virtual-input: no Wayland compositor\n");
        return 1;
    }
    Globals g;
    static const wl_registry_listener listener{global, globalRemove};
    wl_registry_add_listener(wl_display_get_registry(display), &listener, &g);
    wl_display_roundtrip(display);
    if (!g.seat || !g.pointers || !g.keyboards) {
        std::fprintf(stderr, "virtual-input: the compositor offers no virtual pointer or keyboard\n");
        return 1;
    }
    zwlr_virtual_pointer_v1* pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(g.pointers, g.seat);
    zwp_virtual_keyboard_v1* keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(g.keyboards, g.seat);
    if (!sendKeymap(keyboard)) {
        std::fprintf(stderr, "virtual-input: cannot make a keymap\n");
        return 1;
    }
    auto button = [&](bool down) {
        zwlr_virtual_pointer_v1_button(pointer, gTime++, BTN_LEFT, down ? 1 : 0);
        zwlr_virtual_pointer_v1_frame(pointer);
    };
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "move" && i + 4 < argc) {
            const auto n = [&](int k) { return uint32_t(std::strtoul(argv[i + k], nullptr, 10)); };
            zwlr_virtual_pointer_v1_motion_absolute(pointer, gTime++, n(1), n(2), n(3), n(4));
            zwlr_virtual_pointer_v1_frame(pointer);
            i += 4;
        } else if (a == "click") {
            button(true);
            wl_display_roundtrip(display);
            button(false);
        } else if (a == "key" && i + 1 < argc) {
            const auto code = uint32_t(std::strtoul(argv[++i], nullptr, 10));
            zwp_virtual_keyboard_v1_key(keyboard, gTime++, code, WL_KEYBOARD_KEY_STATE_PRESSED);
            wl_display_roundtrip(display);
            zwp_virtual_keyboard_v1_key(keyboard, gTime++, code, WL_KEYBOARD_KEY_STATE_RELEASED);
        } else if (a == "hold") {
            wl_display_roundtrip(display);
            std::printf("ready\n");
            std::fflush(stdout);
            while (wl_display_dispatch(display) >= 0) {
            }
        } else {
            std::fprintf(stderr, "virtual-input: cannot read '%s'\n", argv[i]);
            return 2;
        }
        if (wl_display_roundtrip(display) < 0) {
            std::fprintf(stderr, "virtual-input: the compositor closed the connection\n");
            return 1;
        }
    }
    zwp_virtual_keyboard_v1_destroy(keyboard);
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
