#include "app/InterfaceClasses.h"

#include "platform/ui/ClassRegistry.h"
#include "ui/controls/ControlClasses.h"
#include "ui/controls/OptionsBarClasses.h"
#include "ui/controls/TransitionView.h"
#include "ui/info/AboutView.h"

namespace kestrova {

void registerInterfaceClasses() {
    auto& registry = platform::ClassRegistry::shared();
    registry.registerClass<TransitionView>("TransitionView");
    registry.registerClass<AboutView>("AboutView");
    registerControlClasses(registry);
    registerOptionsBarClasses(registry);
}

}  // namespace kestrova
