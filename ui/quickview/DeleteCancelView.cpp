#include "ui/quickview/DeleteCancelView.h"

#include "platform/graphics/GraphicsContext.h"

namespace kestrova {

DeleteCancelView::DeleteCancelView(const platform::Rect& frame) : View(frame) {
    setBackgroundColor(std::nullopt);
}

platform::View* DeleteCancelView::addButton(std::unique_ptr<platform::View> button) {
    platform::View* added = addSubview(std::move(button));
    if (added) placeButton(added);
    return added;
}

void DeleteCancelView::placeButton(platform::View* button) {
    if (!button) return;
    const float W = frame().width();
    const float w = button->frame().width();
    platform::Point c = button->center();
    const bool left = side_ == DockSide::Left;
    if (button->tag() == kDeleteTag) c.x = left ? W - 10 - w / 2 : 10 + w / 2;
    else if (button->tag() == kCancelTag) c.x = left ? 20 + w / 2 : W - 20 - w / 2;
    else return;
    button->setCenter(c);
}

void DeleteCancelView::setDockSide(DockSide side) {
    if (side == side_) return;
    side_ = side;
    placeButton(subviewAt(0));
    placeButton(subviewAt(1));
    setNeedsDisplay();
}

void DeleteCancelView::drawRect(platform::GraphicsContext& ctx, const platform::Rect&) { drawTab(ctx, kTabRadius); }

void DeleteCancelView::drawTab(platform::GraphicsContext& ctx, float r) {
    const platform::Rect B = bounds();
    const float W = B.width();
    const float H = B.height();
    ctx.saveGState();
    ctx.setFillColor(currentColor_);
    ctx.setStrokeColor(platform::Color::rgba(1, 1, 1, 1));
    if (side_ == DockSide::Left) {
        ctx.translateCTM(W, H / 2);
        ctx.scaleCTM(-0.95f, 0.855f);
    } else if (side_ == DockSide::Right) {
        ctx.translateCTM(0, H / 2);
        ctx.scaleCTM(0.95f, 0.855f);
    }
    ctx.translateCTM(0, -H / 2);
    ctx.setLineWidth(0.7f);
    ctx.beginPath();
    if (r == 0) {
        ctx.addRect(B);
    } else {
        ctx.scaleCTM(r, r);
        const float w = W / r;
        const float h = H / r;
        ctx.moveToPoint(0, h);
        ctx.addArcToPoint(w, h, w, 0, r);
        ctx.addArcToPoint(w, 0, 0, 0, r);
        ctx.addLineToPoint(0, 0);
    }
    ctx.drawPath(platform::PathDrawingMode::FillStroke);
    ctx.restoreGState();
}

}  // namespace kestrova
