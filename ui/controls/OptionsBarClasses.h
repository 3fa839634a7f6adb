#pragma once
// Enters the options bar's class into a class registry under its own name, so the main interface
// file can create it: MenuScrollView. Call it before loading that file; calling it again is
// harmless. An explicit call, as for the other control classes, because the linker drops unused
// objects of a static library together with any static registrar in them.
#include "platform/ui/ClassRegistry.h"

namespace kestrova {

void registerOptionsBarClasses(platform::ClassRegistry& registry = platform::ClassRegistry::shared());

}  // namespace kestrova
