#include "ui/controls/ControlClasses.h"

#include "ui/controls/ArrowView.h"
#include "ui/controls/GlowingCircleView.h"
#include "ui/controls/HideTriangleView.h"
#include "ui/controls/SnapButtonView.h"

namespace kestrova {

void registerControlClasses(platform::ClassRegistry& registry) {
    registry.registerClass<SnapButtonView>("SnapButtonView");
    registry.registerClass<HideTriangleView>("HideTriangleView");
    registry.registerClass<ArrowView>("ArrowView");
    registry.registerClass<GlowingCircleView>("GlowingCircleView");
}

}  // namespace kestrova
