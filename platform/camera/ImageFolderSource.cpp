#include "platform/camera/ImageFolderSource.h"

#include "platform/camera/JpegDecoder.h"
#include "platform/camera/SensorFrame.h"
#include "platform/foundation/RegularFile.h"

#include <cairo.h>
#include <libyuv/planar_functions.h>
#include <libyuv/rotate_argb.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>

namespace platform {
namespace {

// Read whole into memory: a larger file would cost more than any photo needs.
constexpr uintmax_t kMaxFileBytes = uintmax_t(64) << 20;

std::string lowerExtension(const std::filesystem::path& p) {
    std::string e = p.extension().string();
    for (char& c : e) c = char(std::tolower(static_cast<unsigned char>(c)));
    return e;
}

bool isPhotoFile(const std::filesystem::path& p) {
    const auto e = lowerExtension(p);
    return e == ".jpg" || e == ".jpeg" || e == ".png";
}

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t bigEndian32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// A PNG's size from its header chunk, which must come first.
std::optional<std::pair<uint32_t, uint32_t>> pngSize(const std::vector<uint8_t>& b) {
    if (b.size() < 24 || !std::equal(kPngSignature, kPngSignature + 8, b.begin()) ||
        !std::equal(b.begin() + 12, b.begin() + 16, "IHDR"))
        return std::nullopt;
    return std::pair{bigEndian32(b.data() + 16), bigEndian32(b.data() + 20)};
}

// PNG through Cairo, the graphics layer's own reader, from the bytes already read. Transparent
// parts come out over black.
struct PngReader {
    const std::vector<uint8_t>& bytes;
    size_t at = 0;
    static cairo_status_t read(void* closure, unsigned char* out, unsigned int length) {
        auto* r = static_cast<PngReader*>(closure);
        if (r->bytes.size() - r->at < length) return CAIRO_STATUS_READ_ERROR;
        std::memcpy(out, r->bytes.data() + r->at, length);
        r->at += length;
        return CAIRO_STATUS_SUCCESS;
    }
};

ImageRef loadPng(const std::vector<uint8_t>& bytes) {
    PngReader reader{bytes};
    cairo_surface_t* s = cairo_image_surface_create_from_png_stream(&PngReader::read, &reader);
    ImageRef out;
    if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) {
        cairo_surface_flush(s);
        const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
        const int stride = cairo_image_surface_get_stride(s);
        const cairo_format_t f = cairo_image_surface_get_format(s);
        const uint8_t* src = cairo_image_surface_get_data(s);
        if (src && w > 0 && h > 0 && (f == CAIRO_FORMAT_ARGB32 || f == CAIRO_FORMAT_RGB24)) {
            std::vector<uint8_t> px(size_t(w) * h * 4);
            for (int y = 0; y < h; ++y) std::memcpy(px.data() + size_t(y) * w * 4, src + size_t(y) * stride, size_t(w) * 4);
            for (size_t i = 3; i < px.size(); i += 4) px[i] = 255;
            out = Image::createBGRX(w, h, std::move(px));
        }
    }
    cairo_surface_destroy(s);
    return out;
}

// Turns a stored picture upright as its EXIF orientation says.
ImageRef applyExifOrientation(const ImageRef& im, int orientation) {
    if (!im || orientation <= 1 || orientation > 8) return im;
    const int w = im->width(), h = im->height();
    libyuv::RotationMode mode = libyuv::kRotate0;
    bool mirror = false;
    switch (orientation) {
        case 2: mirror = true; break;
        case 3: mode = libyuv::kRotate180; break;
        case 4: mode = libyuv::kRotate180; mirror = true; break;
        case 5: mode = libyuv::kRotate90; mirror = true; break;
        case 6: mode = libyuv::kRotate90; break;
        case 7: mode = libyuv::kRotate270; mirror = true; break;
        case 8: mode = libyuv::kRotate270; break;
    }
    const bool swap = mode == libyuv::kRotate90 || mode == libyuv::kRotate270;
    const int ow = swap ? h : w, oh = swap ? w : h;
    std::vector<uint8_t> turned(size_t(ow) * oh * 4);
    libyuv::ARGBRotate(im->data(), im->bytesPerRow(), turned.data(), ow * 4, w, h, mode);
    if (mirror) {
        std::vector<uint8_t> m(turned.size());
        libyuv::ARGBMirror(turned.data(), ow * 4, m.data(), ow * 4, ow, oh);
        turned.swap(m);
    }
    return Image::createBGRX(ow, oh, std::move(turned));
}

}  // namespace

