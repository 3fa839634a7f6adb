#pragma once
// Reads typed values off the front of a fuzzer's input, zero once it runs out, so one input
// drives sizes, numbers and strings alike.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace fuzz {

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : p_(data), left_(size) {}

    template <typename T>
    T take() {
        T v{};
        const size_t n = left_ < sizeof(T) ? left_ : sizeof(T);
        std::memcpy(&v, p_, n);
        p_ += n;
        left_ -= n;
        return v;
    }
    // Up to `max` bytes, the length taken from the input first.
    std::string takeString(size_t max) {
        size_t n = take<uint8_t>();
        if (n > max) n = max;
        if (n > left_) n = left_;
        std::string s(reinterpret_cast<const char*>(p_), n);
        p_ += n;
        left_ -= n;
        return s;
    }
    std::string rest() {
        std::string s(reinterpret_cast<const char*>(p_), left_);
        p_ += left_;
        left_ = 0;
        return s;
    }
    size_t left() const { return left_; }

private:
    const uint8_t* p_;
    size_t left_;
};

}  // namespace fuzz
