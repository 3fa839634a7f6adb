#pragma once
// Adds a rounded rectangle to the context's current path (a new path is begun).
#include "platform/foundation/Geometry.h"

namespace platform {

class GraphicsContext;

void addRoundedRect(GraphicsContext& context, const Rect& r, float radius);

}  // namespace platform
