#pragma once
// Builds the EXIF APP1 payload for a properties dictionary, through libexif.
#include "platform/imageio/ImageProperties.h"

#include <cstdint>
#include <vector>

namespace platform {

class ExifWriter {
public:
    // "Exif\0\0" followed by a little-endian TIFF structure; empty when libexif fails.
    // PixelX/YDimension fall back to `imageWidth` x `imageHeight` when the properties give no
    // positive value. `grey` describes a one-component picture (ComponentsConfiguration Y only).
    static std::vector<uint8_t> app1(const ImageProperties& properties, int imageWidth, int imageHeight,
                                     bool grey = false);

    // A coordinate in degrees as whole degrees, whole minutes and seconds in 1/10000.
    struct Dms {
        uint32_t degrees, minutes, secondsTimes10000;
    };
    static Dms toDms(double degrees);
};

}  // namespace platform
