// The option catalogue's helpers.
#include "app/KestrovaAppDelegate.h"

#include "platform/ui/ImageCache.h"
#include "platform/ui/ImageView.h"

namespace kestrova {

std::unique_ptr<platform::ImageView> KestrovaAppDelegate::createImage(const std::string& name) {
    auto view = std::make_unique<platform::ImageView>(platform::ImageCache::imageNamed(name));
    return view;
}

}  // namespace kestrova
