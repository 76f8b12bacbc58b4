#pragma once

#include <cstdint>
#include <optional>
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

// The value of typed `text` when the whole of it is one number (white space around it allowed):
// what ParseNumber reads, but nothing for text that only starts with a number or holds none
// ("", "-", "-.", "1e", "abc", "4O0", "12abc"), so that a half-typed value never takes effect.
std::optional<double> ReadCompleteNumber(std::string_view text);

// The reading of files: only a point separates decimals, and the C library's words "inf",
// "infinity" and "nan" after an optional sign count as numbers, as atof reads them.
double ParseNumberPointOnly(std::string_view text);

// The number at the start of a line of a waveform file: as ParseNumberPointOnly, except that in
// a line without any point the first comma is the decimal separator ("0,5", as the panel fields
// take it). Nothing when no number starts the line.
std::optional<double> ReadLineNumber(std::string_view line);

}  // namespace tonquelle
