#pragma once
// Internal: a view's drawn content, kept by the compositor until the view needs display.
typedef struct _cairo_surface cairo_surface_t;

namespace platform {

class ViewBacking {
public:
    ViewBacking(cairo_surface_t* surface, float scale, int pixelWidth, int pixelHeight);
    ~ViewBacking();
    ViewBacking(const ViewBacking&) = delete;
    ViewBacking& operator=(const ViewBacking&) = delete;

    cairo_surface_t* surface() const { return surface_; }
    float scale() const { return scale_; }
    int pixelWidth() const { return pixelWidth_; }
    int pixelHeight() const { return pixelHeight_; }

    // True when every pixel is fully transparent, so that painting it would change nothing (a
    // button that only draws while touched). Known from the last contentChanged(); false before.
    bool isClear() const { return clear_; }
    // To be called after drawing into the surface.
    void contentChanged();

private:
    cairo_surface_t* surface_;
    float scale_;
    int pixelWidth_, pixelHeight_;
    bool clear_ = false;
};

}  // namespace platform
