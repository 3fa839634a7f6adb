#include "ui/controls/OptionsPageView.h"

#include "ui/controls/ScrollerButton.h"

namespace kestrova {

OptionsPageView::OptionsPageView(const platform::Rect& frame, std::vector<std::unique_ptr<ScrollerButton>> buttons)
    : platform::View(frame) {
    setUserInteractionEnabled(true);
    const size_t n = buttons.size();
    for (size_t i = 0; i < n; ++i) {
        if (!buttons[i]) continue;
        buttons[i]->setCenter(buttonCenter(frame, i, n));
        addSubview(std::move(buttons[i]));
    }
}

platform::Point OptionsPageView::buttonCenter(const platform::Rect& frame, size_t index, size_t count) {
    if (count == 0) return {};
    const float spacing = (frame.width() - 2 * kSideMargin) / float(count);
    // The vertical middle of the frame, as the platform's CGRectGetMidY gives it.
    return {spacing * float(index) + kSideMargin + spacing * 0.5f, frame.y() + frame.height() * 0.5f};
}

std::vector<ScrollerButton*> OptionsPageView::buttons() const {
    std::vector<ScrollerButton*> out;
    for (const auto& v : subviews()) out.push_back(static_cast<ScrollerButton*>(v.get()));
    return out;
}

}  // namespace kestrova
