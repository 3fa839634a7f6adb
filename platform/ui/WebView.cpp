#include "platform/ui/WebView.h"

#include "platform/graphics/GraphicsContext.h"
#include "platform/ui/HtmlResources.h"
#include "platform/ui/Window.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace platform {
namespace {

// "http:", "mailto:" ...: a scheme before any '/', '?' or '#'.
bool hasScheme(const std::string& href) {
    for (size_t i = 0; i < href.size(); ++i) {
        char c = href[i];
        if (c == ':') return i > 0;
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.')) return false;
    }
    return false;
}

}  // namespace

WebView::WebView(const Rect& frame) : View(frame) {
    setClipsToBounds(true);
}
WebView::~WebView() = default;

void WebView::setBundle(const Bundle* bundle) {
    bundle_ = bundle;
    document_.reset();
    setNeedsDisplay();
}

void WebView::loadHTMLString(const std::string& html, const std::string& baseURL) {
    baseURL_ = baseURL;
    page_.clear();
    if (delegate_) delegate_->webViewDidStartLoad(this);
    show(html);
    if (delegate_) delegate_->webViewDidFinishLoad(this);
}

void WebView::show(const std::string& html) {
    html_ = html;
    document_.reset();
    offset_ = 0;
    setNeedsDisplay();
}

HtmlDocument& WebView::document() {
    if (!document_) {
        int scale = window() && window()->scale() >= 2 ? 2 : 1;
        document_ = HtmlDocument::create(html_, bounds().width(), HtmlResources::imageResolver(bundle_, scale));
    }
    document_->layout(bounds().width());
    return *document_;
}

float WebView::contentHeight() { return document().height(); }

void WebView::setContentOffset(float y) {
    float maxOffset = std::max(0.0f, contentHeight() - bounds().height());
    float clamped = std::clamp(y, 0.0f, maxOffset);
    if (clamped == offset_) return;
    offset_ = clamped;
    setNeedsDisplay();
}

void WebView::scrollToAnchor(const std::string& name) {
    if (name.empty()) {
        setContentOffset(0);
        return;
    }
    if (auto top = document().anchorTop(name)) setContentOffset(*top);
}

void WebView::followLink(const std::string& href) {
    if (delegate_ && !delegate_->webViewShouldStartLoadWithRequest(this, href, WebViewNavigationType::LinkClicked)) return;
    if (!href.empty() && href[0] == '#') {
        scrollToAnchor(href.substr(1));
        return;
    }
    if (hasScheme(href)) {
        if (delegate_) delegate_->webViewOpenExternalURL(this, href);
        return;
    }
    auto hash = href.find('#');
    std::string path = href.substr(0, hash);
    std::string fragment = hash == std::string::npos ? "" : href.substr(hash + 1);
    if (delegate_) delegate_->webViewDidStartLoad(this);
    auto text = HtmlResources::readPage(bundle_, path);
    if (!text) {
        if (delegate_) delegate_->webViewDidFailLoadWithError(this, "no page " + path);
        return;
    }
    show(*text);
    page_ = path;
    if (!fragment.empty()) scrollToAnchor(fragment);
    if (delegate_) delegate_->webViewDidFinishLoad(this);
}

std::optional<std::string> WebView::linkAt(Point p) {
    Rect b = bounds();
    return document().linkAt({p.x - b.x(), p.y - b.y() + offset_});
}

void WebView::drawRect(GraphicsContext& context, const Rect& rect) {
    Rect b = bounds();
    context.saveGState();
    context.clipToRect(b);
    document().draw(context, {b.x(), b.y() - offset_}, rect.intersection(b));
    context.restoreGState();
}

void WebView::touchesBegan(const TouchSet& touches, const Event& event) {
    if (touch_ || touches.empty()) return;
    touch_ = touches.front();
    touchStart_ = touch_->locationInView(this);
    dragged_ = false;
}

void WebView::touchesMoved(const TouchSet& touches, const Event& event) {
    if (!touch_ || std::find(touches.begin(), touches.end(), touch_) == touches.end()) return;
    Point p = touch_->locationInView(this);
    if (std::hypot(p.x - touchStart_.x, p.y - touchStart_.y) > kTapSlop) dragged_ = true;
    if (dragged_) setContentOffset(offset_ - (p.y - touch_->previousLocationInView(this).y));
}

void WebView::touchesEnded(const TouchSet& touches, const Event& event) {
    if (!touch_ || std::find(touches.begin(), touches.end(), touch_) == touches.end()) return;
    Point p = touch_->locationInView(this);
    touch_ = nullptr;
    if (dragged_) return;
    if (auto href = linkAt(p)) followLink(*href);
}

void WebView::touchesCancelled(const TouchSet& touches, const Event& event) {
    if (std::find(touches.begin(), touches.end(), touch_) != touches.end()) touch_ = nullptr;
}

bool WebView::setOutlet(std::string_view name, Object* object) {
    if (name == "delegate") {
        delegate_ = dynamic_cast<WebViewDelegate*>(object);
        return true;
    }
    return View::setOutlet(name, object);
}

}  // namespace platform
