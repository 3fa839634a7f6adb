#include "host/device/AppDelegateFactory.h"

#include "app/KestrovaAppDelegate.h"

namespace host {

// The main interface file is loaded when the application finishes launching, with the delegate
// as its owner, so the file's views and outlets are in place before the start-up runs.
std::unique_ptr<platform::ApplicationDelegate> makeAppDelegate() {
    return std::make_unique<kestrova::KestrovaAppDelegate>();
}

}  // namespace host
