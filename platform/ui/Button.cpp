#include "platform/ui/Button.h"

#include "platform/graphics/GraphicsContext.h"
#include "platform/ui/ImageCache.h"
#include "platform/ui/InterfaceValue.h"
#include "platform/ui/RoundedRect.h"

namespace platform {

Button::Button(const Rect& frame, ButtonType type) : Control(frame), type_(type) {}

void Button::setButtonType(ButtonType type) {
    type_ = type;
    setNeedsDisplay();
}

template <typename T>
const T* Button::lookup(const std::map<ControlState, T>& m, ControlState s) {
    auto it = m.find(s);
    if (it != m.end()) return &it->second;
    // A combined state (highlighted and selected) falls back to highlighted, then normal.
    if (uint32_t(s) & uint32_t(ControlState::Highlighted)) {
        it = m.find(ControlState::Highlighted);
        if (it != m.end()) return &it->second;
    }
    it = m.find(ControlState::Normal);
    return it != m.end() ? &it->second : nullptr;
}

void Button::setTitle(const std::string& title, ControlState state) {
    titles_[state] = title;
    setNeedsDisplay();
}
std::string Button::titleForState(ControlState state) const {
    const std::string* t = lookup(titles_, state);
    return t ? *t : std::string();
}

void Button::setTitleColor(const Color& color, ControlState state) {
    titleColors_[state] = color;
    setNeedsDisplay();
}
Color Button::titleColorForState(ControlState state) const {
    if (const Color* c = lookup(titleColors_, state)) return *c;
    if (type_ == ButtonType::RoundedRect)
        return uint32_t(state) & uint32_t(ControlState::Highlighted) ? Color::white(1) : Color::rgba(0.22f, 0.33f, 0.53f);
    return Color::white(1);
}

void Button::setBackgroundImage(ImageRef image, ControlState state) {
    backgrounds_[state] = std::move(image);
    setNeedsDisplay();
}
ImageRef Button::backgroundImageForState(ControlState state) const {
    const ImageRef* i = lookup(backgrounds_, state);
    return i ? *i : nullptr;
}

void Button::setImage(ImageRef image, ControlState state) {
    images_[state] = std::move(image);
    setNeedsDisplay();
}
ImageRef Button::imageForState(ControlState state) const {
    const ImageRef* i = lookup(images_, state);
    return i ? *i : nullptr;
}

void Button::setFillColor(const Color& color, ControlState state) {
    fills_[state] = color;
    setNeedsDisplay();
}
Color Button::fillColorForState(ControlState state) const {
    if (const Color* c = lookup(fills_, state)) return *c;
    return uint32_t(state) & uint32_t(ControlState::Highlighted) ? Color::rgba(0.16f, 0.42f, 0.92f) : Color::white(1);
}

void Button::setFont(const Font& font) {
    font_ = font;
    setNeedsDisplay();
}

void Button::drawRect(GraphicsContext& context, const Rect& rect) {
    Rect b = bounds();
    ControlState s = state();
    if (ImageRef bg = backgroundImageForState(s)) {
        context.drawImage(b, bg);
    } else if (type_ == ButtonType::RoundedRect) {
        Rect r = b.insetBy(0.5f, 0.5f);
        context.saveGState();
        context.setFillColor(fillColorForState(s));
        context.setStrokeColor(borderColor_);
        context.setLineWidth(1);
        addRoundedRect(context, r, cornerRadius_);
        context.drawPath(PathDrawingMode::FillStroke);
        context.restoreGState();
    }
    if (ImageRef img = imageForState(s)) {
        Size size = ImageCache::pointSize(img);
        Rect r(b.midX() - size.width / 2, b.midY() - size.height / 2, size.width, size.height);
        context.drawImage(r, img);
    }
    std::string title = titleForState(s);
    if (!title.empty()) {
        Size size = GraphicsContext::measureText(title, font_, b.width());
        Rect r(b.x(), b.midY() - size.height / 2, b.width(), size.height);
        context.drawText(title, r, font_, enabled() ? titleColorForState(s) : titleColorForState(s).withAlpha(0.5f),
                         TextAlignment::Center);
    }
}

bool Button::setProperty(std::string_view key, const InterfaceValue& value) {
    // Per-state values: a plain value for Normal, or {"normal": .., "highlighted": ..}.
    auto perState = [&](auto apply) {
        if (value.kind() == InterfaceValue::Kind::Dictionary) {
            if (const InterfaceValue* v = value.find("normal")) apply(*v, ControlState::Normal);
            if (const InterfaceValue* v = value.find("highlighted")) apply(*v, ControlState::Highlighted);
            if (const InterfaceValue* v = value.find("selected")) apply(*v, ControlState::Selected);
            if (const InterfaceValue* v = value.find("disabled")) apply(*v, ControlState::Disabled);
        } else {
            apply(value, ControlState::Normal);
        }
        return true;
    };
    if (key == "title")
        return perState([&](const InterfaceValue& v, ControlState s) {
            if (auto t = v.asString()) setTitle(*t, s);
        });
    if (key == "titleColor")
        return perState([&](const InterfaceValue& v, ControlState s) {
            if (auto c = v.asColor()) setTitleColor(*c, s);
        });
    if (key == "fillColor")
        return perState([&](const InterfaceValue& v, ControlState s) {
            if (auto c = v.asColor()) setFillColor(*c, s);
        });
    if (key == "backgroundImage")
        return perState([&](const InterfaceValue& v, ControlState s) {
            if (auto name = v.asString()) setBackgroundImage(ImageCache::imageNamed(*name), s);
        });
    if (key == "image")
        return perState([&](const InterfaceValue& v, ControlState s) {
            if (auto name = v.asString()) setImage(ImageCache::imageNamed(*name), s);
        });
    if (key == "font") {
        if (auto f = value.asFont()) setFont(*f);
        return true;
    }
    if (key == "buttonType") {
        if (auto t = value.asString()) setButtonType(*t == "roundedRect" ? ButtonType::RoundedRect : ButtonType::Custom);
        return true;
    }
    if (key == "cornerRadius") {
        if (auto r = value.asNumber()) setCornerRadius(float(*r));
        return true;
    }
    return Control::setProperty(key, value);
}

}  // namespace platform
