#include "ui/controls/GlowingCircleView.h"

#include "platform/graphics/GraphicsContext.h"

#include <algorithm>

namespace kestrova {

namespace {
constexpr float kFullCircle = 6.2831855f;
}

GlowingCircleView::GlowingCircleView(const platform::Rect& frame) : View(frame) {}

void GlowingCircleView::awakeFromNib() {
    setAlpha(1.0f);
    setNeedsDisplay();
}

void GlowingCircleView::drawRect(platform::GraphicsContext& ctx, const platform::Rect&) {
    const float w = bounds().width();
    const float h = bounds().height();
    const float radius = std::min(0.5f * w, 0.5f * h);
    const platform::Color white = platform::Color::white(1.0f);
    ctx.setFillColor(white);
    ctx.setStrokeColor(white);
    ctx.beginPath();
    ctx.addArc(0.5f * w, 0.5f * h, radius, 0.0f, kFullCircle, true);
    ctx.drawPath(platform::PathDrawingMode::FillStroke);
}

}  // namespace kestrova
