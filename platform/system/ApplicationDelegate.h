#pragma once
// The application delegate lives with the application object in the UI toolkit; this name stays
// for code that included it from here.
#include "platform/ui/ApplicationDelegate.h"
