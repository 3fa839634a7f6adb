#pragma once
// Shows an HTML page and follows its links: "#name" scrolls to the anchor, a relative link loads
// that page from the bundle, and a link to another site goes to the delegate. A finger drags
// the page; a tap on a link follows it.
#include "platform/graphics/HtmlDocument.h"
#include "platform/ui/View.h"
#include "platform/ui/WebViewDelegate.h"

#include <memory>
#include <string>

namespace platform {

class Bundle;

class WebView : public View {
public:
    // A finger that moves further than this is dragging, not tapping.
    static constexpr float kTapSlop = 8;

    explicit WebView(const Rect& frame = {});
    ~WebView() override;

    WebViewDelegate* delegate() const { return delegate_; }
    void setDelegate(WebViewDelegate* delegate) { delegate_ = delegate; }  // may be null
    // Pages and images of relative links come from here; may be null.
    void setBundle(const Bundle* bundle);

    // Shows `html` from the top. `baseURL` is kept for the delegate; relative links resolve in
    // the bundle either way.
    void loadHTMLString(const std::string& html, const std::string& baseURL = {});
    const std::string& html() const { return html_; }
    // The bundle page last loaded by a link; empty for a string.
    const std::string& currentPage() const { return page_; }

    // Follows `href` as if its link were tapped.
    void followLink(const std::string& href);
    // The href of the link at `p` (view coordinates), if any.
    std::optional<std::string> linkAt(Point p);

    float contentOffset() const { return offset_; }
    void setContentOffset(float y);
    float contentHeight();

    void drawRect(GraphicsContext& context, const Rect& rect) override;
    void touchesBegan(const TouchSet& touches, const Event& event) override;
    void touchesMoved(const TouchSet& touches, const Event& event) override;
    void touchesEnded(const TouchSet& touches, const Event& event) override;
    void touchesCancelled(const TouchSet& touches, const Event& event) override;
    bool setOutlet(std::string_view name, Object* object) override;

private:
    HtmlDocument& document();
    void show(const std::string& html);
    void scrollToAnchor(const std::string& name);

    WebViewDelegate* delegate_ = nullptr;  // may be null
    const Bundle* bundle_ = nullptr;       // may be null
    std::string html_, baseURL_, page_;
    std::unique_ptr<HtmlDocument> document_;
    float offset_ = 0;
    Touch* touch_ = nullptr;
    Point touchStart_;
    bool dragged_ = false;
};

}  // namespace platform
