#pragma once
// The turns between the upright world and a landscape sensor frame. In landscape left the sensor sees the world as it
// is; in landscape right turned 180°; in portrait it sees the world's portrait-shaped centre turned 90°
// counter-clockwise, upside down turned 90° clockwise; any other orientation counts as portrait.
#include "platform/graphics/Image.h"
#include "platform/system/DeviceOrientation.h"

#include <memory>

namespace platform {
class BoxShrinker;
class FramePool;
}

namespace platform {

class SensorFrame {
public:
    // True for the orientations in which the sensor's landscape frame is upright.
    static bool isLandscape(DeviceOrientation orientation) {
        return orientation == DeviceOrientation::LandscapeLeft || orientation == DeviceOrientation::LandscapeRight;
    }
    // Width and height of the upright picture a width x height sensor frame shows: the same for
    // landscape orientations, swapped otherwise.
    static void uprightSize(int width, int height, DeviceOrientation orientation, int* uprightWidth,
                            int* uprightHeight);
    // Turns an upright B,G,R,X picture into the sensor frame for `orientation`. The result's size
    // is the upright size with width and height swapped for the portrait orientations.
    // With `pool`, the turned pixels go into one of its buffers.
    static ImageRef fromUpright(const ImageRef& upright, DeviceOrientation orientation, FramePool* pool = nullptr);
    // A sensor frame turned 90° clockwise, as the portrait screen shows it (the inverse of the
    // portrait turn).
    static ImageRef forPortraitScreen(const ImageRef& sensorFrame) {
        return fromUpright(sensorFrame, DeviceOrientation::PortraitUpsideDown);
    }
    // forPortraitScreen(fromUpright(upright, orientation)) in one turn, or none in portrait.
    static ImageRef forPortraitScreenFromUpright(const ImageRef& upright, DeviceOrientation orientation,
                                                 FramePool* pool = nullptr);
    // Crops the centre of an upright world picture to the shape the sensor sees, scales it to
    // fill a width x height frame and turns it in. Null for an empty or non-B,G,R,X world.
    static ImageRef fromWorld(const ImageRef& world, int width, int height, DeviceOrientation orientation,
                              FramePool* pool = nullptr);
    // fromWorld's picture turned for the portrait screen in one go, width x height as the screen
    // shows it: the world's centre cropped to that shape, scaled and, held in landscape, turned.
    static ImageRef screenFromWorld(const ImageRef& world, int width, int height, DeviceOrientation orientation,
                                    FramePool* pool = nullptr);
    // True when a width x height world picture gives a frameWidth x frameHeight sensor frame in
    // every orientation without enlarging.
    static bool covers(int width, int height, int frameWidth, int frameHeight);
    // The largest centred rectangle of `aspect` (width / height) inside a width x height picture,
    // in whole pixels.
    static Rect centredCrop(int width, int height, double aspect);
    // Scales a B,G,R,X picture to exactly width x height: area averaging when shrinking, bilinear
    // when enlarging, flat areas keeping their exact value.
    // With `shrink`, a shrink worked out for an earlier frame of the same sizes is used again (and
    // a new one kept there): frames of a stream all have one size.
    static ImageRef scaled(const ImageRef& image, int width, int height, FramePool* pool = nullptr,
                           std::unique_ptr<BoxShrinker>* shrink = nullptr);
    // A picture of one colour, bytes b, g, r, 255.
    static ImageRef solid(int width, int height, uint8_t b, uint8_t g, uint8_t r);
};

}  // namespace platform
