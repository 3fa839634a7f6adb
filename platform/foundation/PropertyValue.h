#pragma once
// One property-list value: boolean, integer, real, string, date, data, array or dictionary.
// Every type a preferences file can hold has its own alternative, so reading a domain and writing
// it back keeps every key as it was. Conversions between types follow the rules the application
// relies on: a string's integer value and boolean value, numbers read as text.
#include <compare>
#include <concepts>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace platform {

class PropertyValue;
using PropertyArray = std::vector<PropertyValue>;
// std::map with a value type completed later: supported by libstdc++, which is all we build with.
using PropertyDictionary = std::map<std::string, PropertyValue>;
using PropertyData = std::vector<uint8_t>;

// A moment as seconds since 2001-01-01 00:00:00 UTC, the epoch of property-list dates.
struct PropertyDate {
    double secondsSinceReferenceDate = 0;
    bool operator==(const PropertyDate&) const = default;
};

class PropertyValue {
public:
    enum class Type { Boolean, Integer, Real, String, Date, Data, Array, Dictionary };

    // The integer 0.
    PropertyValue() : v_(int64_t{0}) {}
    PropertyValue(bool b) : v_(b) {}
    template <std::integral T>
        requires(!std::same_as<T, bool>)
    PropertyValue(T i) : v_(static_cast<int64_t>(i)) {}
    PropertyValue(double d) : v_(d) {}
    PropertyValue(float f) : v_(static_cast<double>(f)) {}
    PropertyValue(const char* s) : v_(std::string(s ? s : "")) {}
    PropertyValue(std::string s) : v_(std::move(s)) {}
    PropertyValue(std::string_view s) : v_(std::string(s)) {}
    PropertyValue(PropertyDate d) : v_(d) {}
    PropertyValue(PropertyData d) : v_(std::move(d)) {}
    PropertyValue(PropertyArray a) : v_(std::move(a)) {}
    PropertyValue(PropertyDictionary d) : v_(std::move(d)) {}

    Type type() const { return static_cast<Type>(v_.index()); }
    bool operator==(const PropertyValue& o) const { return v_ == o.v_; }

    // The value when it has exactly this type, else null.
    const bool* asBoolean() const { return std::get_if<bool>(&v_); }
    const int64_t* asInteger() const { return std::get_if<int64_t>(&v_); }
    const double* asReal() const { return std::get_if<double>(&v_); }
    const std::string* asString() const { return std::get_if<std::string>(&v_); }
    const PropertyDate* asDate() const { return std::get_if<PropertyDate>(&v_); }
    const PropertyData* asData() const { return std::get_if<PropertyData>(&v_); }
    const PropertyArray* asArray() const { return std::get_if<PropertyArray>(&v_); }
    PropertyArray* asArray() { return std::get_if<PropertyArray>(&v_); }
    const PropertyDictionary* asDictionary() const { return std::get_if<PropertyDictionary>(&v_); }
    PropertyDictionary* asDictionary() { return std::get_if<PropertyDictionary>(&v_); }

    // A string as itself; a number as its decimal text (a boolean as "1" or "0"); otherwise nothing.
    std::optional<std::string> stringValue() const;
    // A number (reals truncated toward zero) or a boolean as 0/1; a string's integerValueOf; else 0.
    int64_t integerValue() const;
    double doubleValue() const;
    // A boolean; a non-zero number; a string's boolValueOf; else false.
    bool boolValue() const;

    // A string's integer value: leading whitespace, an optional sign, then digits up to the first
    // non-digit; 0 when there are none. Out-of-range values saturate.
    static int64_t integerValueOf(std::string_view s);
    // A string's boolean value: true when, after leading whitespace, it starts with Y, y, T or t,
    // or is an integer that is not zero (sign and leading zeros allowed, the rest ignored).
    static bool boolValueOf(std::string_view s);
    // A string's real value (leading whitespace, then as much of a decimal number as there is).
    static double doubleValueOf(std::string_view s);

private:
    // The order matches Type.
    std::variant<bool, int64_t, double, std::string, PropertyDate, PropertyData, PropertyArray,
                 PropertyDictionary>
        v_;
};

}  // namespace platform
