#include "capture/ImageRenderer.h"

#include "capture/ColorFilters.h"
#include "capture/PictureRows.h"
#include "platform/graphics/BitmapContext.h"
#include "platform/graphics/PixelBufferPool.h"
#include "platform/imageio/ImageDestination.h"

#include <cmath>
#include <cstring>
#include <memory>

namespace kestrova {

using platform::BitmapContext;
using platform::BitmapInfo;
using platform::ColorSpace;
using platform::DeviceOrientation;
using platform::Image;
using platform::ImageRef;
using platform::Rect;
using platform::Size;

namespace {

constexpr int kFrameWidth = 1600, kFrameHeight = 1200;
constexpr int kSquareX = 70, kSquareSide = 320;
constexpr int kFanCropWidth = 400, kFanCropHeight = 300;

// A float quotient truncated toward zero. Zooms below 1 (or not numbers) count as 1.
int truncQuotient(int n, float z) {
    if (!(z >= 1.0f)) z = 1.0f;
    return int(float(n) / z);
}

// A context of the drawing's layout: one-byte device grey for the grey mode, otherwise the
// source's own 32-bit layout.
std::shared_ptr<BitmapContext> makeContext(int w, int h, ColorMode colorMode, const ImageRef& source, int rgbBytesPerRow,
                                           int greyBytesPerRow) {
    std::unique_ptr<BitmapContext> ctx =
        colorMode == ColorMode::Greyscale
            ? BitmapContext::create(w, h, 8, greyBytesPerRow, ColorSpace::DeviceGray, BitmapInfo::None)
            : BitmapContext::create(w, h, source->bitsPerComponent(), rgbBytesPerRow, source->colorSpace(),
                                    source->bitmapInfo());
    return std::shared_ptr<BitmapContext>(std::move(ctx));
}

// The context's pixels with the colour mode applied, as an image. Sepia and negative work in
// place; the single-colour filter needs the unfiltered neighbours, so it writes a new buffer.
// Without a filter the image shares the context's bytes (and keeps the context alive).
ImageRef applyColorMode(const std::shared_ptr<BitmapContext>& ctx, ColorMode colorMode) {
    const int bpr = ctx->bytesPerRow();
    const size_t length = size_t(bpr) * size_t(ctx->height());
    const bool grey = ctx->colorSpace() == ColorSpace::DeviceGray;
    const int bitsPerPixel = grey ? 8 : 32;
    uint8_t* bytes = ctx->data();
    if (!bytes) return nullptr;
    if (!grey) {
        switch (colorMode) {
            case ColorMode::Sepia: ColorFilters::sepia(bytes, bytes, length); break;
            case ColorMode::Negative: ColorFilters::inverse(bytes, bytes, length); break;
            case ColorMode::Red:
            case ColorMode::Green:
            case ColorMode::Blue: {
                std::shared_ptr<uint8_t> out = platform::PixelBufferPool::acquire(length);
                if (!out) return nullptr;
                ColorFilters::singleColor(bytes, out.get(), length, size_t(bpr) / 4, colorMode);
                return Image::create(ctx->width(), ctx->height(), 8, 32, bpr, ctx->colorSpace(), ctx->bitmapInfo(),
                                     std::shared_ptr<const uint8_t>(std::move(out)), length);
            }
            default: break;  // full colour, and greyscale drawn as such
        }
    }
    return Image::create(ctx->width(), ctx->height(), 8, bitsPerPixel, bpr, ctx->colorSpace(), ctx->bitmapInfo(),
                         std::shared_ptr<const uint8_t>(ctx, bytes), length);
}

}  // namespace

ImageRenderer::ImageRenderer(platform::FileManager& files) : files_(files) {}

Rect ImageRenderer::pictureCropRect(float zoom) {
    const int w = truncQuotient(kFrameWidth, zoom), h = truncQuotient(kFrameHeight, zoom);
    return Rect(float((kFrameWidth - w) / 2), float((kFrameHeight - h) / 2), float(w), float(h));
}

Size ImageRenderer::pictureSize(ImageSize size) {
    switch (size) {
        case ImageSize::Large: return {1600, 1200};
        case ImageSize::Medium: return {1280, 960};
        default: return {960, 720};
    }
}

Rect ImageRenderer::thumbnailCropRect(float zoom) {
    const int s = truncQuotient(kSquareSide, zoom);
    const int t = (kSquareSide - s) / 2;
    return Rect(float(t), float(t), float(s), float(s));
}

Rect ImageRenderer::fanCropRect(float zoom) {
    const int w = truncQuotient(kFanCropWidth, zoom), h = truncQuotient(kFanCropHeight, zoom);
    return Rect(float((kFanCropWidth - w) / 2), float((kFanCropHeight - h) / 2), float(w), float(h));
}

int ImageRenderer::exifOrientation(DeviceOrientation o) {
    switch (o) {
        case DeviceOrientation::LandscapeLeft: return 1;
        case DeviceOrientation::LandscapeRight: return 3;
        case DeviceOrientation::PortraitUpsideDown: return 8;
        default: return 6;
    }
}

platform::ImageProperties ImageRenderer::pictureProperties(int width, int height, DeviceOrientation o,
                                                           const std::optional<GeoSnapshot>& gps) {
    platform::ImageProperties props;
    props.pixelWidth = width;
    props.pixelHeight = height;
    props.orientation = exifOrientation(o);
    if (gps) {
        platform::GpsProperties g;
        g.latitude = double(std::fabs(gps->latitude));
        g.longitude = double(std::fabs(gps->longitude));
        g.latitudeRef = gps->latitudeRef;
        g.longitudeRef = gps->longitudeRef;
        props.gps = std::move(g);
    }
    return props;
}

ImageRef ImageRenderer::renderPicture(const ImageRef& picture, ImageSize size, float zoomFactor,
                                      ColorMode colorMode) const {
    if (!picture) return nullptr;
    ImageRef crop = picture->crop(pictureCropRect(zoomFactor));
    if (!crop) return nullptr;
    const Size pixels = pictureSize(size);
    const int w = int(pixels.width), h = int(pixels.height);
    auto ctx = makeContext(w, h, colorMode, crop, 4 * w, w);
    if (!ctx) return nullptr;
    ctx->drawImage(Rect(0, 0, float(w), float(h)), crop);
    return applyColorMode(ctx, colorMode);
}

ImageRef ImageRenderer::renderThumbnail(const ImageRef& preview, float zoomFactor, ColorMode colorMode,
                                        DeviceOrientation orientation) const {
    if (!preview) return nullptr;
    ImageRef square = preview->crop(Rect(kSquareX, 0, kSquareSide, kSquareSide));
    if (!square) return nullptr;
    ImageRef zoomed = square->crop(thumbnailCropRect(zoomFactor));
    square.reset();
    if (!zoomed) return nullptr;
    constexpr int n = kThumbnailSize;
    auto ctx = makeContext(n, n, colorMode, zoomed, 4 * n, n);
    if (!ctx) return nullptr;
    switch (orientation) {
        case DeviceOrientation::LandscapeLeft: break;
        case DeviceOrientation::LandscapeRight:
            ctx->translateCTM(n, n);
            ctx->rotateCTM(3.1415927f);
            break;
        case DeviceOrientation::PortraitUpsideDown:
            ctx->translateCTM(n, 0);
            ctx->rotateCTM(1.5707964f);
            break;
        default:
            ctx->translateCTM(0, n);
            ctx->rotateCTM(-1.5707964f);
            break;
    }
    ctx->drawImage(Rect(0, 0, n, n), zoomed);
    return applyColorMode(ctx, colorMode);
}

ImageRef ImageRenderer::transformImage(const ImageRef& preview, float angle, float zoomFactor, ColorMode colorMode) {
    if (!preview) return nullptr;
    const Rect cropRect = fanCropRect(zoomFactor);
    ImageRef crop = preview->crop(cropRect);
    if (!crop) return nullptr;
    // Rows padded to the fan's height: 400 pixels, 1600 bytes (400 bytes in grey).
    auto ctx = makeContext(kFanWidth, kFanHeight, colorMode, crop, 4 * kFanHeight, kFanHeight);
    if (!ctx) return nullptr;
    ctx->translateCTM(0, float(kFanHeight));
    ctx->rotateCTM(float(double(angle) * 0.017453292519943295));
    ctx->drawImage(Rect(0, 0, float(kFanCropWidth), float(kFanCropHeight)), crop);
    return applyColorMode(ctx, colorMode);
}

namespace {

std::optional<std::vector<uint8_t>> encode(const ImageRef& image, const platform::ImageProperties* properties) {
    if (!image) return std::nullopt;
    auto dest = platform::ImageDestination::createWithData("public.jpeg", 1);
    if (!dest) return std::nullopt;
    dest->addImage(image, properties);
    if (!dest->finalize()) return std::nullopt;
    return dest->takeData();
}

}  // namespace

std::optional<std::vector<uint8_t>> ImageRenderer::encodePicture(const ImageRef& picture, ImageSize size,
                                                                 float zoomFactor, ColorMode colorMode,
                                                                 DeviceOrientation orientation,
                                                                 const std::optional<GeoSnapshot>& gps) const {
    if (!picture) return std::nullopt;
    ImageRef crop = picture->crop(pictureCropRect(zoomFactor));
    if (!crop) return std::nullopt;
    if (!PictureRows::accepts(crop, colorMode)) {
        ImageRef image = renderPicture(picture, size, zoomFactor, colorMode);
        if (!image) return std::nullopt;
        const auto props = pictureProperties(image->width(), image->height(), orientation, gps);
        return encode(image, &props);
    }
    // Scaled, coloured and encoded a band of rows at a time: the same pixels as renderPicture.
    const Size pixels = pictureSize(size);
    const int w = int(pixels.width), h = int(pixels.height);
    PictureRows rows(std::move(crop), w, h, colorMode);
    auto dest = platform::ImageDestination::createWithData("public.jpeg", 1);
    if (!dest) return std::nullopt;
    const auto props = pictureProperties(w, h, orientation, gps);
    dest->addImageRows(
        w, h, false, [&rows](int first, int count, const uint8_t** r) { return rows.rows(first, count, r); }, &props);
    if (!dest->finalize()) return std::nullopt;
    return dest->takeData();
}

std::optional<std::vector<uint8_t>> ImageRenderer::encodeThumbnail(const ImageRef& preview, float zoomFactor,
                                                                   ColorMode colorMode,
                                                                   DeviceOrientation orientation) const {
    return encode(renderThumbnail(preview, zoomFactor, colorMode, orientation), nullptr);
}

bool ImageRenderer::write(const std::optional<std::vector<uint8_t>>& bytes, const std::string& filename) const {
    return bytes && files_.writeAtomically(filename, bytes->data(), bytes->size(), /*replaceExisting=*/false);
}

bool ImageRenderer::makeImage(const ImageRef& picture, const std::string& filename, ImageSize size, float zoomFactor,
                              ColorMode colorMode, DeviceOrientation orientation,
                              const std::optional<GeoSnapshot>& gps) const {
    return write(encodePicture(picture, size, zoomFactor, colorMode, orientation, gps), filename);
}

bool ImageRenderer::makeThumbnail(const ImageRef& preview, const std::string& filename, float zoomFactor,
                                  ColorMode colorMode, DeviceOrientation orientation) const {
    return write(encodeThumbnail(preview, zoomFactor, colorMode, orientation), filename);
}

}  // namespace kestrova
