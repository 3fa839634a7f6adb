#pragma once
// The application the device runs. The host calls this once at launch; whoever provides the
// application defines it (today the demo in DemoAppDelegate.cpp).
#include "platform/ui/ApplicationDelegate.h"

#include <memory>

namespace host {

std::unique_ptr<platform::ApplicationDelegate> makeAppDelegate();

}  // namespace host
