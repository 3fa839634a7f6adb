#include "host/device/ScreenQuery.h"

#include "platform/ui/ActionSheet.h"
#include "platform/ui/ActionSheetView.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/Window.h"

#include <functional>

namespace host {

using platform::Point;
using platform::View;

namespace {

// Every view of the tree, back to front (a later view is drawn over an earlier one).
void forEachView(View& root, const std::function<void(View&)>& fn) {
    fn(root);
    for (const auto& sub : root.subviews()) forEachView(*sub, fn);
}

// The frontmost visible view of type T that `accept` takes.
template <typename T>
T* frontmost(platform::Window* window, const std::function<bool(T&)>& accept) {
    T* found = nullptr;
    if (!window) return nullptr;
    forEachView(*window, [&](View& v) {
        auto* t = dynamic_cast<T*>(&v);
        if (t && ScreenQuery::isVisible(v) && accept(*t)) found = t;
    });
    return found;
}

}  // namespace

bool ScreenQuery::isVisible(const View& view) {
    for (const View* v = &view; v; v = v->superview())
        if (v->hidden() || v->presentation().alpha < 0.01f) return false;
    return true;
}

Point ScreenQuery::centerInWindow(const View& view) {
    return view.convertPointToView(view.bounds().center(), nullptr);
}

std::optional<Point> ScreenQuery::centerOfNamed(const std::string& name) const {
    if (!window_) return std::nullopt;
    if (View* v = window_->viewWithName(name); v && isVisible(*v)) return centerInWindow(*v);
    // A bar-button item is no view: its button on the navigation bar stands for it.
    platform::Button* button = nullptr;
    frontmost<platform::NavigationBar>(window_, [&](platform::NavigationBar& bar) {
        auto item = bar.barButtonItemNamed(name);
        auto* b = item ? bar.buttonForItem(item.get()) : nullptr;
        if (b && isVisible(*b)) button = b;
        return b != nullptr;
    });
    if (button) return centerInWindow(*button);
    return std::nullopt;
}

std::optional<Point> ScreenQuery::centerOfButtonTitled(const std::string& title) const {
    auto* b = frontmost<platform::Button>(window_, [&](platform::Button& b) { return b.currentTitle() == title; });
    if (!b) return std::nullopt;
    return centerInWindow(*b);
}

std::optional<Point> ScreenQuery::centerOfSheetButton(int index, std::string& error) const {
    auto* sheetView = frontmost<platform::ActionSheetView>(window_, [](platform::ActionSheetView& v) { return v.sheet() != nullptr; });
    if (!sheetView) {
        error = "no action sheet on screen";
        return std::nullopt;
    }
    auto* b = sheetView->buttonAtIndex(index);
    if (!b) {
        error = "the action sheet has " + std::to_string(sheetView->sheet()->numberOfButtons()) + " buttons";
        return std::nullopt;
    }
    return centerInWindow(*b);
}

}  // namespace host
