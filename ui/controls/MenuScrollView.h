#pragma once
// The options bar at the bottom of the camera page: pages of option buttons swapped with a push
// transition by two arrows, a page indicator that follows when a swap has finished, a tips band
// above the buttons, and a slide down out of the way and back up that lengthens and shortens the
// shutter area with it.
//
// The bar counts as hidden (slid down) exactly when its transform is not the identity; it starts
// hidden. Made by the main interface file, which connects pageIndicator, buttonHolder, leftArrow,
// rightArrow and snapButton; awakeFromNib then builds the tips band.
#include "platform/ui/Transition.h"
#include "platform/ui/View.h"
#include "ui/controls/TransitionViewDelegate.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {
class PageControl;
class TextView;
}  // namespace platform

namespace kestrova {

class ArrowView;
class HideTriangleView;
class OptionsPageView;
class SnapButtonView;
class TransitionView;

class MenuScrollView : public platform::View, public TransitionViewDelegate {
public:
    static constexpr double kPageTransitionDuration = 0.2;
    static constexpr double kSlideDuration = 0.3;
    static constexpr double kArrowFadeDuration = 0.1;
    static constexpr float kTipsHeight = 90.0f;
    static constexpr float kBarWidth = 320.0f;
    static constexpr float kArrowStartAlpha = 0.7f;
    static constexpr float kBandAlpha = 0.13f;
    // The band grows from one point to 89 and rises 45 to cover y 1 .. 90.
    static constexpr float kBandScale = 89.0f;
    static constexpr float kBandRise = -45.0f;
    static constexpr double kBandGrowDuration = 0.13;
    static constexpr double kTextFadeInDuration = 0.07;
    static constexpr double kTextFadeOutDuration = 0.1;
    static constexpr double kBandShrinkDuration = 0.25;
    // The tips text's base size: a heading and two lines of states fit the 90-point band.
    static constexpr float kTipsFontSize = 12.0f;

    // Hides (true) or shows (false) the thumbnail stack; the quick view's manager.
    using PreviewHider = std::function<void(bool hidden)>;

    explicit MenuScrollView(const platform::Rect& frame = {});
    ~MenuScrollView() override;

    void awakeFromNib() override;
    // Only what the bar shows takes touches: its buttons, arrows, pages and shown tips band while
    // it is up; never its empty area, and nothing while it is slid down.
    platform::View* hitTest(platform::Point p, const platform::Event* event) override;

    // Appends a page; the first one appears at once (a zero-length fade) and the indicator shows
    // page 0 when that has ended.
    void addPage(std::unique_ptr<OptionsPageView> page);
    // The frame for new pages: the bounds of the button holder (empty without one).
    platform::Rect optionsRect() const;
    // Called when the bar slides: true when it has come up. Empty: no thumbnail stack.
    void setPreviewManager(PreviewHider previewManager);

    // Slides page n (wrapped into the page range, -1 being the last) in: from the left when n is
    // below the current page, from the right otherwise. Nothing happens for the current page,
    // without pages, or while a page transition runs. The indicator changes when the slide ends.
    void goToPage(int32_t n);
    void nextPage();
    void previousPage();
    // The arrows' action: previous page for the left arrow, next for the right one, else nothing.
    void changePageAction(platform::Object* sender);
    // The indicator's current page.
    int32_t currentPageNumber() const;
    // Fades both arrows out with fewer than two pages, in otherwise.
    void updateArrows();

    // Slides the bar by the triangle's direction (0: down, 1: up; anything else: no slide), with
    // the shutter area, then flips the triangle; all in one 0.3 s animation.
    void showHideAction(HideTriangleView* sender);
    // Slid down: the transform is not the identity. Changes as soon as a slide starts.
    bool hidden() const;

    // Sets the tips text; the band grows and the text fades in unless it is already up.
    void showOptionsLabel(const std::string& html);
    void hideOptionsLabel();
    bool getTipsShowState() const { return tipsShow_; }

    void transitionViewDidFinish(TransitionView* view) override;
    void transitionViewDidCancel(TransitionView* view) override;

    // Interface-file connections, also settable from code before awakeFromNib.
    bool setOutlet(std::string_view name, platform::Object* object) override;
    platform::Action actionNamed(std::string_view name) override;
    void setPageIndicator(platform::PageControl* indicator) { pageIndicator_ = indicator; }
    void setButtonHolder(TransitionView* holder) { buttonHolder_ = holder; }
    void setArrows(ArrowView* left, ArrowView* right) { leftArrow_ = left; rightArrow_ = right; }
    void setSnapButton(SnapButtonView* snapButton) { snapButton_ = snapButton; }

    // --- State, for the application delegate and tests ---
    size_t pageCount() const { return pages_.size(); }
    OptionsPageView* pageAt(size_t index) const { return index < pages_.size() ? pages_[index] : nullptr; }
    platform::TextView* labelText() const { return labelText_; }
    platform::View* labelBackground() const { return labelBackground_; }
    platform::PageControl* pageIndicator() const { return pageIndicator_; }
    TransitionView* buttonHolder() const { return buttonHolder_; }
    ArrowView* leftArrow() const { return leftArrow_; }
    ArrowView* rightArrow() const { return rightArrow_; }
    int32_t newPage() const { return newPage_; }
    bool updatePage() const { return updatePage_; }

    // The band's transform while it is up.
    static platform::AffineTransform bandTransform();

private:
    // Puts page `index` into the holder in place of `old` (null: none); false when refused.
    // The page handed back comes into the bar's keeping again.
    bool swapPage(OptionsPageView* old, size_t index, platform::TransitionType type,
                  platform::TransitionSubtype subtype, double duration);

    std::vector<OptionsPageView*> pages_;
    // The pages not in the holder, by index; null for the one the holder owns.
    std::vector<std::unique_ptr<platform::View>> kept_;
    platform::TextView* labelText_ = nullptr;      // owned by the subviews
    platform::View* labelBackground_ = nullptr;    // owned by the subviews
    platform::PageControl* pageIndicator_ = nullptr;
    TransitionView* buttonHolder_ = nullptr;
    ArrowView* leftArrow_ = nullptr;
    ArrowView* rightArrow_ = nullptr;
    SnapButtonView* snapButton_ = nullptr;
    PreviewHider previewManager_;
    int32_t newPage_ = -1;
    bool updatePage_ = false;
    bool tipsShow_ = false;
    // The first page's appearance is still running; a page asked for meanwhile waits for its end.
    bool firstAppearance_ = false;
    std::optional<int32_t> waitingPage_;
};

}  // namespace kestrova
