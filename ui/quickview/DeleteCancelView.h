#pragma once
// The delete tab: a translucent tab with a "Delete" and a "Cancel" button that slides in from the
// screen edge opposite the thumbnail stack. "Delete" (tag 10) always sits at the tab's
// screen-edge end, "Cancel" (tag 11) at its inner end.
#include "platform/graphics/Color.h"
#include "platform/ui/View.h"
#include "ui/quickview/DockSide.h"

#include <cstdint>
#include <memory>

namespace platform {
class Button;
}

namespace kestrova {

class DeleteCancelView : public platform::View {
public:
    static constexpr int32_t kDeleteTag = 10;
    static constexpr int32_t kCancelTag = 11;
    static constexpr float kTabRadius = 2.4f;

    explicit DeleteCancelView(const platform::Rect& frame);

    // Adds the button as a subview, places it, and returns it.
    platform::View* addButton(std::unique_ptr<platform::View> button);
    // Moves the button horizontally by its tag and the dock side; other tags stay where they are.
    void placeButton(platform::View* button);
    // Re-places the first two subviews and redraws; nothing when unchanged.
    void setDockSide(DockSide side);
    DockSide dockSide() const { return side_; }
    platform::Color currentColor() const { return currentColor_; }

    void drawRect(platform::GraphicsContext& context, const platform::Rect& rect) override;
    // The tab's shape with rounded inner corners of `radius` (0: a plain rectangle), open along
    // the screen edge.
    void drawTab(platform::GraphicsContext& context, float radius);

private:
    platform::Color currentColor_ = platform::Color::white(0.5f, 0.3f);
    DockSide side_ = DockSide::Right;
};

}  // namespace kestrova
