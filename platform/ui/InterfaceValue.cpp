#include "platform/ui/InterfaceValue.h"

#include <cctype>
#include <cstdlib>

namespace platform {

InterfaceValue InterfaceValue::boolean(bool b) {
    InterfaceValue v;
    v.kind_ = Kind::Bool;
    v.bool_ = b;
    return v;
}
InterfaceValue InterfaceValue::number(double n) {
    InterfaceValue v;
    v.kind_ = Kind::Number;
    v.number_ = n;
    return v;
}
InterfaceValue InterfaceValue::string(std::string s) {
    InterfaceValue v;
    v.kind_ = Kind::String;
    v.string_ = std::move(s);
    return v;
}
InterfaceValue InterfaceValue::list(std::vector<InterfaceValue> items) {
    InterfaceValue v;
    v.kind_ = Kind::List;
    v.items_ = std::move(items);
    return v;
}
InterfaceValue InterfaceValue::dictionary(std::vector<std::pair<std::string, InterfaceValue>> entries) {
    InterfaceValue v;
    v.kind_ = Kind::Dictionary;
    v.entries_ = std::move(entries);
    return v;
}

std::optional<bool> InterfaceValue::asBool() const {
    if (kind_ == Kind::Bool) return bool_;
    if (kind_ == Kind::Number) return number_ != 0;
    return std::nullopt;
}
std::optional<double> InterfaceValue::asNumber() const {
    if (kind_ == Kind::Number) return number_;
    return std::nullopt;
}
std::optional<std::string> InterfaceValue::asString() const {
    if (kind_ == Kind::String) return string_;
    return std::nullopt;
}

const InterfaceValue* InterfaceValue::find(std::string_view key) const {
    if (kind_ != Kind::Dictionary) return nullptr;
    for (auto& [k, v] : entries_)
        if (k == key) return &v;
    return nullptr;
}

namespace {
// The numbers of a list, or of the named dictionary entries; nothing if any is missing.
std::optional<std::vector<double>> numbers(const InterfaceValue& v, std::initializer_list<const char*> keys,
                                           size_t minCount, size_t maxCount) {
    std::vector<double> out;
    if (v.kind() == InterfaceValue::Kind::List) {
        if (v.items().size() < minCount || v.items().size() > maxCount) return std::nullopt;
        for (auto& i : v.items()) {
            auto n = i.asNumber();
            if (!n) return std::nullopt;
            out.push_back(*n);
        }
        return out;
    }
    if (v.kind() == InterfaceValue::Kind::Dictionary) {
        for (const char* k : keys) {
            const InterfaceValue* e = v.find(k);
            auto n = e ? e->asNumber() : std::nullopt;
            if (!n) return std::nullopt;
            out.push_back(*n);
        }
        return out;
    }
    return std::nullopt;
}
}  // namespace

std::optional<Rect> InterfaceValue::asRect() const {
    auto n = numbers(*this, {"x", "y", "width", "height"}, 4, 4);
    if (!n) return std::nullopt;
    return Rect{float((*n)[0]), float((*n)[1]), float((*n)[2]), float((*n)[3])};
}

std::optional<Point> InterfaceValue::asPoint() const {
    auto n = numbers(*this, {"x", "y"}, 2, 2);
    if (!n) return std::nullopt;
    return Point{float((*n)[0]), float((*n)[1])};
}

std::optional<Size> InterfaceValue::asSize() const {
    auto n = numbers(*this, {"width", "height"}, 2, 2);
    if (!n) return std::nullopt;
    return Size{float((*n)[0]), float((*n)[1])};
}

std::optional<Color> InterfaceValue::asColor() const {
    auto clamp01 = [](double x) { return float(x < 0 ? 0 : x > 1 ? 1 : x); };
    if (kind_ == Kind::List) {
        auto n = numbers(*this, {}, 3, 4);
        if (!n) return std::nullopt;
        return Color{clamp01((*n)[0]), clamp01((*n)[1]), clamp01((*n)[2]), n->size() == 4 ? clamp01((*n)[3]) : 1.0f};
    }
    if (kind_ == Kind::Dictionary) {
        const InterfaceValue* a = find("alpha");
        float alpha = a && a->asNumber() ? clamp01(*a->asNumber()) : 1.0f;
        if (const InterfaceValue* w = find("white"); w && w->asNumber()) return Color::white(clamp01(*w->asNumber()), alpha);
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

std::optional<Font> InterfaceValue::asFont() const {
    if (kind_ == Kind::Dictionary) {
        Font f;
        if (const InterfaceValue* fam = find("family"); fam && fam->asString()) f.family = *fam->asString();
        const InterfaceValue* size = find("size");
        if (!size || !size->asNumber() || *size->asNumber() <= 0) return std::nullopt;
        f.size = float(*size->asNumber());
        if (const InterfaceValue* b = find("bold"); b && b->asBool()) f.bold = *b->asBool();
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
