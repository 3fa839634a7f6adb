#include "platform/ui/Label.h"

#include "platform/graphics/GraphicsContext.h"
#include "platform/ui/InterfaceValue.h"

namespace platform {

Label::Label(const Rect& frame) : View(frame) {
    setUserInteractionEnabled(false);
}

void Label::setText(const std::string& text) {
    if (text_ == text) return;
    text_ = text;
    setNeedsDisplay();
}
void Label::setFont(const Font& font) {
    font_ = font;
    setNeedsDisplay();
}
void Label::setTextColor(const Color& color) {
    textColor_ = color;
    setNeedsDisplay();
}
void Label::setHighlightedTextColor(std::optional<Color> color) {
    highlightedTextColor_ = color;
    setNeedsDisplay();
}
void Label::setHighlighted(bool highlighted) {
    highlighted_ = highlighted;
    setNeedsDisplay();
}
void Label::setTextAlignment(TextAlignment alignment) {
    alignment_ = alignment;
    setNeedsDisplay();
}
void Label::setShadowColor(std::optional<Color> color) {
    shadowColor_ = color;
    setNeedsDisplay();
}
void Label::setShadowOffset(Size offset) {
    shadowOffset_ = offset;
    setNeedsDisplay();
}
void Label::setEnabled(bool enabled) {
    enabled_ = enabled;
    setNeedsDisplay();
}

Color Label::currentTextColor() const {
    Color c = highlighted_ && highlightedTextColor_ ? *highlightedTextColor_ : textColor_;
    return enabled_ ? c : c.withAlpha(c.a * 0.45f);
}

void Label::drawRect(GraphicsContext& context, const Rect& rect) {
    if (text_.empty()) return;
    Rect b = bounds();
    Size size = GraphicsContext::measureText(text_, font_, b.width());
    Rect r(b.x(), b.midY() - size.height / 2, b.width(), size.height);
    // A hard shadow, as the platform's labels draw it: the text again, offset, beneath.
    if (shadowColor_ && (shadowOffset_.width != 0 || shadowOffset_.height != 0))
        context.drawText(text_, r.offsetBy(shadowOffset_.width, shadowOffset_.height), font_, *shadowColor_, alignment_);
    context.drawText(text_, r, font_, currentTextColor(), alignment_);
}

bool Label::setProperty(std::string_view key, const InterfaceValue& value) {
    if (key == "text") {
        if (auto s = value.asString()) setText(*s);
        return true;
    }
    if (key == "font") {
        if (auto f = value.asFont()) setFont(*f);
        return true;
    }
    if (key == "textColor") {
        if (auto c = value.asColor()) setTextColor(*c);
        return true;
    }
    if (key == "highlightedTextColor") {
        if (auto c = value.asColor()) setHighlightedTextColor(*c);
        return true;
    }
    if (key == "highlighted") {
        if (auto b = value.asBool()) setHighlighted(*b);
        return true;
    }
    if (key == "enabled") {
        if (auto b = value.asBool()) setEnabled(*b);
        return true;
    }
    if (key == "textAlignment") {
        if (auto s = value.asString())
            setTextAlignment(*s == "center" ? TextAlignment::Center : *s == "right" ? TextAlignment::Right : TextAlignment::Left);
        return true;
    }
    if (key == "shadowColor") {
        if (auto c = value.asColor()) setShadowColor(*c);
        return true;
    }
    if (key == "shadowOffset") {
        if (auto s = value.asSize()) setShadowOffset(*s);
        return true;
    }
    return View::setProperty(key, value);
}

}  // namespace platform
