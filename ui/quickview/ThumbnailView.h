#pragma once
// One picture of the quick view's stack: the picture on a rounded grey mat, and what a finger does
// to it. A quick tap on the newest thumbnail fans the stack out or in; a finger held 0.5 s blows
// it up to full size in the middle of the page; a sideways drag moves it along its row, and a
// release more than 160 points sideways from where the finger came down asks for the delete tab.
// While the stack is collapsed only the active (newest) thumbnail answers touches.
#include "platform/ui/AnimationDelegateHandle.h"
#include "platform/foundation/TimerHandle.h"
#include "platform/graphics/Image.h"
#include "platform/ui/View.h"

#include <cstdint>
#include <optional>

namespace platform {
class ImageView;
}

namespace kestrova {

class ThumbnailViewDelegate;
class ThumbnailViewManager;

class ThumbnailView : public platform::View {
public:
    static constexpr float kImageInset = 8.0f;
    static constexpr float kMatOutset = 4.0f;
    static constexpr float kMatCornerRadius = 5.0f;
    static constexpr float kShadowBlur = 4.0f;
    static constexpr double kTapWindow = 0.3;
    static constexpr platform::Seconds kBlowupDelay{0.5};
    static constexpr float kDragStartFraction = 0.25f;
    static constexpr float kVerticalSlack = 15.0f;
    static constexpr float kDeleteDistance = 160.0f;
    static constexpr double kSnapDuration = 0.1;
    static constexpr double kShrinkDuration = 0.3;

    // `frame` is the picture's size plus 16 points each way; `delegate` may be null.
    ThumbnailView(const platform::Rect& frame, platform::ImageRef image, ThumbnailViewDelegate* delegate,
                  int32_t index);
    // Cancels the pending blow-up and the shrink's pending end.

    // Borrowed; may be null (set by the stack that takes the thumbnail).
    void setManager(ThumbnailViewManager* manager) { manager_ = manager; }
    ThumbnailViewManager* manager() const { return manager_; }
    // Becoming inactive (or being told so again) cancels a pending blow-up and shrinks the
    // thumbnail back into its place.
    void setActive(bool active);
    bool active() const { return activeFlag_; }
    int32_t imageIndex() const { return imageIndex_; }
    // The picture got its real number after the thumbnail was made.
    void setImageIndex(int32_t index) { imageIndex_ = index; }
    platform::ImageView* imageView() const { return ui_; }

    // Draws the mat behind the picture: rounded, translucent grey, with a blurred shadow.
    void drawRect(platform::GraphicsContext& context, const platform::Rect& rect) override;

    void touchesBegan(const platform::TouchSet& touches, const platform::Event& event) override;
    void touchesMoved(const platform::TouchSet& touches, const platform::Event& event) override;
    void touchesEnded(const platform::TouchSet& touches, const platform::Event& event) override;
    // The platform withdrew the touch: the thumbnail shrinks back, with no blow-up pending, no
    // fan toggle and no delete tab.
    void touchesCancelled(const platform::TouchSet& touches, const platform::Event& event) override;

    // Asks the delegate for the delete tab when a drag ended more than 160 points sideways.
    void testForDelete(platform::Point location);
    // Full size in the middle of the page (0.1 s).
    void blowup();
    // Back to small size at its place in the stack (0.3 s); the end restores the stack's order.
    void shrink();

private:
    // Tests read the touch state through it (tests/ui/quickview).
    friend class ThumbnailViewTestApi;

    // A tap's blow-up is scheduled and has not run yet.
    bool blowupPending() const { return blowup_.isActive(); }
    // False when a touch must be ignored: an inactive thumbnail of a collapsed stack.
    bool answersTouches() const;
    platform::Point locationOf(const platform::TouchSet& touches) const;
    void cancelBlowup();

    platform::ImageView* ui_ = nullptr;  // owned as a subview
    platform::Point touchDownPoint_;
    bool dragging_ = false;
    bool stopDrag_ = false;
    float smallCenterY_ = 0;
    int32_t imageIndex_ = 0;
    ThumbnailViewDelegate* delegate_ = nullptr;  // may be null
    ThumbnailViewManager* manager_ = nullptr;    // may be null
    bool activeFlag_ = true;
    std::optional<double> downTimeLimit_;
    platform::TimerHandle blowup_;
    platform::AnimationDelegateHandle animations_;  // the shrink's callback goes with the view
};

}  // namespace kestrova
