#pragma once
// One captured picture waiting to be written: the camera's picture and preview and the settings
// at the moment of the shutter.
#include "capture/CaptureSettings.h"
#include "capture/SaveRecord.h"
#include "platform/graphics/Image.h"

namespace kestrova {

class ProcessData final : public SaveRecord {
public:
    ProcessData(platform::ImageRef preview, platform::ImageRef picture, int imageNumber,
                const CaptureSettings& settings)
        : prev_(std::move(preview)), pict_(std::move(picture)), imgIndex_(imageNumber), settings_(settings) {}

    Kind kind() const override { return Kind::ProcessData; }
    const platform::ImageRef& getPreview() const { return prev_; }
    const platform::ImageRef& getPicture() const { return pict_; }
    int getImageNumber() const { return imgIndex_; }
    // A provisional number becomes the real one (under the save queue's lock).
    void setImageNumber(int imageNumber) { imgIndex_ = imageNumber; }
    ColorMode getColor() const { return settings_.colorMode; }
    ImageSize getSize() const { return settings_.imageSize; }
    platform::DeviceOrientation getOrientation() const { return settings_.orientation; }
    // True when the picture keeps the device orientation, false when it is treated as portrait.
    bool getAutoRotation() const { return settings_.rotateMode == RotateMode::Auto; }
    float getZoom() const { return settings_.zoom; }
    // Once both files are encoded: the frames go before the (slow) writes, not after them.
    void releaseImages() {
        prev_.reset();
        pict_.reset();
    }

private:
    platform::ImageRef prev_;
    platform::ImageRef pict_;
    int imgIndex_;
    CaptureSettings settings_;
};

}  // namespace kestrova
