#pragma once
// One or more lines of text, vertically centred in the bounds, with an optional hard shadow.
// Labels take no touches unless told to.
#include "platform/graphics/Color.h"
#include "platform/graphics/Font.h"
#include "platform/ui/View.h"

#include <optional>
#include <string>

namespace platform {

class Label : public View {
public:
    explicit Label(const Rect& frame = {});

    const std::string& text() const { return text_; }
    void setText(const std::string& text);
    const Font& font() const { return font_; }
    void setFont(const Font& font);
    const Color& textColor() const { return textColor_; }
    void setTextColor(const Color& color);
    // Used while highlighted; without one the text colour is used.
    std::optional<Color> highlightedTextColor() const { return highlightedTextColor_; }
    void setHighlightedTextColor(std::optional<Color> color);
    bool highlighted() const { return highlighted_; }
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted);
    TextAlignment textAlignment() const { return alignment_; }
    void setTextAlignment(TextAlignment alignment);
    // No shadow colour: no shadow.
    std::optional<Color> shadowColor() const { return shadowColor_; }
    void setShadowColor(std::optional<Color> color);
    Size shadowOffset() const { return shadowOffset_; }
    void setShadowOffset(Size offset);
    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);

    // The colour the text is drawn in now.
    Color currentTextColor() const;

    void drawRect(GraphicsContext& context, const Rect& rect) override;
    bool setProperty(std::string_view key, const InterfaceValue& value) override;

private:
    std::string text_;
    Font font_ = Font::system(17);
    Color textColor_ = Color::black();
    std::optional<Color> highlightedTextColor_;
    bool highlighted_ = false;
    bool enabled_ = true;
    TextAlignment alignment_ = TextAlignment::Left;
    std::optional<Color> shadowColor_;
    Size shadowOffset_{0, -1};
};

}  // namespace platform
