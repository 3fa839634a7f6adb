#include "platform/ui/TextView.h"

#include "platform/graphics/GraphicsContext.h"
#include "platform/ui/HtmlResources.h"
#include "platform/ui/InterfaceValue.h"
#include "platform/ui/Window.h"

#include <algorithm>

namespace platform {

TextView::TextView(const Rect& frame) : View(frame) {
    setClipsToBounds(true);
}
TextView::~TextView() = default;

void TextView::setHtml(const std::string& html) {
    html_ = html;
    offset_ = 0;
    invalidateDocument();
}
void TextView::setTextColor(const Color& color) {
    textColor_ = color;
    invalidateDocument();
}
void TextView::setFont(const Font& font) {
    font_ = font;
    invalidateDocument();
}
void TextView::setWordBreak(WordBreak mode) {
    wordBreak_ = mode;
    invalidateDocument();
}
void TextView::setVerticalMargin(float points) {
    verticalMargin_ = points;
    invalidateDocument();
}
void TextView::setBundle(const Bundle* bundle) {
    bundle_ = bundle;
    invalidateDocument();
}

void TextView::invalidateDocument() {
    document_.reset();
    setNeedsDisplay();
}

HtmlDocument& TextView::document() {
    if (!document_) {
        HtmlDocument::Style style;
        style.fontFamily = font_.family;
        style.fontSize = font_.size;
        style.textColor = textColor_;
        style.wordBreak = wordBreak_;
        style.verticalMargin = verticalMargin_;
        int scale = window() && window()->scale() >= 2 ? 2 : 1;
        document_ = HtmlDocument::create(html_, bounds().width(), HtmlResources::imageResolver(bundle_, scale), style);
    }
    document_->layout(bounds().width());
    return *document_;
}

float TextView::contentHeight() { return document().height(); }

void TextView::setContentOffset(float y) {
    float maxOffset = std::max(0.0f, contentHeight() - bounds().height());
    float clamped = std::clamp(y, 0.0f, maxOffset);
    if (clamped == offset_) return;
    offset_ = clamped;
    setNeedsDisplay();
}

void TextView::drawRect(GraphicsContext& context, const Rect& rect) {
    Rect b = bounds();
    context.saveGState();
    context.clipToRect(b);
    document().draw(context, {b.x(), b.y() - offset_}, rect.intersection(b));
    context.restoreGState();
}

void TextView::touchesBegan(const TouchSet& touches, const Event& event) {
    if (!dragging_ && !touches.empty()) dragging_ = touches.front();
}
void TextView::touchesMoved(const TouchSet& touches, const Event& event) {
    if (!dragging_ || std::find(touches.begin(), touches.end(), dragging_) == touches.end()) return;
    float dy = dragging_->locationInView(this).y - dragging_->previousLocationInView(this).y;
    setContentOffset(offset_ - dy);
}
void TextView::touchesEnded(const TouchSet& touches, const Event& event) {
    if (std::find(touches.begin(), touches.end(), dragging_) != touches.end()) dragging_ = nullptr;
}
void TextView::touchesCancelled(const TouchSet& touches, const Event& event) { touchesEnded(touches, event); }

bool TextView::setProperty(std::string_view key, const InterfaceValue& value) {
    if (key == "html" || key == "text") {
        if (auto s = value.asString()) setHtml(*s);
        return true;
    }
    if (key == "textColor") {
        if (auto c = value.asColor()) setTextColor(*c);
        return true;
    }
    if (key == "font") {
        if (auto f = value.asFont()) setFont(*f);
        return true;
    }
    if (key == "editable") return true;
    return View::setProperty(key, value);
}

}  // namespace platform
