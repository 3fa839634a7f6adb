#pragma once
// A push button: a title, title colours, a foreground image and a background image per state,
// drawn centred. A rounded-rect button without a background image draws a bordered rounded
// rectangle; a custom one draws only what it is given.
#include "platform/graphics/Color.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/Image.h"
#include "platform/ui/Control.h"

#include <map>
#include <memory>
#include <optional>
#include <string>

namespace platform {

enum class ButtonType { Custom, RoundedRect };

class Button : public Control {
public:
    explicit Button(const Rect& frame = {}, ButtonType type = ButtonType::Custom);
    static std::unique_ptr<Button> buttonWithType(ButtonType type) { return std::make_unique<Button>(Rect{}, type); }

    ButtonType buttonType() const { return type_; }
    void setButtonType(ButtonType type);

    // Per-state values fall back to the Normal state's.
    void setTitle(const std::string& title, ControlState state = ControlState::Normal);
    std::string titleForState(ControlState state) const;
    std::string currentTitle() const { return titleForState(state()); }
    void setTitleColor(const Color& color, ControlState state = ControlState::Normal);
    Color titleColorForState(ControlState state) const;
    void setBackgroundImage(ImageRef image, ControlState state = ControlState::Normal);
    ImageRef backgroundImageForState(ControlState state) const;
    void setImage(ImageRef image, ControlState state = ControlState::Normal);
    ImageRef imageForState(ControlState state) const;
    // The fill of a rounded-rect button (no background image).
    void setFillColor(const Color& color, ControlState state = ControlState::Normal);
    Color fillColorForState(ControlState state) const;
    void setBorderColor(const Color& color) { borderColor_ = color; setNeedsDisplay(); }
    void setCornerRadius(float r) { cornerRadius_ = r; setNeedsDisplay(); }
    float cornerRadius() const { return cornerRadius_; }

    const Font& font() const { return font_; }
    void setFont(const Font& font);

    void drawRect(GraphicsContext& context, const Rect& rect) override;
    bool setProperty(std::string_view key, const InterfaceValue& value) override;

private:
    template <typename T>
    static const T* lookup(const std::map<ControlState, T>& m, ControlState s);

    ButtonType type_;
    std::map<ControlState, std::string> titles_;
    std::map<ControlState, Color> titleColors_;
    std::map<ControlState, ImageRef> backgrounds_;
    std::map<ControlState, ImageRef> images_;
    std::map<ControlState, Color> fills_;
    Color borderColor_ = Color::white(0.55f);
    float cornerRadius_ = 8;
    Font font_ = Font::boldSystem(15);
};

}  // namespace platform
