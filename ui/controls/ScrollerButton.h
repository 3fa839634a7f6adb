#pragma once
// One option button of the options bar: a stack of state images of which one shows, stepped by a
// quick tap. Holding it shows the option's tips band (title and every state, the current one
// highlighted) through its target; the band goes again a little after the last lift.
//
// The action is sent with the button itself, once while the button is made (that is how a saved
// setting takes effect) and at every state change.
#include "platform/foundation/TimerGroup.h"
#include "platform/ui/View.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {
class ImageView;
}

namespace kestrova {

class ScrollerButtonDelegate;

class ScrollerButton : public platform::View {
public:
    using Action = std::function<void(ScrollerButton* sender)>;

    static constexpr platform::Rect kFrame{0, 0, 70, 40};
    static constexpr float kImageInsetX = 10.5f;
    static constexpr float kImageInsetY = 6.0f;
    static constexpr double kStateFadeDuration = 0.3;
    static constexpr double kTapLimit = 0.3;
    static constexpr platform::Seconds kHoldDelay{0.45};
    static constexpr platform::Seconds kHideDelay{0.55};

    // Takes the state images (one per state) and the tips texts; `target` may be null (no tips
    // band) and is not owned; `selector` may be empty. A saved state outside 0 .. count - 1
    // (compared unsigned, so negative ones too) starts the button in state 0. Either way the
    // action runs once before the constructor returns.
    ScrollerButton(const platform::Rect& frame, std::vector<std::unique_ptr<platform::ImageView>> images,
                   std::vector<std::string> tooltips, std::string title, ScrollerButtonDelegate* target,
                   Action selector, int32_t savedState);
    // Drops its pending delayed performs.
    ~ScrollerButton() override;

    // Cross-fades to state `state`'s image and sends the action, even when the state is the
    // current one. A state without an image is ignored.
    void setState(int32_t state);
    int32_t getCurrentState() const { return currentIndex_; }
    // (current + 1) modulo the number of states.
    int32_t getNextState() const;
    void setNextState();
    // Builds the tips HTML, keeps it as label() and sends it to the target.
    void updateLabel();

    size_t stateCount() const { return imgArray_.size(); }
    const std::string& title() const { return title_; }
    const std::vector<std::string>& tooltips() const { return tooltips_; }
    // The tips HTML built last; empty before the first updateLabel.
    const std::string& label() const { return label_; }
    // The image view of state `index`; null out of range.
    platform::ImageView* imageAt(size_t index) const;
    ScrollerButtonDelegate* target() const { return target_; }
    // The moment until which a lift counts as a tap; set while a finger is down.
    std::optional<double> downTimeLimit() const { return downTimeLimit_; }

    // The tips HTML for `title` and `tooltips` with `current` highlighted.
    static std::string tipsHtml(const std::string& title, const std::vector<std::string>& tooltips, int32_t current);

    void touchesBegan(const platform::TouchSet& touches, const platform::Event& event) override;
    void touchesEnded(const platform::TouchSet& touches, const platform::Event& event) override;
    // A cancelled touch steps nothing: pending tips are dropped and the band hides as after a lift.
    void touchesCancelled(const platform::TouchSet& touches, const platform::Event& event) override;

private:
    void scheduleHide();

    int32_t currentIndex_ = 0;
    std::vector<platform::ImageView*> imgArray_;  // owned by the subviews
    std::vector<std::string> tooltips_;
    std::string title_;
    ScrollerButtonDelegate* target_ = nullptr;  // may be null
    Action selector_;
    std::string label_;
    std::optional<double> downTimeLimit_;
    platform::TimerGroup labelUpdates_;  // the tips a held finger asks for
};

}  // namespace kestrova
