#pragma once
// One page of the options bar: a row of option buttons spread evenly over the page's width less
// a 20-point margin at each end, centred vertically. Touches between the buttons go nowhere.
#include "platform/ui/View.h"

#include <memory>
#include <vector>

namespace kestrova {

class ScrollerButton;

class OptionsPageView : public platform::View {
public:
    static constexpr float kSideMargin = 20.0f;

    // Takes the buttons, in order from left to right; they keep their own size.
    OptionsPageView(const platform::Rect& frame, std::vector<std::unique_ptr<ScrollerButton>> buttons);

    // The centre of button `index` of `count` on a page with frame `frame`, in page coordinates.
    static platform::Point buttonCenter(const platform::Rect& frame, size_t index, size_t count);
    // The buttons, in order.
    std::vector<ScrollerButton*> buttons() const;

    void touchesBegan(const platform::TouchSet& touches, const platform::Event& event) override {}
    void touchesMoved(const platform::TouchSet& touches, const platform::Event& event) override {}
    void touchesEnded(const platform::TouchSet& touches, const platform::Event& event) override {}
    void touchesCancelled(const platform::TouchSet& touches, const platform::Event& event) override {}
};

}  // namespace kestrova
