#pragma once
// Enters the camera-screen control classes into a class registry under their own names, so
// interface files can create them: SnapButtonView, HideTriangleView, ArrowView,
// GlowingCircleView. Call it before loading an interface file that names them; calling it again
// is harmless. An explicit call, rather than static registrars, because the linker drops unused
// objects of a static library and their registrars with them.
#include "platform/ui/ClassRegistry.h"

namespace kestrova {

void registerControlClasses(platform::ClassRegistry& registry = platform::ClassRegistry::shared());

}  // namespace kestrova
