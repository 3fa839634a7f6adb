#pragma once
// A camera that shows photos from a folder (host option `images:DIR`): the JPEG and PNG files
// directly in it, in file-name order. The preview shows the current photo; each picture taken
// is of the current photo, after which the camera moves on to the next one, wrapping round at
// the end. Photos are turned upright by their EXIF orientation, then cropped to the sensor's
// shape and scaled like any world picture. Files that do not decode are skipped.
#include "platform/camera/CameraSource.h"

#include <filesystem>
#include <memory>
#include <vector>

namespace platform {

class ImageFolderSource final : public CameraSource {
public:
    // Null when the folder cannot be read or holds no photo that decodes, with the reason in
    // `error` (may be null).
    static std::unique_ptr<ImageFolderSource> open(const std::filesystem::path& folder, std::string* error = nullptr);

    ImageRef previewFrame(int orientation) override;
    ImageRef pictureFrame(int orientation) override;
    // Made from the photo itself, which has the detail of a picture frame or more.
    ImageRef screenFrame(int orientation, int width, int height) override;
    std::string description() const override;

    size_t photoCount() const { return files_.size(); }
    // The file shown now.
    const std::filesystem::path& currentFile() const { return files_[index_]; }

    // Decoded photos may not have more pixels than this (four picture frames).
    static constexpr uint64_t kMaxDecodedPixels = uint64_t(4) * kPictureWidth * kPictureHeight;

    // A photo file as an upright B,G,R,X picture. A JPEG is decoded at the smallest of libjpeg's
    // scales that still gives a full picture frame in every orientation, and refused (null, with
    // `tooLarge` set) when that is still over kMaxDecodedPixels. Null when it does not decode.
    static ImageRef loadPhoto(const std::filesystem::path& file, bool* tooLarge = nullptr);

private:
    ImageFolderSource(std::filesystem::path folder, std::vector<std::filesystem::path> files);
    // Decodes the current photo, moving on past files that fail. False when none decodes, with
    // the reason in `error` (may be null).
    bool loadCurrent(std::string* error = nullptr);

    std::filesystem::path folder_;
    std::vector<std::filesystem::path> files_;
    size_t index_ = 0;
    ImageRef world_;
    // A still photo gives the same preview until the orientation or the photo changes.
    ImageRef preview_;
    int previewOrientation_ = -1;
    // The same for the screen's frame, at the size last asked for.
    ImageRef screen_;
    int screenOrientation_ = -1;
};

}  // namespace platform
