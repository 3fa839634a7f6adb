#pragma once
// The drawn double chevron beside the options bar that pages: direction 1 points right (next
// page), 0 points left (previous page). The drawing scales with the bounds.
#include "platform/graphics/Color.h"
#include "platform/ui/Button.h"

#include <cstdint>

namespace kestrova {

class ArrowView : public platform::Button {
public:
    explicit ArrowView(const platform::Rect& frame = {});

    void setDirection(int32_t direction);
    int32_t direction() const { return direction_; }
    void redraw();

    void awakeFromNib() override;
    void drawRect(platform::GraphicsContext& context, const platform::Rect& rect) override;

private:
    platform::Color shadColor_ = platform::Color::white(0.0f, 0.8f);
    int32_t direction_ = 0;
};

}  // namespace kestrova
