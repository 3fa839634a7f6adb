#pragma once
// Creates objects by class name: interface files name their classes, and the camera binds its
// controller by name. Views are recorded as views, so the loader can put them in a tree without
// guessing.
#include "platform/ui/Object.h"
#include "platform/ui/View.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <type_traits>
#include <vector>

namespace platform {

class ClassRegistry {
public:
    using Factory = std::function<std::unique_ptr<Object>()>;

    // The process's registry, with the platform's view classes already in it: View, Window,
    // ImageView, Button, Label, PageControl, TextView, WebView, NavigationBar.
    static ClassRegistry& shared();

    ClassRegistry() = default;

    // Registers (or replaces) `name`. `isView`: the factory makes View objects.
    void registerClass(const std::string& name, Factory factory, bool isView);
    // Registers T, made with its default constructor.
    template <typename T>
    void registerClass(const std::string& name) {
        static_assert(std::is_base_of_v<Object, T>);
        registerClass(name, [] { return std::unique_ptr<Object>(std::make_unique<T>()); },
                      std::is_base_of_v<View, T>);
    }

    bool isRegistered(const std::string& name) const;
    bool isViewClass(const std::string& name) const;
    // A new object of class `name`; null when the name is unknown.
    std::unique_ptr<Object> create(const std::string& name) const;
    // A new view of class `name`; null when the name is unknown or not a view class.
    std::unique_ptr<View> createView(const std::string& name) const;
    std::vector<std::string> classNames() const;

private:
    struct Entry {
        Factory factory;
        bool isView = false;
    };
    mutable std::mutex mutex_;
    std::map<std::string, Entry> entries_;
};

}  // namespace platform
