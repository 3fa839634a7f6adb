#include "ui/controls/MenuScrollView.h"

#include "platform/ui/PageControl.h"
#include "platform/ui/TextView.h"
#include "platform/ui/ViewAnimation.h"
#include "ui/controls/ArrowView.h"
#include "ui/controls/HideTriangleView.h"
#include "ui/controls/OptionsPageView.h"
#include "ui/controls/SnapButtonView.h"
#include "ui/controls/TransitionView.h"
#include "ui/InterfaceSupport.h"

#include <typeinfo>

namespace kestrova {

using platform::AffineTransform;
using platform::ViewAnimation;

MenuScrollView::MenuScrollView(const platform::Rect& frame) : platform::View(frame) {}

MenuScrollView::~MenuScrollView() {
    // The holder is one of the bar's subviews and goes after this; it must not call back.
    if (buttonHolder_ && buttonHolder_->delegate() == this) buttonHolder_->setDelegate(nullptr);
}

AffineTransform MenuScrollView::bandTransform() {
    // Scaled first, then raised.
    return AffineTransform::makeScale(1.0f, kBandScale).concat(AffineTransform::makeTranslation(0.0f, kBandRise));
}

void MenuScrollView::awakeFromNib() {
    if (rightArrow_) rightArrow_->setDirection(1);
    if (leftArrow_) leftArrow_->setDirection(0);
    if (rightArrow_) rightArrow_->setAlpha(kArrowStartAlpha);
    if (leftArrow_) leftArrow_->setAlpha(kArrowStartAlpha);
    // The dots only show the page: a tap on them must not move the page the arrows start from.
    if (pageIndicator_) pageIndicator_->setUserInteractionEnabled(false);

    auto background = std::make_unique<platform::View>(platform::Rect{0, kTipsHeight, kBarWidth, 1});
    background->setBackgroundColor(platform::Color::white(0.0f, kBandAlpha));
    background->setUserInteractionEnabled(false);
    labelBackground_ = insertSubviewAtIndex(std::move(background), 0);

    auto text = std::make_unique<platform::TextView>(platform::Rect{0, 0, kBarWidth, kTipsHeight});
    text->setEditable(false);
    text->setBackgroundColor(std::nullopt);
    text->setHtml("");
    text->setTextColor(platform::Color::white(1.0f));
    text->setFont(platform::Font::system(kTipsFontSize));
    // A state's words stay on one line, in Japanese and Chinese too; the heading and two lines of
    // states need the band's whole height; the band only shows.
    text->setWordBreak(platform::WordBreak::KeepAll);
    text->setVerticalMargin(0);
    text->setUserInteractionEnabled(false);
    labelText_ = static_cast<platform::TextView*>(insertSubviewAtIndex(std::move(text), 1));

    pages_.clear();
    kept_.clear();
    hideOptionsLabel();
    setTransform(AffineTransform::makeTranslation(0.0f, frame().height() - kTipsHeight));
    if (buttonHolder_) buttonHolder_->setDelegate(this);
    newPage_ = -1;
    updatePage_ = false;
}

bool MenuScrollView::swapPage(OptionsPageView* old, size_t index, platform::TransitionType type,
                              platform::TransitionSubtype subtype, double duration) {
    std::unique_ptr<platform::View> removed;
    if (!buttonHolder_->replaceSubview(old, kept_[index], type, subtype, duration, &removed)) return false;
    for (size_t i = 0; removed && i < pages_.size(); ++i)
        if (pages_[i] == removed.get()) kept_[i] = std::move(removed);
    return true;
}

void MenuScrollView::addPage(std::unique_ptr<OptionsPageView> page) {
    if (!page) return;
    pages_.push_back(page.get());
    kept_.push_back(std::move(page));
    if (pageIndicator_) pageIndicator_->setNumberOfPages(int(pages_.size()));
    if (pages_.size() != 1) return;
    if (buttonHolder_ && swapPage(nullptr, 0, platform::TransitionType::Fade, platform::TransitionSubtype::None, 0.0))
        firstAppearance_ = true;
    newPage_ = 0;
    updatePage_ = true;
}

platform::Rect MenuScrollView::optionsRect() const { return buttonHolder_ ? buttonHolder_->bounds() : platform::Rect{}; }

void MenuScrollView::setPreviewManager(PreviewHider previewManager) { previewManager_ = std::move(previewManager); }

int32_t MenuScrollView::currentPageNumber() const { return pageIndicator_ ? pageIndicator_->currentPage() : 0; }

void MenuScrollView::goToPage(int32_t n) {
    const int32_t count = int32_t(pages_.size());
    if (count == 0 || !buttonHolder_) return;
    const int32_t c = currentPageNumber();
    int32_t t = n % count;
    if (t < 0) t += count;
    if (t == c) return;
    // From the requested number, not the wrapped one: wrapping past either end keeps its sense.
    const auto subtype = c > n ? platform::TransitionSubtype::FromLeft : platform::TransitionSubtype::FromRight;
    if (swapPage(pageAt(size_t(c)), size_t(t), platform::TransitionType::Push, subtype, kPageTransitionDuration)) {
        newPage_ = t;
        updatePage_ = true;
    } else if (firstAppearance_) {
        // The first page's zero-length appearance has not been reported yet: go on when it has.
        waitingPage_ = n;
    }
}

void MenuScrollView::nextPage() { goToPage(currentPageNumber() + 1); }

void MenuScrollView::previousPage() { goToPage(currentPageNumber() - 1); }

void MenuScrollView::changePageAction(platform::Object* sender) {
    if (!sender) return;
    if (leftArrow_ && sender == static_cast<platform::Object*>(leftArrow_)) previousPage();
    else if (rightArrow_ && sender == static_cast<platform::Object*>(rightArrow_)) nextPage();
}

void MenuScrollView::updateArrows() {
    const float alpha = pages_.size() < 2 ? 0.0f : 1.0f;
    ViewAnimation::beginAnimations();
    ViewAnimation::setAnimationDuration(kArrowFadeDuration);
    if (leftArrow_) leftArrow_->setAlpha(alpha);
    if (rightArrow_) rightArrow_->setAlpha(alpha);
    ViewAnimation::commitAnimations();
}

void MenuScrollView::showHideAction(HideTriangleView* sender) {
    if (!sender) return;
    const platform::Rect barFrame = frame();
    ViewAnimation::beginAnimations();
    ViewAnimation::setAnimationDuration(kSlideDuration);
    const int32_t d = sender->direction();
    if (d == 0) {
        setTransform(AffineTransform::makeTranslation(0.0f, barFrame.height() - kTipsHeight));
        if (snapButton_) snapButton_->lengthenView();
    } else if (d == 1) {
        setTransform(AffineTransform::identity());
        if (snapButton_) snapButton_->shortenView();
    }
    sender->changeDirection();
    ViewAnimation::commitAnimations();
    if (previewManager_) previewManager_(d == 1);
}

platform::View* MenuScrollView::hitTest(platform::Point p, const platform::Event* event) {
    // Slid down, the bar shows nothing but the empty top of its band. Its own area is empty too:
    // a touch there goes to what lies beneath, the shutter area.
    if (hidden()) return nullptr;
    platform::View* hit = platform::View::hitTest(p, event);
    if (hit != this) return hit;
    // The tips band, while up, covers the shutter area's top as the page does: it takes the touch
    // so that reading the tips never takes a picture.
    if (tipsShow_ && labelBackground_ && labelBackground_->frame().contains(p)) return this;
    return nullptr;
}

bool MenuScrollView::hidden() const { return !transform().isIdentity(); }

void MenuScrollView::showOptionsLabel(const std::string& html) {
    if (labelText_) labelText_->setHtml(html);
    if (tipsShow_) return;

    ViewAnimation::beginAnimations();
    ViewAnimation::setAnimationDuration(kBandGrowDuration);
    if (labelBackground_) labelBackground_->setTransform(bandTransform());
    ViewAnimation::commitAnimations();

    ViewAnimation::beginAnimations();
    ViewAnimation::setAnimationDuration(kTextFadeInDuration);
    ViewAnimation::setAnimationDelay(kBandGrowDuration);
    if (labelText_) labelText_->setAlpha(1.0f);
    ViewAnimation::commitAnimations();

    tipsShow_ = true;
}

void MenuScrollView::hideOptionsLabel() {
    tipsShow_ = false;

    ViewAnimation::beginAnimations();
    ViewAnimation::setAnimationBeginsFromCurrentState(true);
    ViewAnimation::setAnimationDuration(kTextFadeOutDuration);
    if (labelText_) labelText_->setAlpha(0.0f);
    ViewAnimation::commitAnimations();

    ViewAnimation::beginAnimations();
    ViewAnimation::setAnimationDuration(kBandShrinkDuration);
    ViewAnimation::setAnimationDelay(kTextFadeOutDuration);
    if (labelBackground_) labelBackground_->setTransform(AffineTransform::identity());
    ViewAnimation::commitAnimations();
}

void MenuScrollView::transitionViewDidFinish(TransitionView*) {
    if (updatePage_) {
        if (pageIndicator_) pageIndicator_->setCurrentPage(newPage_);
        updatePage_ = false;
    }
    firstAppearance_ = false;
    if (waitingPage_) {
        const int32_t n = *waitingPage_;
        waitingPage_.reset();
        goToPage(n);
    }
}

void MenuScrollView::transitionViewDidCancel(TransitionView*) {
    firstAppearance_ = false;
    waitingPage_.reset();
}


bool MenuScrollView::setOutlet(std::string_view name, platform::Object* object) {
    if (name == "pageIndicator") pageIndicator_ = outlet<platform::PageControl>(object);
    else if (name == "buttonHolder") buttonHolder_ = outlet<TransitionView>(object);
    else if (name == "leftArrow") leftArrow_ = outlet<ArrowView>(object);
    else if (name == "rightArrow") rightArrow_ = outlet<ArrowView>(object);
    else if (name == "snapButton") snapButton_ = outlet<SnapButtonView>(object);
    else return platform::View::setOutlet(name, object);
    return true;
}

platform::Action MenuScrollView::actionNamed(std::string_view name) {
    if (name == "changePageAction") return [this](platform::Object* sender) { changePageAction(sender); };
    if (name == "showHideAction")
        return [this](platform::Object* sender) {
            // The triangle is the only sender that answers direction and changeDirection.
            if (sender && typeid(*sender) == typeid(HideTriangleView)) showHideAction(static_cast<HideTriangleView*>(sender));
        };
    if (name == "nextPage") return [this](platform::Object*) { nextPage(); };
    if (name == "previousPage") return [this](platform::Object*) { previousPage(); };
    return platform::View::actionNamed(name);
}

}  // namespace kestrova
