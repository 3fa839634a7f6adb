#pragma once
// Shared-memory buffers for a Wayland surface, B,G,R,X (XRGB8888) like the compositor's
// pixels. A buffer handed to the compositor stays untouched until it is released; each buffer
// remembers which of its pixels are older than the frame now shown, so only those are written
// again when it is next used. Two buffers normally; a third when the compositor holds both.
#include <cstdint>
#include <memory>
#include <vector>

struct wl_buffer;
struct wl_shm;

namespace host {

class WaylandBufferPool {
public:
    struct Rect {
        int x = 0, y = 0, width = 0, height = 0;
        bool empty() const { return width <= 0 || height <= 0; }
    };
    struct Buffer {
        wl_buffer* buffer = nullptr;
        uint8_t* pixels = nullptr;
        int width = 0, height = 0, stride = 0;
        bool busy = false;
        // Pixels that changed since this buffer was last shown; everything for a new buffer.
        Rect stale;
        bool whole = true;
    };

    explicit WaylandBufferPool(wl_shm* shm) : shm_(shm) {}
    ~WaylandBufferPool();
    WaylandBufferPool(const WaylandBufferPool&) = delete;
    WaylandBufferPool& operator=(const WaylandBufferPool&) = delete;

    // Pixels drawn anew in the frame about to be shown: every buffer but the one that will show
    // it must catch up on them later.
    void addDamage(const Rect& r);
    // A free buffer of this size (buffers of another size are dropped), or null when every
    // buffer is still the compositor's. The buffer counts as busy from here on.
    Buffer* acquire(int width, int height);
    // Everything is stale (a new layout).
    void invalidate();

    // The smallest rectangle that holds both.
    static Rect unite(const Rect& a, const Rect& b);

private:
    static void released(void* data, wl_buffer* buffer);
    std::unique_ptr<Buffer> create(int width, int height);
    void destroy(Buffer& b);

    wl_shm* shm_;
    std::vector<std::unique_ptr<Buffer>> buffers_;
};

}  // namespace host
