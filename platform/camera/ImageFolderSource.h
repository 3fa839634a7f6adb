#pragma once
// A camera that shows photos from a folder (host option `images:DIR`): the JPEG and PNG files
// directly in it, in file-name order. The preview shows the current photo; each picture taken
// is of the current photo, after which the camera moves on to the next one, wrapping round at
// the end. Photos are turned upright by their EXIF orientation, then cropped to the sensor's
// shape and scaled like any world picture. Files that do not decode are skipped. Photos are
// decoded by a PhotoLoader off the main thread: until the next one is in, the camera goes on
// showing (and taking) the one before.
#include "platform/camera/CameraSource.h"
#include "platform/camera/PhotoLoader.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

namespace platform {

class RunLoop;

class ImageFolderSource final : public CameraSource {
public:
    // Null when the folder cannot be read or holds no photo that decodes, with the reason in
    // `error` (may be null). Waits for the first photo. `loop` (may be null) is the run loop a
    // headless script waits on while a photo is being decoded.
    static std::unique_ptr<ImageFolderSource> open(const std::filesystem::path& folder, std::string* error = nullptr,
                                                   RunLoop* loop = nullptr);

    ImageRef previewFrame(DeviceOrientation orientation) override;
    ImageRef pictureFrame(DeviceOrientation orientation) override;
    // Made from the photo itself, which has the detail of a picture frame or more.
    ImageRef screenFrame(DeviceOrientation orientation, int width, int height) override;
    std::string description() const override;

    size_t photoCount() const { return files_.size(); }
    // The file shown now.
    const std::filesystem::path& currentFile() const { return files_[index_]; }
    // Waits until the photo being decoded is shown (tests).
    void waitForPhoto();

    // Decoded photos may not have more pixels than this (four picture frames).
    static constexpr uint64_t kMaxDecodedPixels = uint64_t(4) * kPictureWidth * kPictureHeight;

    // A photo file as an upright B,G,R,X picture; the kind (JPEG or PNG) is read from its first
    // bytes. A JPEG is decoded at the smallest of libjpeg's scales that still gives a full picture
    // frame in every orientation; any photo whose size is then over kMaxDecodedPixels is refused
    // from its header, before decoding (null, with `tooLarge` set). Null when it does not decode.
    static ImageRef loadPhoto(const std::filesystem::path& file, bool* tooLarge = nullptr);

private:
    ImageFolderSource(std::filesystem::path folder, std::vector<std::filesystem::path> files, RunLoop* loop);
    // Shows the photo the loader found, if it has answered. A folder where nothing decodes any
    // more keeps showing the last photo.
    void adoptLoaded(std::optional<PhotoLoader::Result> loaded);

    std::filesystem::path folder_;
    std::vector<std::filesystem::path> files_;
    PhotoLoader loader_;
    size_t index_ = 0;
    ImageRef world_;
    // A still photo gives the same preview until the orientation or the photo changes.
    ImageRef preview_;
    std::optional<DeviceOrientation> previewOrientation_;
    // The same for the screen's frame, at the size last asked for.
    ImageRef screen_;
    std::optional<DeviceOrientation> screenOrientation_;
};

}  // namespace platform
