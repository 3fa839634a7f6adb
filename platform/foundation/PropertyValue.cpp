#include "platform/foundation/PropertyValue.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace platform {
namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

size_t skipSpace(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && isSpace(s[i])) ++i;
    return i;
}

int64_t truncateToInteger(double d) {
    if (std::isnan(d)) return 0;
    if (d >= 9.2233720368547758e18) return std::numeric_limits<int64_t>::max();
    if (d <= -9.2233720368547758e18) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(d);
}

}  // namespace

int64_t PropertyValue::integerValueOf(std::string_view s) {
    size_t i = skipSpace(s);
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    // Accumulate as a negative number so INT64_MIN fits.
    int64_t v = 0;
    bool saturated = false;
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    for (; i < s.size() && isDigit(s[i]); ++i) {
        int d = s[i] - '0';
        if (saturated) continue;
        if (v < (kMin + d) / 10) saturated = true;
        else v = v * 10 - d;
    }
    if (saturated) return negative ? kMin : std::numeric_limits<int64_t>::max();
    if (negative) return v;
    return v == kMin ? std::numeric_limits<int64_t>::max() : -v;
}

bool PropertyValue::boolValueOf(std::string_view s) {
    size_t i = skipSpace(s);
    if (i >= s.size()) return false;
    char c = s[i];
    if (c == 'Y' || c == 'y' || c == 'T' || c == 't') return true;
    if (c == '+' || c == '-') ++i;
    while (i < s.size() && s[i] == '0') ++i;
    return i < s.size() && s[i] >= '1' && s[i] <= '9';
}

double PropertyValue::doubleValueOf(std::string_view s) {
    size_t i = skipSpace(s);
    if (i < s.size() && s[i] == '+') ++i;  // from_chars takes no plus sign
    double d = 0;
    auto r = std::from_chars(s.data() + i, s.data() + s.size(), d);
    return r.ec == std::errc() ? d : 0.0;
}

std::optional<std::string> PropertyValue::stringValue() const {
    switch (type()) {
        case Type::String: return *asString();
        case Type::Integer: return std::to_string(*asInteger());
        case Type::Boolean: return std::string(*asBoolean() ? "1" : "0");
        case Type::Real: {
            char buf[32];
            auto r = std::to_chars(buf, buf + sizeof buf, *asReal());  // shortest exact text
            return std::string(buf, r.ptr);
        }
        default: return std::nullopt;
    }
}

int64_t PropertyValue::integerValue() const {
    switch (type()) {
        case Type::Integer: return *asInteger();
        case Type::Boolean: return *asBoolean() ? 1 : 0;
        case Type::Real: return truncateToInteger(*asReal());
        case Type::String: return integerValueOf(*asString());
        default: return 0;
    }
}

double PropertyValue::doubleValue() const {
    switch (type()) {
        case Type::Integer: return static_cast<double>(*asInteger());
        case Type::Boolean: return *asBoolean() ? 1.0 : 0.0;
        case Type::Real: return *asReal();
        case Type::String: return doubleValueOf(*asString());
        default: return 0;
    }
}

bool PropertyValue::boolValue() const {
    switch (type()) {
        case Type::Boolean: return *asBoolean();
        case Type::Integer: return *asInteger() != 0;
        case Type::Real: return *asReal() != 0;
        case Type::String: return boolValueOf(*asString());
        default: return false;
    }
}

}  // namespace platform
