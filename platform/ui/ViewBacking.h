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

private:
    cairo_surface_t* surface_;
    float scale_;
    int pixelWidth_, pixelHeight_;
};

}  // namespace platform
