#include "platform/ui/ClassRegistry.h"

#include "platform/ui/ActionSheet.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/PageControl.h"
#include "platform/ui/TextView.h"
#include "platform/ui/WebView.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/PageControl.h"
#include "platform/ui/TextView.h"
#include "platform/ui/WebView.h"
#include "platform/ui/Window.h"

namespace platform {

ClassRegistry& ClassRegistry::shared() {
    static ClassRegistry* r = [] {
        auto* reg = new ClassRegistry;
        reg->registerClass<View>("View");
        reg->registerClass<Window>("Window");
        reg->registerClass<ImageView>("ImageView");
        reg->registerClass<Button>("Button");
        reg->registerClass<Label>("Label");
        reg->registerClass<TextView>("TextView");
        reg->registerClass<WebView>("WebView");
        reg->registerClass<PageControl>("PageControl");
        reg->registerClass<NavigationBar>("NavigationBar");
        reg->registerClass<NavigationItem>("NavigationItem");
        reg->registerClass<BarButtonItem>("BarButtonItem");
        reg->registerClass<ActionSheet>("ActionSheet");
        return reg;
    }();
    return *r;
}

void ClassRegistry::registerClass(const std::string& name, Factory factory, bool isView) {
    std::lock_guard lk(mutex_);
    entries_[name] = {std::move(factory), isView};
}

bool ClassRegistry::isRegistered(const std::string& name) const {
    std::lock_guard lk(mutex_);
    return entries_.count(name) != 0;
}

bool ClassRegistry::isViewClass(const std::string& name) const {
    std::lock_guard lk(mutex_);
    auto it = entries_.find(name);
    return it != entries_.end() && it->second.isView;
}

std::unique_ptr<Object> ClassRegistry::create(const std::string& name) const {
    Factory f;
    {
        std::lock_guard lk(mutex_);
        auto it = entries_.find(name);
        if (it == entries_.end()) return nullptr;
        f = it->second.factory;
    }
    return f ? f() : nullptr;
}

std::unique_ptr<View> ClassRegistry::createView(const std::string& name) const {
    if (!isViewClass(name)) return nullptr;
    std::unique_ptr<Object> o = create(name);
    return std::unique_ptr<View>(static_cast<View*>(o.release()));
}

std::vector<std::string> ClassRegistry::classNames() const {
    std::lock_guard lk(mutex_);
    std::vector<std::string> names;
    for (auto& [n, e] : entries_) names.push_back(n);
    return names;
}

}  // namespace platform
