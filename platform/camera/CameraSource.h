#pragma once
// Where the camera's pictures come from. A source models a sensor fixed to the device: it has an
// upright world picture and delivers what such a sensor sees at the device's orientation, as
// landscape frames of B,G,R,X bytes (see SensorFrame for the turns). Main thread only.
#include "platform/camera/SensorFrame.h"
#include "platform/graphics/Image.h"

#include <string>
#include <vector>

namespace platform {

class CameraSource {
public:
    // Frame sizes. Previews are made at the live rate, a full frame only for a picture.
    static constexpr int kPreviewWidth = 400;
    static constexpr int kPreviewHeight = 320;
    static constexpr int kPictureWidth = 1600;
    static constexpr int kPictureHeight = 1200;

    virtual ~CameraSource() = default;

    // A kPreviewWidth x kPreviewHeight frame of what the sensor sees now. Null while the source
    // has nothing to show yet (a webcam before its first frame).
    virtual ImageRef previewFrame(DeviceOrientation orientation) = 0;
    // What the preview frame shows, turned as the portrait screen shows it, at width x height
    // pixels (the preview's shape, kPreviewHeight : kPreviewWidth, give or take a pixel's
    // rounding): the screen asks for the pixels it shows it on, so that nothing is blown up there.
    // A source with more detail than the preview frame makes it from that; one that starts from an
    // upright picture can skip the sensor's turn and the screen's turn back. Null as previewFrame.
    virtual ImageRef screenFrame(DeviceOrientation orientation, int width, int height) {
        return SensorFrame::scaled(SensorFrame::forPortraitScreen(previewFrame(orientation)), width, height);
    }
    // Where `later` may differ from `earlier`, two screen frames of this source that are both still
    // held: appends pixel rectangles outside which they are equal and returns true. False when the
    // source cannot tell (a webcam), and the frames must be compared whole.
    virtual bool screenFrameChanges(const Image& earlier, const Image& later, std::vector<Rect>* rects) const {
        (void)earlier, (void)later, (void)rects;
        return false;
    }
    // A kPictureWidth x kPictureHeight frame for a picture being taken. A source that shows a
    // series of photos moves on to the next one afterwards. Null as for previewFrame.
    virtual ImageRef pictureFrame(DeviceOrientation orientation) = 0;
    // True when pictureFrame would give a real picture now. A webcam says false until its first
    // frame is in and its exposure had time to settle.
    virtual bool hasPicture() const { return true; }
    // What the host option names it: "synthetic", "images:DIR", "v4l2:/dev/video0".
    virtual std::string description() const = 0;
};

}  // namespace platform
