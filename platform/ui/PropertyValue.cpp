#include "platform/ui/PropertyValue.h"

#include <cctype>
#include <cstdlib>

namespace platform {

PropertyValue PropertyValue::boolean(bool b) {
    PropertyValue v;
    v.kind_ = Kind::Bool;
    v.bool_ = b;
    return v;
}
PropertyValue PropertyValue::number(double n) {
    PropertyValue v;
    v.kind_ = Kind::Number;
    v.number_ = n;
    return v;
}
PropertyValue PropertyValue::string(std::string s) {
    PropertyValue v;
    v.kind_ = Kind::String;
    v.string_ = std::move(s);
    return v;
}
PropertyValue PropertyValue::list(std::vector<PropertyValue> items) {
    PropertyValue v;
    v.kind_ = Kind::List;
    v.items_ = std::move(items);
    return v;
}
PropertyValue PropertyValue::dictionary(std::vector<std::pair<std::string, PropertyValue>> entries) {
    PropertyValue v;
    v.kind_ = Kind::Dictionary;
    v.entries_ = std::move(entries);
    return v;
}

std::optional<bool> PropertyValue::asBool() const {
    if (kind_ == Kind::Bool) return bool_;
    if (kind_ == Kind::Number) return number_ != 0;
    return std::nullopt;
}
std::optional<double> PropertyValue::asNumber() const {
    if (kind_ == Kind::Number) return number_;
    return std::nullopt;
}
std::optional<std::string> PropertyValue::asString() const {
    if (kind_ == Kind::String) return string_;
    return std::nullopt;
}

const PropertyValue* PropertyValue::find(std::string_view key) const {
    if (kind_ != Kind::Dictionary) return nullptr;
    for (auto& [k, v] : entries_)
        if (k == key) return &v;
    return nullptr;
}

namespace {
// The numbers of a list, or of the named dictionary entries; nothing if any is missing.
std::optional<std::vector<double>> numbers(const PropertyValue& v, std::initializer_list<const char*> keys,
                                           size_t minCount, size_t maxCount) {
    std::vector<double> out;
    if (v.kind() == PropertyValue::Kind::List) {
        if (v.items().size() < minCount || v.items().size() > maxCount) return std::nullopt;
        for (auto& i : v.items()) {
            auto n = i.asNumber();
            if (!n) return std::nullopt;
            out.push_back(*n);
        }
        return out;
    }
    if (v.kind() == PropertyValue::Kind::Dictionary) {
        for (const char* k : keys) {
            const PropertyValue* e = v.find(k);
            auto n = e ? e->asNumber() : std::nullopt;
            if (!n) return std::nullopt;
            out.push_back(*n);
        }
        return out;
    }
    return std::nullopt;
}
}  // namespace

std::optional<Rect> PropertyValue::asRect() const {
    auto n = numbers(*this, {"x", "y", "width", "height"}, 4, 4);
    if (!n) return std::nullopt;
    return Rect{float((*n)[0]), float((*n)[1]), float((*n)[2]), float((*n)[3])};
}

std::optional<Point> PropertyValue::asPoint() const {
    auto n = numbers(*this, {"x", "y"}, 2, 2);
    if (!n) return std::nullopt;
    return Point{float((*n)[0]), float((*n)[1])};
}

std::optional<Size> PropertyValue::asSize() const {
    auto n = numbers(*this, {"width", "height"}, 2, 2);
    if (!n) return std::nullopt;
    return Size{float((*n)[0]), float((*n)[1])};
}

std::optional<Color> PropertyValue::asColor() const {
    auto clamp01 = [](double x) { return float(x < 0 ? 0 : x > 1 ? 1 : x); };
    if (kind_ == Kind::List) {
        auto n = numbers(*this, {}, 3, 4);
        if (!n) return std::nullopt;
        return Color{clamp01((*n)[0]), clamp01((*n)[1]), clamp01((*n)[2]), n->size() == 4 ? clamp01((*n)[3]) : 1.0f};
    }
    if (kind_ == Kind::Dictionary) {
        const PropertyValue* a = find("alpha");
        float alpha = a && a->asNumber() ? clamp01(*a->asNumber()) : 1.0f;
        if (const PropertyValue* w = find("white"); w && w->asNumber()) return Color::white(clamp01(*w->asNumber()), alpha);
        auto n = numbers(*this, {"red", "green", "blue"}, 3, 3);
        if (!n) return std::nullopt;
        return Color{clamp01((*n)[0]), clamp01((*n)[1]), clamp01((*n)[2]), alpha};
    }
    if (kind_ == Kind::String) {
        if (string_ == "clear") return Color::clear();
        if (string_ == "black") return Color::black();
        if (string_ == "white") return Color::white(1);
        if (string_.size() != 7 && string_.size() != 9) return std::nullopt;
        if (string_[0] != '#') return std::nullopt;
        for (size_t i = 1; i < string_.size(); ++i)
            if (!std::isxdigit(static_cast<unsigned char>(string_[i]))) return std::nullopt;
        auto byte = [&](size_t i) { return float(std::strtol(string_.substr(i, 2).c_str(), nullptr, 16)) / 255.0f; };
        return Color{byte(1), byte(3), byte(5), string_.size() == 9 ? byte(7) : 1.0f};
    }
    return std::nullopt;
}

std::optional<Font> PropertyValue::asFont() const {
    if (kind_ == Kind::Dictionary) {
        Font f;
        if (const PropertyValue* fam = find("family"); fam && fam->asString()) f.family = *fam->asString();
        const PropertyValue* size = find("size");
        if (!size || !size->asNumber() || *size->asNumber() <= 0) return std::nullopt;
        f.size = float(*size->asNumber());
        if (const PropertyValue* b = find("bold"); b && b->asBool()) f.bold = *b->asBool();
        return f;
    }
    if (kind_ == Kind::String) {
        auto space = string_.find(' ');
        if (space == std::string::npos) return std::nullopt;
        std::string kind = string_.substr(0, space);
        char* end = nullptr;
        double size = std::strtod(string_.c_str() + space + 1, &end);
        if (!end || *end != '\0' || !(size > 0)) return std::nullopt;
        if (kind == "system") return Font::system(float(size));
        if (kind == "boldSystem") return Font::boldSystem(float(size));
    }
    return std::nullopt;
}

}  // namespace platform
