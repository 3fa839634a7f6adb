#include "platform/graphics/PixelBufferPool.h"

#include <mutex>
#include <new>
#include <vector>

namespace platform {
namespace {

struct Pool {
    std::mutex mutex;
    struct Entry {
        uint8_t* data;
        size_t size;
    };
    std::vector<Entry> free;

    // Takes the smallest free buffer that fits without wasting more than half of it.
    uint8_t* take(size_t bytes, size_t& size) {
        std::lock_guard lock(mutex);
        int best = -1;
        for (size_t i = 0; i < free.size(); ++i)
            if (free[i].size >= bytes && free[i].size <= bytes * 2 && (best < 0 || free[i].size < free[best].size))
                best = int(i);
        if (best < 0) return nullptr;
        Entry e = free[size_t(best)];
        free.erase(free.begin() + best);
        size = e.size;
        return e.data;
    }

    void give(uint8_t* data, size_t size) {
        std::unique_lock lock(mutex);
        if (free.size() >= PixelBufferPool::kMaxPooledBuffers) {
            // Drop the oldest: recent sizes are the ones pictures use.
            uint8_t* old = free.front().data;
            free.erase(free.begin());
            lock.unlock();
            ::operator delete[](old);
            lock.lock();
        }
        free.push_back({data, size});
    }
};

Pool& pool() {
    static Pool* p = new Pool();  // never destroyed: buffers may be released during exit
    return *p;
}

}  // namespace

std::shared_ptr<uint8_t> PixelBufferPool::acquire(size_t bytes) {
    if (bytes < kMinPooledBytes) {
        uint8_t* p = new (std::nothrow) uint8_t[bytes ? bytes : 1];
        if (!p) return nullptr;
        return std::shared_ptr<uint8_t>(p, [](uint8_t* q) { delete[] q; });
    }
    size_t size = 0;
    uint8_t* p = pool().take(bytes, size);
    if (!p) {
        p = static_cast<uint8_t*>(::operator new[](bytes, std::nothrow));
        if (!p) return nullptr;
        size = bytes;
    }
    return std::shared_ptr<uint8_t>(p, [size](uint8_t* q) { pool().give(q, size); });
}

void PixelBufferPool::drain() {
    std::vector<Pool::Entry> entries;
    {
        std::lock_guard lock(pool().mutex);
        entries.swap(pool().free);
    }
    for (auto& e : entries) ::operator delete[](e.data);
}

size_t PixelBufferPool::pooledBytes() {
    std::lock_guard lock(pool().mutex);
    size_t n = 0;
    for (auto& e : pool().free) n += e.size;
    return n;
}

}  // namespace platform
