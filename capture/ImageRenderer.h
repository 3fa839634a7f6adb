#pragma once
// The three renderings of a captured picture: the picture file (centre crop for the zoom, scaled
// to the picture size, coloured, JPEG with orientation and GPS), the 75 x 75 thumbnail file (turned
// by the orientation) and the 300 x 400 fan image shown on screen. Files are written atomically
// and never replace an existing file. Failures skip the file silently.
//
// One renderer serves one thread at a time (the save worker); transformImage is static and
// shares nothing, so the main thread may call it meanwhile.
#include "capture/ColorMode.h"
#include "location/GeoSnapshot.h"
#include "capture/ImageSize.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/Geometry.h"
#include "platform/graphics/Image.h"
#include "platform/imageio/ImageProperties.h"
#include "platform/system/DeviceOrientation.h"

#include <optional>
#include <string>
#include <vector>

namespace kestrova {

class ImageRenderer {
public:
    static constexpr int kThumbnailSize = 75;
    static constexpr int kFanWidth = 300;
    static constexpr int kFanHeight = 400;

    explicit ImageRenderer(platform::FileManager& files);  // borrowed

    // --- Geometry (crop rectangles in the source's pixels, origin top left) ---
    // The centre 1/zoom of the 1600 x 1200 frame.
    static platform::Rect pictureCropRect(float zoom);
    // Large: 1600 x 1200, medium: 1280 x 960, anything else: 960 x 720.
    static platform::Size pictureSize(ImageSize size);
    // The zoomed square inside the preview's 320 x 320 square (which starts at x 70, y 0).
    static platform::Rect thumbnailCropRect(float zoom);
    // The centre 1/zoom of the preview's 400 x 300.
    static platform::Rect fanCropRect(float zoom);
    // EXIF orientation of a picture taken at device orientation `o`.
    static int exifOrientation(platform::DeviceOrientation o);
    // The picture file's properties; GPS only when `gps` is given.
    static platform::ImageProperties pictureProperties(int width, int height, platform::DeviceOrientation o,
                                                       const std::optional<GeoSnapshot>& gps);

    // --- Rendering without writing (null when a context cannot be made) ---
    platform::ImageRef renderPicture(const platform::ImageRef& picture, ImageSize size, float zoomFactor,
                                     ColorMode colorMode) const;
    platform::ImageRef renderThumbnail(const platform::ImageRef& preview, float zoomFactor, ColorMode colorMode,
                                       platform::DeviceOrientation orientation) const;

    // The JPEG bytes of the picture file (with its properties) and of the thumbnail file.
    // Nothing when the rendering or the encoding fails.
    std::optional<std::vector<uint8_t>> encodePicture(const platform::ImageRef& picture, ImageSize size,
                                                      float zoomFactor, ColorMode colorMode,
                                                      platform::DeviceOrientation orientation,
                                                      const std::optional<GeoSnapshot>& gps) const;
    std::optional<std::vector<uint8_t>> encodeThumbnail(const platform::ImageRef& preview, float zoomFactor,
                                                        ColorMode colorMode,
                                                        platform::DeviceOrientation orientation) const;

    // --- Files (save worker) ---
    // True when the file was written.
    bool makeImage(const platform::ImageRef& picture, const std::string& filename, ImageSize size, float zoomFactor,
                   ColorMode colorMode, platform::DeviceOrientation orientation,
                   const std::optional<GeoSnapshot>& gps) const;
    bool makeThumbnail(const platform::ImageRef& preview, const std::string& filename, float zoomFactor,
                       ColorMode colorMode, platform::DeviceOrientation orientation) const;
    // Writes encoded bytes as a new file (never over an existing one); false without bytes.
    bool write(const std::optional<std::vector<uint8_t>>& bytes, const std::string& filename) const;

    // The portrait fan image from the preview, turned by `angle` degrees (270 in practice). Null
    // when it cannot be made.
    static platform::ImageRef transformImage(const platform::ImageRef& preview, float angle, float zoomFactor,
                                             ColorMode colorMode);

private:
    platform::FileManager& files_;
};

}  // namespace kestrova
