#include "app/InterfaceClasses.h"

#include "platform/ui/ClassRegistry.h"
#include "ui/controls/ControlClasses.h"
#include "ui/controls/OptionsBarClasses.h"
#include "ui/controls/TransitionView.h"

namespace kestrova {

void registerInterfaceClasses() {
    auto& registry = platform::ClassRegistry::shared();
    registry.registerClass<TransitionView>("TransitionView");
    registerControlClasses(registry);
    registerOptionsBarClasses(registry);
}

}  // namespace kestrova
