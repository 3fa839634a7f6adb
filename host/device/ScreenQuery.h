#pragma once
// Finds things on the screen the way a person would, for scripts: a view by its name (or a
// bar-button item by its name: its button on the navigation bar), a button by its title, a
// button of the action sheet on screen. Points are in window coordinates. Only what can be seen
// counts: hidden or transparent views, or views with a hidden ancestor, are skipped.
#include "platform/foundation/Geometry.h"

#include <optional>
#include <string>

namespace platform {
class View;
class Window;
}  // namespace platform

namespace host {

class ScreenQuery {
public:
    explicit ScreenQuery(platform::Window* window) : window_(window) {}

    std::optional<platform::Point> centerOfNamed(const std::string& name) const;
    // The frontmost visible button showing `title`.
    std::optional<platform::Point> centerOfButtonTitled(const std::string& title) const;
    // Button `index` of the frontmost action sheet on screen; `error` says what is missing.
    std::optional<platform::Point> centerOfSheetButton(int index, std::string& error) const;

    static bool isVisible(const platform::View& view);
    // The centre of a view's bounds in window coordinates.
    static platform::Point centerInWindow(const platform::View& view);

private:
    platform::Window* window_;
};

}  // namespace host
