#pragma once
// Encodes images as JPEG into memory, with EXIF from a properties dictionary. Colour images
// (B,G,R,X, or premultiplied B,G,R,A whose alpha is dropped) are encoded without conversion;
// grey images become one-component JPEGs.
//
// With properties, the file starts with an EXIF APP1 segment and no JFIF segment: Orientation
// in IFD0 (1..8, else left out), PixelXDimension and PixelYDimension in the EXIF IFD (the image's
// own size where the dictionary gives none or zero: readers require them),
// and a GPS IFD (version 2.2.0.0, latitude and longitude as degree/minute/second rationals with
// their references) when a GPS dictionary is given; plus the tags a reader requires
// (resolution, YCbCr positioning, EXIF and FlashPix versions, colour space, components).
#include "platform/graphics/Image.h"
#include "platform/imageio/ImageProperties.h"
#include "platform/imageio/JpegEncoder.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

class ImageDestination {
public:
    static constexpr int kDefaultQuality = 90;

    // A destination that writes into memory. Only "public.jpeg" is supported: any other type
    // gives null. `count` is how many images it will take (1 for JPEG).
    static std::unique_ptr<ImageDestination> createWithData(const std::string& type = "public.jpeg",
                                                            size_t count = 1);
    ~ImageDestination();

    void setQuality(int quality);  // 1..100
    // Adds the image; `properties` may be null (no EXIF block is written then). Images beyond
    // the count given at creation are ignored.
    void addImage(const ImageRef& image, const ImageProperties* properties);
    // The same for a picture made a band at a time while it is encoded: width x height pixels,
    // B,G,R,X or grey, handed out by `rows` (see JpegEncoder::RowSource).
    void addImageRows(int width, int height, bool grey, JpegEncoder::RowSource rows,
                      const ImageProperties* properties);
    // Encodes. False (and no data) when there was no image, the image's layout cannot be
    // encoded, encoding failed, or the destination was finalised before.
    bool finalize();
    const std::vector<uint8_t>& data() const { return data_; }
    // The encoded bytes handed over without a copy; data() is empty afterwards.
    std::vector<uint8_t> takeData() { return std::move(data_); }

private:
    ImageDestination() = default;
    size_t count_ = 1;
    size_t added_ = 0;
    bool finalized_ = false;
    ImageRef image_;
    JpegEncoder::RowSource rows_;
    int rowsWidth_ = 0, rowsHeight_ = 0;
    bool rowsGrey_ = false;
    std::optional<ImageProperties> properties_;
    int quality_ = kDefaultQuality;
    std::vector<uint8_t> data_;
};

}  // namespace platform
