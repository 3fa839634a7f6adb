#pragma once
// Strict number reading for options and scripts: the whole text must be a finite decimal number.
// No hex, no "inf" or "nan", no leading or trailing blanks.
#include <cstdint>
#include <optional>
#include <string_view>

namespace host {

std::optional<double> parseNumber(std::string_view text);
// A whole number without a fraction or exponent ("3", "-1").
std::optional<int64_t> parseInteger(std::string_view text);

}  // namespace host
