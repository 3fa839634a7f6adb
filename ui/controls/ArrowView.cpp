#include "ui/controls/ArrowView.h"

#include "platform/graphics/GraphicsContext.h"

namespace kestrova {

using platform::Color;

ArrowView::ArrowView(const platform::Rect& frame) : Button(frame, platform::ButtonType::Custom) {}

void ArrowView::awakeFromNib() { shadColor_ = Color::white(0.0f, 0.8f); }

void ArrowView::setDirection(int32_t direction) {
    direction_ = direction;
    redraw();
}

void ArrowView::redraw() { setNeedsDisplay(); }

void ArrowView::drawRect(platform::GraphicsContext& ctx, const platform::Rect&) {
    const float w = bounds().width();
    const float h = bounds().height();
    ctx.setStrokeColor(Color::rgba(1.0f, 1.0f, 1.0f, 1.0f));
    ctx.setLineJoin(platform::LineJoin::Round);
    ctx.setLineCap(platform::LineCap::Round);

    ctx.saveGState();
    ctx.setShadow({0.0f, 0.0f}, 3.0f, shadColor_);
    ctx.setLineWidth(10.0f);
    if (direction_ == 0) {
        // Mirrored about x = 0.5 w: the chevrons point left.
        ctx.translateCTM(float(w * 4 * 0.25), 0.0f);
        ctx.scaleCTM(-1.0f, 1.0f);
    }
    // Quarter size about (0.5 w, 0.375 h).
    const float cx = float((w + w) * 0.25);
    const float cy = float(h * 3 * 0.125);
    ctx.translateCTM(cx, cy);
    ctx.scaleCTM(0.25f, 0.25f);
    ctx.translateCTM(-cx, -cy);

    ctx.beginPath();
    ctx.moveToPoint(0.0f, 0.0f);
    ctx.addLineToPoint(float(0.125 * w), float(0.25 * h));
    ctx.addLineToPoint(0.0f, float(0.5 * h));
    // The second chevron, a quarter width further on.
    ctx.translateCTM(float(0.25 * w), 0.0f);
    ctx.moveToPoint(0.0f, 0.0f);
    ctx.addLineToPoint(float(0.125 * w), float(0.25 * h));
    ctx.addLineToPoint(0.0f, float(0.5 * h));
    ctx.strokePath();
    ctx.restoreGState();
}

}  // namespace kestrova
