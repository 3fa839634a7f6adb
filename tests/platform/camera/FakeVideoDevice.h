#pragma once
// A scripted video device: the formats it offers, how it answers a format request, and frames
// a test pushes. readFrame blocks (with its timeout) until a frame is pushed.
#include "platform/camera/VideoDevice.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

class FakeVideoDevice final : public platform::VideoDevice {
public:
    bool openFails = false;
    std::vector<uint32_t> offered{platform::kFourccMJPEG, platform::kFourccYUYV};
    int width = 4, height = 2;            // the size the device settles on
    uint32_t substitute = 0;              // when set, answers every request with this format
    std::vector<uint32_t> requested;      // pixel formats asked for, in order
    std::string openedPath;

    bool open(const std::string& path) override {
        openedPath = path;
        return !openFails;
    }
    std::vector<uint32_t> pixelFormats() override { return offered; }
    std::optional<platform::VideoFormat> setFormat(uint32_t pf, int, int) override {
        requested.push_back(pf);
        const uint32_t got = substitute ? substitute : pf;
        return platform::VideoFormat{got, width, height, got == platform::kFourccYUYV ? width * 2 : 0};
    }
    bool startStreaming() override { return true; }
    bool readFrame(const std::function<void(const uint8_t*, size_t)>& consume, double timeout) override {
        std::vector<uint8_t> frame;
        {
            std::unique_lock lk(mutex_);
            if (!cv_.wait_for(lk, std::chrono::duration<double>(timeout), [&] { return !frames_.empty(); }))
                return false;
            frame = std::move(frames_.front());
            frames_.pop_front();
        }
        consume(frame.data(), frame.size());
        ++taken_;
        return true;
    }
    void stopStreaming() override {}
    std::string lastError() const override { return openFails ? "no such device" : ""; }

    void push(std::vector<uint8_t> frame) {
        {
            std::lock_guard lk(mutex_);
            frames_.push_back(std::move(frame));
        }
        cv_.notify_all();
    }

    // Frames handed to the reader so far.
    int taken() const { return taken_.load(); }

private:
    std::atomic<int> taken_{0};
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::vector<uint8_t>> frames_;
};
