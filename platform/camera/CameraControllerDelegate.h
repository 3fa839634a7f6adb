#pragma once
// What the camera controller tells its delegate, on the main thread.
#include "platform/graphics/Image.h"
#include "platform/imageio/ImageProperties.h"

#include <cstdint>
#include <vector>

namespace platform {

class CameraController;

class CameraControllerDelegate {
public:
    virtual ~CameraControllerDelegate() = default;
    // The controller became ready or stopped being ready; ask it isReady().
    virtual void cameraControllerReadyStateChanged(CameraController* controller) {}
    // A picture was taken: the full picture and a landscape preview, both B,G,R,X. This camera
    // sends no JPEG data and no properties (both null).
    virtual void cameraControllerTookPicture(CameraController* controller, ImageRef picture, ImageRef preview,
                                             const std::vector<uint8_t>* jpegData,
                                             const ImageProperties* properties) {}
};

}  // namespace platform
