#pragma once
// The application the device runs: the host calls this once at launch (defined beside it, it makes
// the application's KestrovaAppDelegate; tests launch the device with a delegate of their own).
#include "platform/ui/ApplicationDelegate.h"

#include <memory>

namespace host {

std::unique_ptr<platform::ApplicationDelegate> makeAppDelegate();

}  // namespace host
