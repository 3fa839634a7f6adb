#pragma once
// The drawn triangle button that slides the options bar: it points up (direction 1) while the
// bar is down and down (direction 0) while the bar is up. The drawing scales with the bounds.
#include "platform/graphics/Color.h"
#include "platform/ui/Button.h"

#include <cstdint>

namespace kestrova {

class HideTriangleView : public platform::Button {
public:
    // The smallest area a finger can hit reliably; the drawn triangle is far smaller.
    static constexpr float kMinimumHitSize = 44.0f;

    explicit HideTriangleView(const platform::Rect& frame = {});

    void setDirection(int32_t direction);
    // Flips 0 and 1; any other direction stays as it is. Redraws either way.
    void changeDirection();
    int32_t direction() const { return direction_; }
    void redraw();

    void awakeFromNib() override;
    void drawRect(platform::GraphicsContext& context, const platform::Rect& rect) override;
    // The bounds, grown about their centre to at least kMinimumHitSize each way.
    bool pointInside(platform::Point p, const platform::Event* event) const override;

private:
    platform::Color strokeColor_ = platform::Color::white(1.0f, 1.0f);
    platform::Color shadColor_ = platform::Color::white(0.0f, 0.8f);
    int32_t direction_ = 1;
};

}  // namespace kestrova
