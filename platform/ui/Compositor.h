#pragma once
// Draws a window's view tree into one opaque surface at the host's scale: presentation values,
// transforms, alpha, clipping, backgrounds, each view's cached drawRect output, and running
// layer transitions (the old look giving way to the new). A view's content is drawn again only
// after setNeedsDisplay.
#include "platform/graphics/Image.h"

#include <cstdint>
#include <filesystem>
#include <memory>

typedef struct _cairo cairo_t;

namespace platform {

class SurfaceContext;
class View;
class ViewBacking;
class Window;

class Compositor {
public:
    // `scale`: device pixels a point (fractions too: a window of any size).
    explicit Compositor(float scale = 1);
    ~Compositor();
    Compositor(const Compositor&) = delete;
    Compositor& operator=(const Compositor&) = delete;

    float scale() const { return scale_; }
    void setScale(float scale);

    // Draws the window (black where nothing is), gives it this scale and clears its
    // needs-composite flag. False when the window has no area or the surface cannot be made.
    bool composite(Window& window);
    // The same, straight into the caller's B,G,R,X rows (a window system's buffer), which must
    // be exactly the window's size at this scale, rows a multiple of 4 bytes apart. image() and
    // pixels() keep showing the last composite into the compositor's own surface.
    bool composite(Window& window, uint8_t* pixels, int pixelWidth, int pixelHeight, int bytesPerRow);

    // What the last composite drew, in device pixels; empty when nothing had changed. The same
    // target composed again is drawn only where the window was damaged since; another target, or
    // a window damaged everywhere, is drawn whole.
    struct PixelRect {
        int x = 0, y = 0, width = 0, height = 0;
        bool empty() const { return width <= 0 || height <= 0; }
    };
    PixelRect lastDamage() const { return lastDamage_; }

    // The last composite: B,G,R,X pixels, row 0 at the top. Null before the first composite.
    ImageRef image() const;
    bool writePNG(const std::filesystem::path& path) const;
    const uint8_t* pixels() const;
    int bytesPerRow() const;
    int pixelWidth() const;
    int pixelHeight() const;

    // How `view` looks now — its background, content and subviews, without its own transform or
    // alpha — in its bounds at `scale`. Null when it has no area.
    static std::shared_ptr<ViewBacking> snapshot(View& view, float scale);

private:
    // Which pixels the last composite went into: the same ones still hold it.
    struct TargetId {
        const void* pixels = nullptr;
        int width = 0, height = 0, bytesPerRow = 0;
        float scale = 0;
        bool operator==(const TargetId&) const = default;
    };
    // A target's drawing context, and a second one over the same pixels for live views, which
    // draw themselves straight onto it; kept while the target stays the same.
    struct Target {
        TargetId id;
        std::unique_ptr<SurfaceContext> context, live;
    };
    void drawWindow(Target& target, Window& window);

    float scale_;
    TargetId lastTarget_;
    PixelRect lastDamage_;
    Target own_;       // the compositor's own surface
    Target external_;  // the caller's rows of the last composite into them
};

}  // namespace platform
