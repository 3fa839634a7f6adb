#pragma once
// A plain white disc inscribed in the bounds, touching the shorter sides. The capture control
// pulses its opacity while pictures are being saved.
#include "platform/ui/View.h"

namespace kestrova {

class GlowingCircleView : public platform::View {
public:
    explicit GlowingCircleView(const platform::Rect& frame = {});

    void awakeFromNib() override;
    void drawRect(platform::GraphicsContext& context, const platform::Rect& rect) override;
};

}  // namespace kestrova
