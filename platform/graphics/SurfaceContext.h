#pragma once
// A view drawing context: y-down, origin top left, in points, over a Cairo image surface of
// pixelWidth x pixelHeight device pixels at `scale` pixels a point. Pixels are premultiplied
// B,G,R,A (transparent at first), or B,G,R,X for an opaque context.
#include "platform/graphics/GraphicsContext.h"

#include <filesystem>
#include <memory>

namespace platform {

class SurfaceContext final : public GraphicsContext {
public:
    // Null when a size is not positive, the scale is not positive or the surface cannot be made.
    static std::unique_ptr<SurfaceContext> create(int pixelWidth, int pixelHeight, float scale = 1,
                                                  bool opaque = false);
    // Draws into an existing Cairo image surface (shared, not copied). Null when it is not an
    // image surface or the scale is not positive.
    static std::unique_ptr<SurfaceContext> createForSurface(cairo_surface_t* surface, float scale);
    ~SurfaceContext() override;

    int pixelWidth() const { return pixelWidth_; }
    int pixelHeight() const { return pixelHeight_; }
    float scale() const { return baseScale(); }
    Size size() const { return {pixelWidth_ / scale(), pixelHeight_ / scale()}; }
    bool opaque() const { return opaque_; }
    cairo_surface_t* surface() const { return surface_; }

    // A copy of the pixels as they are now (premultiplied B,G,R,A, or B,G,R,X when opaque).
    ImageRef makeImage() const;
    // Writes the pixels as a PNG file. False when it could not be written.
    bool writePNG(const std::filesystem::path& path) const;
    // Fills every pixel with `c` (not blended; ignores the state).
    void fillAll(const Color& c);

private:
    SurfaceContext(cairo_t* cr, cairo_surface_t* surface, int w, int h, float scale, bool opaque);
    cairo_surface_t* surface_;
    int pixelWidth_, pixelHeight_;
    bool opaque_;
};

}  // namespace platform
