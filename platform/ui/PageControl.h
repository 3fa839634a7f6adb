#pragma once
// A row of dots, one per page, the current one bright. A tap left or right of the middle steps
// the current page and sends ValueChanged.
#include "platform/graphics/Color.h"
#include "platform/ui/Control.h"

namespace platform {

class PageControl : public Control {
public:
    static constexpr float kDotDiameter = 7;
    static constexpr float kDotSpacing = 9;  // between dots

    explicit PageControl(const Rect& frame = {});

    int numberOfPages() const { return numberOfPages_; }
    // Negative counts become 0; the current page is clamped into the new range.
    void setNumberOfPages(int count);
    int currentPage() const { return currentPage_; }
    // Clamped to 0 .. numberOfPages - 1.
    void setCurrentPage(int page);
    bool hidesForSinglePage() const { return hidesForSinglePage_; }
    void setHidesForSinglePage(bool hides);
    void setDotColors(const Color& current, const Color& other);

    // The width and height the dots of `pages` pages need.
    static Size sizeForNumberOfPages(int pages);
    // The rectangle of dot `index`, in bounds coordinates.
    Rect dotRect(int index) const;

    void drawRect(GraphicsContext& context, const Rect& rect) override;
    bool setProperty(std::string_view key, const InterfaceValue& value) override;

protected:
    void didEndTracking(Point p, bool inside) override;

private:
    int numberOfPages_ = 0;
    int currentPage_ = 0;
    bool hidesForSinglePage_ = false;
    Color currentColor_ = Color::white(1);
    Color otherColor_ = Color::white(1, 0.35f);
};

}  // namespace platform
