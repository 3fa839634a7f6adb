#pragma once
// The live preview: the camera's frame turned upright for the portrait screen (the sensor's
// landscape frame turned 90° clockwise) and scaled to fill the view, cropping what sticks out.
// Its transform magnifies it like any view's. Frames are made at the size they are shown at on
// screen, so a large screen shows the camera's detail rather than enlarged pixels. While it is in a window it redraws about 30 times
// a second on a Common-mode timer of the camera's run loop; a frame is fetched only when the
// screen is composed after a refresh, so a headless run that takes no screenshot makes no
// frames, and a screen composed more often than that (during an animation) makes no more. It is
// a live view: drawn straight onto the screen, and only where the new frame differs from the
// one on show.
#include "platform/foundation/TimerHandle.h"
#include "platform/graphics/Image.h"
#include "platform/ui/View.h"

#include <memory>
#include <vector>

namespace platform {

class CameraController;

class CameraView : public View {
public:
    static constexpr Seconds kRefreshInterval{1.0 / 30};

    // `controller` null: the shared controller, looked up at each use.
    explicit CameraView(const Rect& frame = {}, CameraController* controller = nullptr);
    ~CameraView() override;

    // Plays the shutter sound once through the system's sound service.
    void playShutterSound();

    // The frame the view shows now, upright, framePixels() in size. Null while the camera has
    // nothing to show (then the view is black).
    ImageRef uprightFrame();
    // The pixels frames are made at: the preview frame's own (320 x 400 for the 400 x 320 sensor
    // frame) up to kPreviewFrameUpTo pixels a point on screen, and outside a window; beyond, its
    // shape on the device pixels it covers at the window's scale, magnified by the view's
    // transform only as far as the camera's full frame has detail, and never more than
    // kMaxFramePixels.
    Size framePixels() const;
    static constexpr double kPreviewFrameUpTo = 2;
    static constexpr double kMaxFramePixels = 4.0 * 1600 * 1200;  // four picture frames
    // True while the refresh timer runs (the view is in a window).
    bool isRefreshing() const;

    void drawRect(GraphicsContext& context, const Rect& rect) override;
    bool isLive() const override { return true; }
    bool drawLiveInto(const LiveTarget& target) override;
    // Fetches the frame a refresh asked for and marks only what changed for drawing.
    void willBeComposited() override;

    // The part of `a` whose colours differ from `b` (same size, 4 bytes a pixel), in pixels;
    // empty when the pictures look the same. With `within`, only those pixel rectangles are
    // looked at: the caller knows the pictures are equal outside them.
    static Rect changedPixels(const Image& a, const Image& b);
    static Rect changedPixels(const Image& a, const Image& b, const std::vector<Rect>& within);

protected:
    void didMoveToWindow() override;

private:
    CameraController& controller() const;
    // Where a frame of this many pixels lies in the bounds: filling them, its shape kept, the
    // overflow cropped.
    Rect frameRect(float width, float height) const;
    // The frame to draw: the one a refresh asked for, fetched now if it has not been yet.
    const ImageRef& frameToDraw();

    CameraController* controller_;  // may be null: the shared one
    TimerHandle timer_;
    ImageRef frame_;          // the frame on show
    bool frameDue_ = true;    // a refresh asked for a newer one
};

}  // namespace platform
