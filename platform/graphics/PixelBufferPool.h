#pragma once
// Keeps a few large pixel buffers for reuse: a fresh 7.68 MB buffer costs about 2 ms of page
// faults, a reused one nothing. Thread-safe. Buffers are not cleared on reuse.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

class PixelBufferPool {
public:
    // A buffer of at least `bytes` bytes (contents undefined), returned to the pool when the last
    // reference goes. Small requests are plain allocations. Null when memory runs out.
    static std::shared_ptr<uint8_t> acquire(size_t bytes);
    // Frees every pooled buffer.
    static void drain();
    // Bytes held by the pool now (not in use).
    static size_t pooledBytes();

    static constexpr size_t kMinPooledBytes = 256 * 1024;
    static constexpr size_t kMaxPooledBuffers = 4;
};

}  // namespace platform
