#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tonquelle {

// ⌊log|x| / log base⌋; 0 for x = 0, NaN or infinity.
std::int32_t DecimalExponent(double x, double base);

// `value` in fixed-point notation with `significantDigits` significant digits (all integer
// digits of larger values), a point as decimal separator whatever the locale; with `stripZeros`
// trailing zeros after the point and a bare point are removed. Infinities and NaN give
// "+Infinity", "-Infinity" and "NaN".
std::string FormatNumber(double value, std::int32_t significantDigits, bool stripZeros);

// The number at the start of typed `text`: a point or the first comma as decimal separator,
// whatever the locale; "+Infinity", "-Infinity" and "NaN" (the whole text, any letter case);
// 0 when no number starts the text (other words such as "inf" included).
double ParseNumber(std::string_view text);

// The reading of files: only a point separates decimals, and the C library's words "inf",
// "infinity" and "nan" after an optional sign count as numbers, as atof reads them.
double ParseNumberPointOnly(std::string_view text);

}  // namespace tonquelle