ImageRef ImageFolderSource::loadPhoto(const std::filesystem::path& file, bool* tooLarge) {
    if (tooLarge) *tooLarge = false;
    auto read = RegularFile::read(file, kMaxFileBytes);
    if (!read.bytes) return nullptr;
    const std::vector<uint8_t>& bytes = *read.bytes;
    if (auto size = pngSize(bytes)) {
        const bool large = uint64_t(size->first) * size->second > kMaxDecodedPixels;
        if (tooLarge) *tooLarge = large;
        return large ? nullptr : loadPng(bytes);
    }
    JpegDecoder::Request request;
    request.enough = [](int w, int h) { return SensorFrame::covers(w, h, kPictureWidth, kPictureHeight); };
    request.maxPixels = kMaxDecodedPixels;
    JpegDecoder::Status status;
    ImageRef im = JpegDecoder::decode(bytes.data(), bytes.size(), request, &status);
    if (tooLarge) *tooLarge = status == JpegDecoder::Status::TooLarge;
    return applyExifOrientation(im, JpegDecoder::exifOrientation(bytes.data(), bytes.size()));
}

std::unique_ptr<ImageFolderSource> ImageFolderSource::open(const std::filesystem::path& folder, std::string* error,
                                                           RunLoop* loop) {
    if (error) *error = "no photo that can be read";
    std::error_code ec;
    std::vector<std::filesystem::path> files;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec) && isPhotoFile(it->path())) files.push_back(it->path());
    }
    if (files.empty()) return nullptr;
    std::sort(files.begin(), files.end());
    std::unique_ptr<ImageFolderSource> src(new ImageFolderSource(folder, std::move(files), loop));
    src->loader_.request(0);
    auto first = src->loader_.wait();
    if (!first || !first->photo) {
        if (error && first && !first->tooLargeFile.empty())
            *error = "no photo that can be read; " + first->tooLargeFile + " is too large";
        return nullptr;
    }
    src->adoptLoaded(std::move(first));
    return src;
}

ImageFolderSource::ImageFolderSource(std::filesystem::path folder, std::vector<std::filesystem::path> files,
                                     RunLoop* loop)
    : folder_(std::move(folder)), files_(std::move(files)), loader_(files_, &ImageFolderSource::loadPhoto, loop) {}

void ImageFolderSource::adoptLoaded(std::optional<PhotoLoader::Result> loaded) {
    if (!loaded || !loaded->photo) return;
    world_ = std::move(loaded->photo);
    index_ = loaded->index;
    preview_.reset();
    screen_.reset();
    previewOrientation_.reset();
}

void ImageFolderSource::waitForPhoto() { adoptLoaded(loader_.wait()); }

ImageRef ImageFolderSource::previewFrame(DeviceOrientation orientation) {
    adoptLoaded(loader_.take());
    if (!world_) return nullptr;
    if (!preview_ || previewOrientation_ != orientation) {
        preview_ = SensorFrame::fromWorld(world_, kPreviewWidth, kPreviewHeight, orientation);
        previewOrientation_ = orientation;
    }
    return preview_;
}

ImageRef ImageFolderSource::screenFrame(DeviceOrientation orientation, int width, int height) {
    if (!world_) return nullptr;
    if (!screen_ || screenOrientation_ != orientation || screen_->width() != width || screen_->height() != height) {
        screen_ = SensorFrame::screenFromWorld(world_, width, height, orientation);
        screenOrientation_ = orientation;
    }
    return screen_;
}

ImageRef ImageFolderSource::pictureFrame(DeviceOrientation orientation) {
    adoptLoaded(loader_.take());
    ImageRef picture = SensorFrame::fromWorld(world_, kPictureWidth, kPictureHeight, orientation);
    loader_.request((index_ + 1) % files_.size());
    return picture;
}

std::string ImageFolderSource::description() const { return "images:" + folder_.string(); }

}  // namespace platform
