#pragma once
// The drawing primitives of the Core Graphics role, over Cairo. Two kinds of context share them:
// BitmapContext (y-up, origin bottom left, for pictures) and the view context the compositor
// hands to drawRect (y-down, origin top left). Angles are radians and run from +x towards +y of
// the context's own space. `clockwise` means decreasing angles: clockwise on screen in a y-up
// bitmap context, and so counter-clockwise on screen in a y-down view context, as on the
// original platform (a full circle is a full circle either way).
//
// Global alpha multiplies every colour and image. Shadows are blurred for real: the shape is drawn
// into an alpha mask, box-blurred three times and painted in the shadow colour, then the shape
// itself is drawn on top.
#include "platform/foundation/Geometry.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/Image.h"

#include <memory>
#include <string>

typedef struct _cairo cairo_t;  // opaque here: no Cairo header reaches the application
typedef struct _cairo_surface cairo_surface_t;

namespace platform {

enum class LineJoin { Miter, Round, Bevel };
enum class LineCap { Butt, Round, Square };
enum class PathDrawingMode { Fill, Stroke, FillStroke, EOFill };

class GraphicsContext {
public:
    virtual ~GraphicsContext();
    GraphicsContext(const GraphicsContext&) = delete;
    GraphicsContext& operator=(const GraphicsContext&) = delete;

    // True for view contexts (y grows downward); false for bitmap contexts (y grows upward).
    bool isFlipped() const { return !yUp_; }

    // --- State ---
    void saveGState();
    void restoreGState();
    void translateCTM(float tx, float ty);
    void rotateCTM(float radians);
    void scaleCTM(float sx, float sy);
    void concatCTM(const AffineTransform& t);
    AffineTransform getCTM() const;  // user space -> this context's base space (y-up or y-down)
    void setAlpha(float alpha);
    void clipToRect(const Rect& r);

    // --- Colours and lines ---
    void setFillColor(const Color& c);
    void setStrokeColor(const Color& c);
    void setLineWidth(float w);
    void setLineJoin(LineJoin j);
    void setLineCap(LineCap c);
    // A blurred shadow under everything drawn until the state is restored or it is turned off.
    // `offset` is in base space (y-up in bitmaps, y-down in views, as on the original platform).
    void setShadow(Size offset, float blur, const Color& color);
    void clearShadow();

    // --- Paths ---
    void beginPath();
    void moveToPoint(float x, float y);
    void addLineToPoint(float x, float y);
    void addArc(float x, float y, float radius, float startAngle, float endAngle, bool clockwise);
    void addArcToPoint(float x1, float y1, float x2, float y2, float radius);
    void addRect(const Rect& r);
    void addEllipseInRect(const Rect& r);
    void closePath();
    void fillPath();
    void strokePath();
    void drawPath(PathDrawingMode mode);
    void fillRect(const Rect& r);
    void strokeRect(const Rect& r);
    void fillEllipseInRect(const Rect& r);
    // Sets the pixels of `r` to fully transparent (black with zero alpha in RGB contexts).
    void clearRect(const Rect& r);

    // --- Images and text ---
    // Draws `image` scaled into `r`, upright in the context's own space.
    void drawImage(const Rect& r, const ImageRef& image);
    // Draws UTF-8 text laid out in `r` (wrapping at its width); returns the height it used.
    float drawText(const std::string& text, const Rect& r, const Font& font, const Color& color,
                   TextAlignment align = TextAlignment::Left);
    static Size measureText(const std::string& text, const Font& font, float maxWidth = 0);

    // For platform code only (HTML rendering, the compositor). Cairo's matrix maps user space
    // to device pixels. Call prepareForCairo() before drawing through it directly (grey bitmap
    // contexts draw through a colour scratch surface that must be current).
    cairo_t* cairo() const { return cr_; }
    void prepareForCairo() { willDrawWithCairo(); }
    // Device pixels per point (the scale factor of a view context; 1 for bitmaps).
    float baseScale() const { return baseScale_; }
    float alpha() const;
    Color fillColor() const;
    Color strokeColor() const;
    bool hasShadow() const { return shadow_ != nullptr; }

protected:
    // Takes over one reference to `cr` and sets its matrix to the base space: y-up of `height`
    // points when `yUp`, y-down otherwise, `scale` device pixels a point.
    GraphicsContext(cairo_t* cr, bool yUp, float height);
    GraphicsContext(cairo_t* cr, bool yUp, float height, float scale);
    // Called before anything is drawn through Cairo.
    virtual void willDrawWithCairo() {}
    // A subclass may draw an image itself (bitmaps do axis-aligned cases with libyuv); false
    // falls back to Cairo.
    virtual bool drawImageDirect(const Rect& r, const Image& image) { return false; }
    // True when no clip other than the context's bounds is in force.
    bool unclipped() const;

    struct Shadow;
    cairo_t* cr_;
    bool yUp_;
    float baseHeight_;
    std::unique_ptr<Shadow> shadow_;

private:
    struct State;
    template <typename Draw> void withShadow(double x0, double y0, double x1, double y1, Draw&& draw);
    void fillOrStroke(PathDrawingMode mode);
    float baseScale_ = 1;
    std::unique_ptr<State> state_;
};

}  // namespace platform
