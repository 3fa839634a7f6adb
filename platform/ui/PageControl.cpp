#include "platform/ui/PageControl.h"

#include "platform/graphics/GraphicsContext.h"
#include "platform/ui/InterfaceValue.h"

#include <algorithm>

namespace platform {

PageControl::PageControl(const Rect& frame) : Control(frame) {}

void PageControl::setNumberOfPages(int count) {
    numberOfPages_ = std::max(0, count);
    currentPage_ = std::clamp(currentPage_, 0, std::max(0, numberOfPages_ - 1));
    setNeedsDisplay();
}

void PageControl::setCurrentPage(int page) {
    int p = std::clamp(page, 0, std::max(0, numberOfPages_ - 1));
    if (p == currentPage_) return;
    currentPage_ = p;
    setNeedsDisplay();
}

void PageControl::setHidesForSinglePage(bool hides) {
    hidesForSinglePage_ = hides;
    setNeedsDisplay();
}

void PageControl::setDotColors(const Color& current, const Color& other) {
    currentColor_ = current;
    otherColor_ = other;
    setNeedsDisplay();
}

Size PageControl::sizeForNumberOfPages(int pages) {
    if (pages <= 0) return {0, 0};
    return {pages * kDotDiameter + (pages - 1) * kDotSpacing, kDotDiameter + 2 * kDotSpacing};
}

Rect PageControl::dotRect(int index) const {
    Rect b = bounds();
    float total = sizeForNumberOfPages(numberOfPages_).width;
    float x0 = b.midX() - total / 2;
    return {x0 + index * (kDotDiameter + kDotSpacing), b.midY() - kDotDiameter / 2, kDotDiameter, kDotDiameter};
}

void PageControl::drawRect(GraphicsContext& context, const Rect& rect) {
    if (numberOfPages_ == 0 || (hidesForSinglePage_ && numberOfPages_ == 1)) return;
    for (int i = 0; i < numberOfPages_; ++i) {
        context.setFillColor(i == currentPage_ ? currentColor_ : otherColor_);
        context.fillEllipseInRect(dotRect(i));
    }
}

void PageControl::didEndTracking(Point p, bool inside) {
    if (!inside || numberOfPages_ == 0) return;
    int before = currentPage_;
    setCurrentPage(p.x < bounds().midX() ? currentPage_ - 1 : currentPage_ + 1);
    if (currentPage_ != before) sendActionsForControlEvents(ControlEvent::ValueChanged);
}

bool PageControl::setProperty(std::string_view key, const InterfaceValue& value) {
    if (key == "numberOfPages") {
        if (auto n = value.asNumber()) setNumberOfPages(int(*n));
        return true;
    }
    if (key == "currentPage") {
        if (auto n = value.asNumber()) setCurrentPage(int(*n));
        return true;
    }
    if (key == "hidesForSinglePage") {
        if (auto b = value.asBool()) setHidesForSinglePage(*b);
        return true;
    }
    return Control::setProperty(key, value);
}

}  // namespace platform
