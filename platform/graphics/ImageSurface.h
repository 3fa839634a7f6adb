#pragma once
// A Cairo image surface showing an Image, for drawing it through Cairo. B,G,R,X and premultiplied
// B,G,R,A images are wrapped without copying (the image must outlive this object); grey images
// are expanded into a colour copy.
#include "platform/graphics/Image.h"

#include <vector>

typedef struct _cairo_surface cairo_surface_t;

namespace platform {

class ImageSurface {
public:
    explicit ImageSurface(const Image& image);
    ~ImageSurface();
    ImageSurface(const ImageSurface&) = delete;
    ImageSurface& operator=(const ImageSurface&) = delete;

    // Null when the image's layout cannot be shown.
    cairo_surface_t* surface() const { return surface_; }

private:
    cairo_surface_t* surface_ = nullptr;
    std::vector<uint8_t> copy_;
};

}  // namespace platform
