#include "platform/camera/ImageFolderSource.h"

#include "platform/camera/JpegDecoder.h"
#include "platform/camera/SensorFrame.h"

#include <cairo.h>
#include <libyuv/planar_functions.h>
#include <libyuv/rotate_argb.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>

namespace platform {
namespace {

// Read whole into memory: a larger file would cost more than any photo needs.
constexpr uintmax_t kMaxFileBytes = uintmax_t(64) << 20;

std::string lowerExtension(const std::filesystem::path& p) {
    std::string e = p.extension().string();
    for (char& c : e) c = char(std::tolower(static_cast<unsigned char>(c)));
    return e;
}

bool isJpeg(const std::filesystem::path& p) {
    const auto e = lowerExtension(p);
    return e == ".jpg" || e == ".jpeg";
}

bool isPhotoFile(const std::filesystem::path& p) { return isJpeg(p) || lowerExtension(p) == ".png"; }

// PNG through Cairo, the graphics layer's own reader. Transparent parts come out over black.
ImageRef loadPng(const std::filesystem::path& file) {
    cairo_surface_t* s = cairo_image_surface_create_from_png(file.c_str());
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
    if (!isJpeg(file)) return lowerExtension(file) == ".png" ? loadPng(file) : nullptr;
    std::error_code ec;
    const auto size = std::filesystem::file_size(file, ec);
    if (ec || size > kMaxFileBytes) return nullptr;
    std::ifstream in(file, std::ios::binary);
    if (!in) return nullptr;
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    JpegDecoder::Request request;
    request.enough = [](int w, int h) { return SensorFrame::covers(w, h, kPictureWidth, kPictureHeight); };
    request.maxPixels = kMaxDecodedPixels;
    JpegDecoder::Status status;
    ImageRef im = JpegDecoder::decode(bytes.data(), bytes.size(), request, &status);
    if (tooLarge) *tooLarge = status == JpegDecoder::Status::TooLarge;
    return applyExifOrientation(im, JpegDecoder::exifOrientation(bytes.data(), bytes.size()));
}

std::unique_ptr<ImageFolderSource> ImageFolderSource::open(const std::filesystem::path& folder, std::string* error) {
    if (error) *error = "no photo that can be read";
    std::error_code ec;
    std::vector<std::filesystem::path> files;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec) && isPhotoFile(it->path())) files.push_back(it->path());
    }
    if (files.empty()) return nullptr;
    std::sort(files.begin(), files.end());
    std::unique_ptr<ImageFolderSource> src(new ImageFolderSource(folder, std::move(files)));
    if (!src->loadCurrent(error)) return nullptr;
    return src;
}

ImageFolderSource::ImageFolderSource(std::filesystem::path folder, std::vector<std::filesystem::path> files)
    : folder_(std::move(folder)), files_(std::move(files)) {}

bool ImageFolderSource::loadCurrent(std::string* error) {
    preview_.reset();
    screen_.reset();
    previewOrientation_ = -1;
    std::string tooLargeFile;
    for (size_t tries = 0; tries < files_.size(); ++tries) {
        bool tooLarge = false;
        world_ = loadPhoto(files_[index_], &tooLarge);
        if (world_) return true;
        if (tooLarge && tooLargeFile.empty()) tooLargeFile = files_[index_].filename().string();
        index_ = (index_ + 1) % files_.size();
    }
    if (error && !tooLargeFile.empty()) *error = "no photo that can be read; " + tooLargeFile + " is too large";
    return false;
}

ImageRef ImageFolderSource::previewFrame(int orientation) {
    if (!world_) return nullptr;
    if (!preview_ || previewOrientation_ != orientation) {
        preview_ = SensorFrame::fromWorld(world_, kPreviewWidth, kPreviewHeight, orientation);
        previewOrientation_ = orientation;
    }
    return preview_;
}

ImageRef ImageFolderSource::screenFrame(int orientation, int width, int height) {
    if (!world_) return nullptr;
    if (!screen_ || screenOrientation_ != orientation || screen_->width() != width || screen_->height() != height) {
        screen_ = SensorFrame::screenFromWorld(world_, width, height, orientation);
        screenOrientation_ = orientation;
    }
    return screen_;
}

ImageRef ImageFolderSource::pictureFrame(int orientation) {
    ImageRef picture = SensorFrame::fromWorld(world_, kPictureWidth, kPictureHeight, orientation);
    index_ = (index_ + 1) % files_.size();
    // A file that vanished or broke since: keep showing the last photo that decoded.
    ImageRef last = world_;
    if (!loadCurrent()) world_ = last;
    return picture;
}

std::string ImageFolderSource::description() const { return "images:" + folder_.string(); }

}  // namespace platform
