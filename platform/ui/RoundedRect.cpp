#include "platform/ui/RoundedRect.h"

#include "platform/graphics/GraphicsContext.h"

#include <algorithm>

namespace platform {

void addRoundedRect(GraphicsContext& c, const Rect& r, float radius) {
    float rad = std::clamp(radius, 0.0f, std::min(r.width(), r.height()) / 2);
    c.beginPath();
    c.moveToPoint(r.minX(), r.midY());
    c.addArcToPoint(r.minX(), r.minY(), r.midX(), r.minY(), rad);
    c.addArcToPoint(r.maxX(), r.minY(), r.maxX(), r.midY(), rad);
    c.addArcToPoint(r.maxX(), r.maxY(), r.midX(), r.maxY(), rad);
    c.addArcToPoint(r.minX(), r.maxY(), r.minX(), r.midY(), rad);
    c.closePath();
}

}  // namespace platform
