#pragma once
// One captured picture waiting to be written: the camera's picture and preview and the settings
// at the moment of the shutter.
#include "capture/SaveRecord.h"
#include "platform/graphics/Image.h"

namespace kestrova {

class ProcessData final : public SaveRecord {
public:
    // `size` is the size factor (1 large, 2 medium, 3 small); `autoRotation` 1 when the picture
    // keeps the device orientation, 0 when it is treated as portrait.
    ProcessData(platform::ImageRef preview, platform::ImageRef picture, int imageNumber, int color, int size,
                int orientation, int autoRotation, float zoom)
        : prev_(std::move(preview)), pict_(std::move(picture)), imgIndex_(imageNumber), color_(color),
          size_(size), orientation_(orientation), autoRotation_(autoRotation), zoom_(zoom) {}

    Kind kind() const override { return Kind::ProcessData; }
    const platform::ImageRef& getPreview() const { return prev_; }
    const platform::ImageRef& getPicture() const { return pict_; }
    int getImageNumber() const { return imgIndex_; }
    // A provisional number becomes the real one (under the save queue's lock).
    void setImageNumber(int imageNumber) { imgIndex_ = imageNumber; }
    int getColor() const { return color_; }
    int getSize() const { return size_; }
    int getOrientation() const { return orientation_; }
    int getAutoRotation() const { return autoRotation_; }
    float getZoom() const { return zoom_; }
    // Once both files are encoded: the frames go before the (slow) writes, not after them.
    void releaseImages() {
        prev_.reset();
        pict_.reset();
    }

private:
    platform::ImageRef prev_;
    platform::ImageRef pict_;
    int imgIndex_;
    int color_;
    int size_;
    int orientation_;
    int autoRotation_;
    float zoom_;
};

}  // namespace kestrova
