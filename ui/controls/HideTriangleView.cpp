#include "ui/controls/HideTriangleView.h"

#include "platform/graphics/GraphicsContext.h"

#include <algorithm>

namespace kestrova {

using platform::Color;

HideTriangleView::HideTriangleView(const platform::Rect& frame) : Button(frame, platform::ButtonType::Custom) {}

void HideTriangleView::awakeFromNib() {
    shadColor_ = Color::white(0.0f, 0.8f);
    strokeColor_ = Color::white(1.0f, 1.0f);
    direction_ = 1;
}

void HideTriangleView::setDirection(int32_t direction) {
    direction_ = direction;
    redraw();
}

void HideTriangleView::changeDirection() {
    if (direction_ == 0 || direction_ == 1) direction_ = 1 - direction_;
    redraw();
}

void HideTriangleView::redraw() { setNeedsDisplay(); }

bool HideTriangleView::pointInside(platform::Point p, const platform::Event*) const {
    const platform::Rect b = bounds();
    const float dx = std::max(0.0f, (kMinimumHitSize - b.width()) / 2);
    const float dy = std::max(0.0f, (kMinimumHitSize - b.height()) / 2);
    return b.insetBy(-dx, -dy).contains(p);
}

void HideTriangleView::drawRect(platform::GraphicsContext& ctx, const platform::Rect&) {
    const float w = bounds().width();
    const float h = bounds().height();
    ctx.setStrokeColor(strokeColor_);
    ctx.setLineWidth(10.0f);
    ctx.setLineJoin(platform::LineJoin::Round);
    ctx.setLineCap(platform::LineCap::Round);

    ctx.saveGState();
    ctx.setShadow({0.0f, 0.0f}, 3.0f, shadColor_);
    if (direction_ == 0) {
        // Mirrored about y = 0.625 h: the triangle points down.
        ctx.translateCTM(0.0f, float(1.25 * h));
        ctx.scaleCTM(1.0f, -1.0f);
    }
    // Shrinks the drawing about (0.5 w, 0.75 h); the first factor is 5/28.
    ctx.translateCTM(float(0.5 * w), float(0.75 * h));
    ctx.scaleCTM(0.17857143f, 0.25f);
    ctx.translateCTM(float(-0.5 * w), float(-0.75 * h));

    const float m = float((double(h) + double(h)) / 3.0);
    ctx.beginPath();
    ctx.moveToPoint(0.0f, m);
    ctx.addLineToPoint(float(0.5 * w), 0.0f);
    ctx.addLineToPoint(w, m);
    ctx.closePath();
    ctx.strokePath();
    ctx.restoreGState();
}

}  // namespace kestrova
