#pragma once
// A scripted video device that behaves like real UVC webcams: the format, size and interval
// tables they publish, the errors they give (busy, no room on the bus, unplugged), frames that
// stop coming, and frames a test pushes. readFrame waits (without a time limit) until something
// is scripted or interrupt() is called, so no test depends on how fast the machine is.
#include "platform/camera/VideoDevice.h"

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>

class FakeVideoDevice final : public platform::VideoDevice {
public:
    using VideoMode = platform::VideoMode;
    using FrameInterval = platform::FrameInterval;
    static constexpr uint32_t kNV12 = platform::fourcc('N', 'V', '1', '2');
    static constexpr uint32_t kYU12 = platform::fourcc('Y', 'U', '1', '2');
    static constexpr uint32_t kRGB3 = platform::fourcc('R', 'G', 'B', '3');

    // --- Tables modelled on real webcams ---
    static std::vector<FrameInterval> fps(std::initializer_list<uint32_t> rates) {
        std::vector<FrameInterval> out;
        for (uint32_t r : rates) out.push_back({1, r});
        return out;
    }
    // A 16:9 USB 2.0 webcam: YUYV is slow above 640 x 480, MJPEG reaches 30 up to 1080p.
    static std::vector<VideoMode> widescreenWebcam() {
        return {{platform::kFourccYUYV, 640, 480, fps({30, 15}), false},
                {platform::kFourccYUYV, 1280, 720, fps({10, 5}), false},
                {platform::kFourccYUYV, 1920, 1080, fps({5}), false},
                {platform::kFourccYUYV, 352, 288, fps({30}), false},
                {platform::kFourccMJPEG, 640, 480, fps({30}), false},
                {platform::kFourccMJPEG, 1280, 720, fps({60, 30}), false},
                {platform::kFourccMJPEG, 1920, 1080, fps({30, 15}), false},
                // libv4l2's own conversions of the same sizes.
                {platform::kFourccBGR24, 1920, 1080, fps({30}), true},
                {kRGB3, 1920, 1080, fps({30}), true}};
    }
    // An old webcam that knows only 640 x 480 and smaller, YUYV.
    static std::vector<VideoMode> vgaWebcam() {
        return {{platform::kFourccYUYV, 640, 480, fps({30, 15}), false},
                {platform::kFourccYUYV, 320, 240, fps({30}), false},
                {platform::kFourccBGR24, 640, 480, fps({30}), true}};
    }
    // A webcam that sends only NV12; libv4l2 offers B,G,R and planar YUV made from it.
    static std::vector<VideoMode> nv12Webcam() {
        return {{kNV12, 1280, 720, fps({30}), false},
                {kNV12, 640, 480, fps({30}), false},
                {platform::kFourccBGR24, 1280, 720, fps({30}), true},
                {platform::kFourccBGR24, 640, 480, fps({30}), true},
                {kYU12, 1280, 720, fps({30}), true}};
    }

    // --- Script, set before the device is opened ---
    std::vector<VideoMode> table = vgaWebcam();
    int openErrno = 0;         // open() fails with this
    int formatErrno = 0;       // setFormat() fails with this (EBUSY: another program streams)
    // startStreaming() fails with ENOSPC for formats of more bytes a second than this (0: never).
    double busBytesPerSecond = 0;
    uint32_t substitute = 0;   // when set, answers every format request with this format

    // --- What the source asked ---
    std::vector<platform::VideoFormat> requested;  // formats asked for, in order
    std::vector<FrameInterval> intervalsAsked;

