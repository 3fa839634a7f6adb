#include "platform/imageio/ImageDestination.h"

#include "platform/imageio/ExifWriter.h"
#include "platform/imageio/JpegEncoder.h"

#include <algorithm>

namespace platform {

std::unique_ptr<ImageDestination> ImageDestination::createWithData(const std::string& type, size_t count) {
    if (type != "public.jpeg" || count == 0) return nullptr;
    auto d = std::unique_ptr<ImageDestination>(new ImageDestination());
    d->count_ = count;
    return d;
}

ImageDestination::~ImageDestination() = default;

void ImageDestination::setQuality(int quality) { quality_ = std::clamp(quality, 1, 100); }

void ImageDestination::addImage(const ImageRef& image, const ImageProperties* properties) {
    if (finalized_ || !image || added_ >= count_) return;
    ++added_;
    // A JPEG holds one picture: the first one added is the one encoded.
    if (image_) return;
    image_ = image;
    if (properties) properties_ = *properties;
    else properties_.reset();
}

bool ImageDestination::finalize() {
    if (finalized_) return false;
    finalized_ = true;
    data_.clear();
    if (!image_) return false;
    std::vector<uint8_t> app1;
    if (properties_) {
        app1 = ExifWriter::app1(*properties_, image_->width(), image_->height(), image_->bitsPerPixel() == 8);
        if (app1.empty()) return false;
    }
    return JpegEncoder::encode(*image_, quality_, app1, data_);
}

}  // namespace platform
