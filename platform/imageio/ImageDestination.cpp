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
    if (image_ || rows_) return;
    image_ = image;
    if (properties) properties_ = *properties;
    else properties_.reset();
}

void ImageDestination::addImageRows(int width, int height, bool grey, JpegEncoder::RowSource rows,
                                    const ImageProperties* properties) {
    if (finalized_ || !rows || width <= 0 || height <= 0 || added_ >= count_) return;
    ++added_;
    if (image_ || rows_) return;
    rows_ = std::move(rows);
    rowsWidth_ = width;
    rowsHeight_ = height;
    rowsGrey_ = grey;
    if (properties) properties_ = *properties;
    else properties_.reset();
}

bool ImageDestination::finalize() {
    if (finalized_) return false;
    finalized_ = true;
    data_.clear();
    if (!image_ && !rows_) return false;
    const int width = image_ ? image_->width() : rowsWidth_, height = image_ ? image_->height() : rowsHeight_;
    const bool grey = image_ ? image_->bitsPerPixel() == 8 : rowsGrey_;
    std::vector<uint8_t> app1;
    if (properties_) {
        app1 = ExifWriter::app1(*properties_, width, height, grey);
        if (app1.empty()) return false;
    }
    if (image_) return JpegEncoder::encode(*image_, quality_, app1, data_);
    return JpegEncoder::encodeRows(width, height, grey, rows_, quality_, app1, data_);
}

}  // namespace platform