    bool open(const std::string&) override {
        std::lock_guard lk(mutex_);
        ++opens_;
        const int e = !present_ ? ENOENT : openErrno;
        return e ? fail(e, "") : true;
    }
    void close() override { stopStreaming(); }
    std::vector<VideoMode> modes() override { return table; }
    std::optional<platform::VideoFormat> setFormat(uint32_t pf, int w, int h) override {
        std::lock_guard lk(mutex_);
        requested.push_back({pf, w, h, 0});
        if (formatErrno) {
            fail(formatErrno, "VIDIOC_S_FMT: ");
            return std::nullopt;
        }
        // The sources ask only for modes the table lists; `substitute` plays a device that answers
        // with a format of its own instead.
        const uint32_t got = substitute ? substitute : pf;
        const int bpl = got == platform::kFourccYUYV ? w * 2 : got == platform::kFourccBGR24 ? w * 3 : 0;
        format_ = {got, w, h, bpl};
        return format_;
    }
    bool setFrameInterval(FrameInterval i) override {
        intervalsAsked.push_back(i);
        interval_ = i;
        return true;
    }
    bool startStreaming() override {
        std::lock_guard lk(mutex_);
        const double bytesPerPixel = format_.pixelFormat == platform::kFourccMJPEG ? 0.3 : 2;
        const double rate = double(format_.width) * format_.height * bytesPerPixel * interval_.fps();
        if (busBytesPerSecond > 0 && rate > busBytesPerSecond) return fail(ENOSPC, "VIDIOC_STREAMON: ");
        streaming_ = true;
        ++streamStarts_;
        return true;
    }
    ReadResult readFrame(const std::function<void(const uint8_t*, size_t)>& consume, double) override {
        std::vector<uint8_t> frame;
        {
            std::unique_lock lk(mutex_);
            cv_.wait(lk, [&] { return interrupted_ || !events_.empty() || stalled_ || !present_; });
            if (interrupted_) {
                interrupted_ = false;
                return ReadResult::Interrupted;
            }
            if (!present_ || !streaming_) {
                fail(ENODEV, "VIDIOC_DQBUF: ");
                return ReadResult::Lost;
            }
            if (events_.empty()) return ReadResult::Timeout;  // stalled: the wait costs no real time
            frame = std::move(events_.front());
            events_.pop_front();
            stalled_ = false;
        }
        consume(frame.data(), frame.size());
        ++taken_;
        cv_.notify_all();
        return ReadResult::Frame;
    }
    void interrupt() override {
        {
            std::lock_guard lk(mutex_);
            interrupted_ = true;
        }
        cv_.notify_all();
    }
    void stopStreaming() override {
        std::lock_guard lk(mutex_);
        streaming_ = false;
    }
    std::string lastError() const override {
        std::lock_guard lk(mutex_);
        return error_;
    }
    int lastErrorNumber() const override {
        std::lock_guard lk(mutex_);
        return errno_;
    }

    // --- Driving it from the test thread ---
    void push(std::vector<uint8_t> frame) { script([&] { events_.push_back(std::move(frame)); }); }
    // Frames stop coming: every wait for one times out.
    void stall() { script([&] { stalled_ = true; }); }
    // Unplugged: the stream fails with ENODEV and the node is gone until replug().
    void unplug() { script([&] { present_ = false; }); }
    void replug() { script([&] { present_ = true; }); }

    // Frames handed to the reader so far (the reader has finished with them).
    int taken() const { return taken_.load(); }
    int opens() const { std::lock_guard lk(mutex_); return opens_; }
    int streamStarts() const { std::lock_guard lk(mutex_); return streamStarts_; }

private:
    template <class F> void script(F f) {
        {
            std::lock_guard lk(mutex_);
            f();
        }
        cv_.notify_all();
    }
    bool fail(int e, const std::string& what) {
        errno_ = e;
        error_ = what + std::strerror(e);
        return false;
    }

    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::vector<uint8_t>> events_;
    bool stalled_ = false, present_ = true, streaming_ = false, interrupted_ = false;
    platform::VideoFormat format_;
    FrameInterval interval_;
    std::string error_;
    int errno_ = 0;
    int opens_ = 0, streamStarts_ = 0;
    std::atomic<int> taken_{0};
};
