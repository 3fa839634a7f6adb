#pragma once
// A property value read from an interface file: a number, a boolean, a string, a list (a rect,
// a point, a colour as numbers) or a dictionary (per-state values, fonts). No JSON type reaches
// the headers, so controls read their own properties through this.
#include "platform/foundation/Geometry.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Font.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

class InterfaceValue {
public:
    enum class Kind { Null, Bool, Number, String, List, Dictionary };

    InterfaceValue() = default;
    static InterfaceValue boolean(bool b);
    static InterfaceValue number(double n);
    static InterfaceValue string(std::string s);
    static InterfaceValue list(std::vector<InterfaceValue> items);
    static InterfaceValue dictionary(std::vector<std::pair<std::string, InterfaceValue>> entries);

    Kind kind() const { return kind_; }
    bool isNull() const { return kind_ == Kind::Null; }

    // Each reader returns nothing when the value has another shape.
    std::optional<bool> asBool() const;        // a boolean, or a number (non-zero is true)
    std::optional<double> asNumber() const;
    std::optional<std::string> asString() const;
    // [x, y, w, h] or {"x":..,"y":..,"width":..,"height":..}.
    std::optional<Rect> asRect() const;
    // [x, y] or {"x":..,"y":..}.
    std::optional<Point> asPoint() const;
    // [w, h] or {"width":..,"height":..}.
    std::optional<Size> asSize() const;
    // [r, g, b] or [r, g, b, a] (0..1), {"white": w, "alpha": a}, or "#RRGGBB" / "#RRGGBBAA".
    std::optional<Color> asColor() const;
    // {"family": .., "size": .., "bold": ..}; "system 17" and "boldSystem 38" as strings.
    std::optional<Font> asFont() const;

    const std::vector<InterfaceValue>& items() const { return items_; }
    const std::vector<std::pair<std::string, InterfaceValue>>& entries() const { return entries_; }
    // The dictionary entry `key`; null when missing or not a dictionary.
    const InterfaceValue* find(std::string_view key) const;

private:
    Kind kind_ = Kind::Null;
    bool bool_ = false;
    double number_ = 0;
    std::string string_;
    std::vector<InterfaceValue> items_;
    std::vector<std::pair<std::string, InterfaceValue>> entries_;
};

}  // namespace platform
