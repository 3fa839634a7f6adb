#pragma once
// Encodes images as JPEG into memory, with EXIF from a properties dictionary. Colour images
// (B,G,R,X) are encoded without conversion; grey images become one-component JPEGs.
#include "platform/graphics/Image.h"
#include "platform/imageio/ImageProperties.h"

#include <cstdint>
#include <memory>
#include <string>
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
    // Adds the image; `properties` may be null (no EXIF block is written then).
    void addImage(const ImageRef& image, const ImageProperties* properties);
    // Encodes. False (and no data) when there was no image or encoding failed.
    bool finalize();
    const std::vector<uint8_t>& data() const { return data_; }

private:
    ImageDestination() = default;
    ImageRef image_;
    std::optional<ImageProperties> properties_;
    int quality_ = kDefaultQuality;
    std::vector<uint8_t> data_;
};

}  // namespace platform
