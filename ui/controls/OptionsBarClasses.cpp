#include "ui/controls/OptionsBarClasses.h"

#include "ui/controls/MenuScrollView.h"

namespace kestrova {

void registerOptionsBarClasses(platform::ClassRegistry& registry) {
    registry.registerClass<MenuScrollView>("MenuScrollView");
}

}  // namespace kestrova
