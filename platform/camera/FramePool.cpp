#include "platform/camera/FramePool.h"

namespace platform {

FramePool::FramePool(size_t buffers) {
    for (size_t i = 0; i < buffers; ++i) slots_.push_back(std::make_shared<Slot>());
}

FramePool::~FramePool() = default;

ImageRef FramePool::make(int width, int height, const std::function<bool(uint8_t*)>& fill) {
    if (width <= 0 || height <= 0) return nullptr;
    const size_t bytes = size_t(width) * size_t(height) * 4;
    std::shared_ptr<Slot> slot;
    for (auto& s : slots_) {
        bool expected = false;
        // Acquire: the pixels' last reader has released them.
        if (s->lent.compare_exchange_strong(expected, true, std::memory_order_acquire)) {
            slot = s;
            break;
        }
    }
    if (!slot) {
        slot = std::make_shared<Slot>();  // all lent out: a one-off buffer
        slot->lent.store(true, std::memory_order_relaxed);
    }
    if (slot->pixels.capacity() < bytes) ++allocations_;
    slot->pixels.resize(bytes);
    if (!fill(slot->pixels.data())) {
        slot->lent.store(false, std::memory_order_release);
        return nullptr;
    }
    // The slot stays alive as long as the image; the image's end hands the buffer back.
    std::shared_ptr<const uint8_t> data(slot->pixels.data(), [slot](const uint8_t*) {
        slot->lent.store(false, std::memory_order_release);
    });
    return Image::create(width, height, 8, 32, width * 4, ColorSpace::DeviceRGB, BitmapInfo::BGRX, std::move(data),
                         bytes);
}

}  // namespace platform
