#pragma once
// The drawing primitives of the Core Graphics role, over Cairo. Two kinds of context share them:
// BitmapContext (y-up, origin bottom left, for pictures) and the view context the compositor
// hands to drawRect (y-down, origin top left). Angles are radians; in either space `clockwise`
// means clockwise as the user sees the result.
#include "platform/foundation/Geometry.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/Image.h"

#include <memory>
#include <string>

typedef struct _cairo cairo_t;  // opaque here: no Cairo header reaches the application

namespace platform {

enum class LineJoin { Miter, Round, Bevel };
enum class LineCap { Butt, Round, Square };
enum class PathDrawingMode { Fill, Stroke, FillStroke, EOFill };

class GraphicsContext {
public:
    virtual ~GraphicsContext();
    GraphicsContext(const GraphicsContext&) = delete;
    GraphicsContext& operator=(const GraphicsContext&) = delete;

    // True for bitmap contexts: y grows upward.
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

    // For platform code only (HTML rendering, the compositor).
    cairo_t* cairo() const { return cr_; }

protected:
    GraphicsContext(cairo_t* cr, bool yUp, float height);
    struct Shadow;
    cairo_t* cr_;
    bool yUp_;
    float baseHeight_;
    std::unique_ptr<Shadow> shadow_;
};

}  // namespace platform
