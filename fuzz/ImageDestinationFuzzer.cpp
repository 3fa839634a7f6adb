// The JPEG/EXIF writer's inputs: arbitrary image layouts, sizes, qualities and properties,
// GPS values NaN, infinite or out of range included. Whatever it is given, it either refuses
// or writes a whole JPEG.
#include "fuzz/FuzzInput.h"
#include "platform/imageio/ImageDestination.h"

#include <cstdlib>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FuzzInput in(data, size);
    const int width = int(in.take<uint8_t>()) - 8;       // some zero or negative
    const int height = int(in.take<uint8_t>()) - 8;
    const int bitsPerComponent = in.take<uint8_t>() % 2 ? 8 : int(in.take<uint8_t>());
    const int bitsPerPixel = in.take<uint8_t>() % 2 ? 32 : int(in.take<uint8_t>());
    const int bytesPerRow = int(in.take<int16_t>());
    const uint8_t layout = in.take<uint8_t>();
    const auto space = layout & 1 ? platform::ColorSpace::DeviceGray : platform::ColorSpace::DeviceRGB;
    const auto info = platform::BitmapInfo((layout >> 1) % 4);
    const size_t length = in.take<uint16_t>();
    const int quality = int(in.take<int8_t>());

    platform::ImageProperties props;
    const uint8_t which = in.take<uint8_t>();
    if (which & 1) props.pixelWidth = in.take<int32_t>();
    if (which & 2) props.pixelHeight = in.take<int32_t>();
    if (which & 4) props.orientation = in.take<int32_t>();
    if (which & 8) {
        platform::GpsProperties g;
        g.latitude = in.take<double>();
        g.longitude = in.take<double>();
        g.latitudeRef = in.takeString(4);
        g.longitudeRef = in.takeString(4);
        props.gps = g;
    }

    std::shared_ptr<uint8_t> pixels(new uint8_t[length ? length : 1](), std::default_delete<uint8_t[]>());
    for (size_t i = 0; i < length && in.left() > 0; ++i) pixels.get()[i] = in.take<uint8_t>();
    auto image = platform::Image::create(width, height, bitsPerComponent, bitsPerPixel, bytesPerRow, space, info,
                                         pixels, length);
    if (!image) return 0;

    auto dest = platform::ImageDestination::createWithData();
    dest->setQuality(quality);
    dest->addImage(image, which & 16 ? nullptr : &props);
    if (dest->finalize()) {
        const auto& out = dest->data();
        // A whole JPEG: SOI first, EOI last.
        if (out.size() < 4 || out[0] != 0xFF || out[1] != 0xD8 || out[out.size() - 2] != 0xFF ||
            out[out.size() - 1] != 0xD9)
            std::abort();
    }
    return 0;
}
