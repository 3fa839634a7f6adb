#pragma once
// The default camera: a test-card scene drawn in code, a pure function of the clock. Colour
// bars (white, yellow, cyan, green, magenta, red, blue, black), a grey ramp, an orange bracket
// marking the top-left corner, and below them a ball that swings across the picture and a row
// of cells that lights one cell per second, so the live preview visibly lives.
//
// The scene lays itself out for the shape it is seen through, so the whole test card, marked
// corner included, stays in view in every orientation.
#include "platform/camera/CameraSource.h"
#include "platform/camera/FramePool.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

class Clock;

class SyntheticSource final : public CameraSource {
public:
    // The colour of the corner mark (bytes B,G,R), used nowhere else in the scene.
    static constexpr uint8_t kMarkB = 0, kMarkG = 140, kMarkR = 255;

    explicit SyntheticSource(const Clock& clock);

    // Drawn afresh: the live picture on screen keeps its buffers at the screen's size.
    ImageRef previewFrame(DeviceOrientation orientation) override;
    ImageRef pictureFrame(DeviceOrientation orientation) override;
    // The scene drawn at the size asked for, so it is as sharp on a large screen as on a small one.
    ImageRef screenFrame(DeviceOrientation orientation, int width, int height) override;
    // Frames drawn into the kept buffers differ only where either drew its moving parts.
    bool screenFrameChanges(const Image& earlier, const Image& later, std::vector<Rect>* rects) const override;
    std::string description() const override { return "synthetic"; }

    // The upright scene at `time` seconds, width x height pixels, B,G,R,X.
    static ImageRef renderScene(double time, int width, int height);

    // Shades the ball two pixels at a time even where AVX code would be chosen (the tests check both).
    static void usePortableCode(bool portable);

private:
    ImageRef frame(int width, int height, DeviceOrientation orientation);
    struct PreviewBuffer;
    // The upright scene now, width x height, drawn over the kept backdrop of that size.
    ImageRef uprightLive(int width, int height);
    // The kept buffer whose pixels `image` shows, or null.
    const PreviewBuffer* keptBuffer(const Image& image) const;

    const Clock& clock_;
    // The still part of the last live scene; only the moving parts are drawn per frame.
    std::vector<uint8_t> backdrop_;
    int backdropWidth_ = 0, backdropHeight_ = 0;
    // Preview frames are drawn into a few kept buffers, each remembering where its moving parts
    // were (pixel rectangles x0, y0, x1, y1), so that a frame costs the moving parts, not a copy
    // of the whole backdrop.
    struct PreviewBuffer {
        std::shared_ptr<std::vector<uint8_t>> pixels;
        std::array<std::array<int, 4>, 2> painted{};
    };
    std::array<PreviewBuffer, 3> buffers_;
    // Live frames turned for the screen (held in landscape) go into these.
    FramePool turned_{3};
};

}  // namespace platform
