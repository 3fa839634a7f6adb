#include "host/window/WaylandBufferPool.h"

#include <wayland-client.h>

#include <algorithm>

#include <sys/mman.h>
#include <unistd.h>

namespace host {
namespace {

constexpr size_t kMaxBuffers = 3;

}  // namespace

WaylandBufferPool::~WaylandBufferPool() {
    for (auto& b : buffers_) destroy(*b);
}

WaylandBufferPool::Rect WaylandBufferPool::unite(const Rect& a, const Rect& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    const int x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
    const int x1 = std::max(a.x + a.width, b.x + b.width), y1 = std::max(a.y + a.height, b.y + b.height);
    return {x0, y0, x1 - x0, y1 - y0};
}

void WaylandBufferPool::addDamage(const Rect& r) {
    for (auto& b : buffers_) b->stale = unite(b->stale, r);
}

void WaylandBufferPool::invalidate() {
    for (auto& b : buffers_) b->whole = true;
}

void WaylandBufferPool::released(void* data, wl_buffer*) { static_cast<Buffer*>(data)->busy = false; }

WaylandBufferPool::Buffer* WaylandBufferPool::acquire(int width, int height) {
    // Buffers of an old size go once the compositor is done with them.
    for (auto it = buffers_.begin(); it != buffers_.end();) {
        if (((*it)->width != width || (*it)->height != height) && !(*it)->busy) {
            destroy(**it);
            it = buffers_.erase(it);
        } else {
            ++it;
        }
    }
    Buffer* best = nullptr;
    for (auto& b : buffers_) {
        if (b->busy || b->width != width || b->height != height) continue;
        // The one with the least to catch up on.
        auto cost = [](const Buffer& c) { return c.whole ? INT64_MAX : int64_t(c.stale.width) * c.stale.height; };
        if (!best || cost(*b) < cost(*best)) best = b.get();
    }
    if (!best && buffers_.size() < kMaxBuffers) {
        if (auto fresh = create(width, height)) {
            best = fresh.get();
            buffers_.push_back(std::move(fresh));
        }
    }
    if (best) best->busy = true;
    return best;
}

std::unique_ptr<WaylandBufferPool::Buffer> WaylandBufferPool::create(int width, int height) {
    if (width <= 0 || height <= 0) return nullptr;
    const int stride = width * 4;
    const size_t size = size_t(stride) * size_t(height);
    const int fd = memfd_create("kestrova-buffer", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0) return nullptr;
    if (ftruncate(fd, off_t(size)) != 0) {
        close(fd);
        return nullptr;
    }
    void* data = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (data == MAP_FAILED) {
        close(fd);
        return nullptr;
    }
    wl_shm_pool* pool = wl_shm_create_pool(shm_, fd, int32_t(size));
    close(fd);  // the pool holds its own
    auto b = std::make_unique<Buffer>();
    b->buffer = wl_shm_pool_create_buffer(pool, 0, width, height, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);  // the buffer keeps the memory
    b->pixels = static_cast<uint8_t*>(data);
    b->width = width;
    b->height = height;
    b->stride = stride;
    static const wl_buffer_listener listener{released};
    wl_buffer_add_listener(b->buffer, &listener, b.get());
    return b;
}

void WaylandBufferPool::destroy(Buffer& b) {
    if (b.buffer) wl_buffer_destroy(b.buffer);
    if (b.pixels) munmap(b.pixels, size_t(b.stride) * size_t(b.height));
    b = Buffer{};
}

}  // namespace host
