#pragma once
// A few frame buffers used over and over, so a live camera does not allocate a picture's worth of
// memory for every frame. A buffer is lent as an Image; it comes back when the last reference to
// that Image goes, from any thread. The pool may go first: lent buffers stay valid.
#include "platform/graphics/Image.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace platform {

class FramePool {
public:
    explicit FramePool(size_t buffers = 3);
    ~FramePool();
    FramePool(const FramePool&) = delete;
    FramePool& operator=(const FramePool&) = delete;

    // A width x height B,G,R,X image whose pixels `fill` writes (rows of width * 4 bytes). Takes a
    // free buffer of the pool; a fresh one only when all are lent out or the size grew. Null when
    // `fill` returns false or the size is empty. Used by one thread at a time.
    ImageRef make(int width, int height, const std::function<bool(uint8_t* pixels)>& fill);

    // Buffers allocated so far, including those made when all were lent out.
    uint64_t allocations() const { return allocations_; }

private:
    struct Slot {
        std::vector<uint8_t> pixels;
        std::atomic<bool> lent{false};
    };
    std::vector<std::shared_ptr<Slot>> slots_;
    uint64_t allocations_ = 0;
};

}  // namespace platform
