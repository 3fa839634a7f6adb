#pragma once
// An 8-bit alpha mask that a shape's shadow is drawn into and then blurred.
#include <cstdint>

typedef struct _cairo_surface cairo_surface_t;

namespace platform {

class ShadowMask {
public:
    ShadowMask(int width, int height);
    ~ShadowMask();
    ShadowMask(const ShadowMask&) = delete;
    ShadowMask& operator=(const ShadowMask&) = delete;

    bool valid() const { return surface_ != nullptr; }
    cairo_surface_t* surface() const { return surface_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // Three box-blur passes of 2 * radius + 1 pixels in each direction: close to a Gaussian.
    // Pixels beyond the edges count as transparent.
    void blur(int radius);

    // The box radius whose three passes approximate a blur of `blurPixels` (the shadow's blur,
    // taken as twice the Gaussian's standard deviation).
    static int boxRadiusForBlur(double blurPixels);
    // Three box passes over one line of `n` values `step` apart, in place.
    static void blurLine(uint8_t* p, int n, int step, int radius, uint16_t* scratch);

private:
    cairo_surface_t* surface_ = nullptr;
    int width_ = 0, height_ = 0;
};

}  // namespace platform
