#include "app/InterfaceClasses.h"

#include "platform/ui/Button.h"
#include "platform/ui/ClassRegistry.h"
#include "ui/controls/TransitionView.h"

namespace kestrova {

void registerInterfaceClasses() {
    auto& registry = platform::ClassRegistry::shared();
    registry.registerClass<TransitionView>("TransitionView");

    // Plain stand-ins for the camera page's controls whose classes are not in the tree yet: the
    // page loads and lays out, and each name is taken over as its class is registered above.
    // Remove a line here when its class lands.
    for (const char* name : {"SnapButtonView", "HideTriangleView", "ArrowView"})
        if (!registry.isRegistered(name)) registry.registerClass<platform::Button>(name);
    for (const char* name : {"MenuScrollView", "GlowingCircleView", "AboutView"})
        if (!registry.isRegistered(name)) registry.registerClass<platform::View>(name);
}

}  // namespace kestrova
