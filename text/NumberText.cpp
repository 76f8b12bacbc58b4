#include "text/NumberText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "text/AsciiText.h"

namespace tonquelle {

namespace {

constexpr std::int32_t MaxDecimals = 512;

// A number too large or too small for a double reads as infinity or zero, as the C library's
// scan does. Tells which by the decimal position of the first significant digit.
bool MagnitudeOverflows(std::string_view digits) {
    std::int64_t position = 0;  // decimal exponent of the first significant digit
    bool seenSignificant = false;
    bool afterPoint = false;
    std::size_t i = 0;
    for (; i < digits.size(); ++i) {
        const char c = digits[i];
        if (c == '.') {
            afterPoint = true;
        } else if (!IsAsciiDigit(c)) {
            break;
        } else if (!seenSignificant) {
            if (c != '0') {
                seenSignificant = true;
            } else if (afterPoint) {
                --position;
            }
            if (seenSignificant && afterPoint) {
                --position;
            }
        } else if (!afterPoint) {
            ++position;
        }
    }
    std::int64_t exponent = 0;
    if (i < digits.size() && (digits[i] == 'e' || digits[i] == 'E')) {
        ++i;
        const bool negative = i < digits.size() && digits[i] == '-';
        if (i < digits.size() && (digits[i] == '-' || digits[i] == '+')) {
            ++i;
        }
        for (; i < digits.size() && IsAsciiDigit(digits[i]); ++i) {
            exponent = std::min<std::int64_t>(exponent * 10 + (digits[i] - '0'), 1'000'000);
        }
        if (negative) {
            exponent = -exponent;
        }
    }
    return position + exponent > 0;
}

// The three special texts, compared as whole texts without regard to letter case.
std::optional<double> SpecialText(std::string_view text) {
    if (EqualsIgnoringAsciiCase(text, "+Infinity")) {
        return std::numeric_limits<double>::infinity();
    }
    if (EqualsIgnoringAsciiCase(text, "-Infinity")) {
        return -std::numeric_limits<double>::infinity();
    }
    if (EqualsIgnoringAsciiCase(text, "NaN")) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return std::nullopt;
}

// A number read from the start of a text, and the position just after it.
struct Scanned {
    double Value;
    std::size_t End;
};

// The number at the start of the text in the C locale's notation, after white space and an
// optional sign; nothing when no number starts there. With `acceptWords` the C library's words
// for infinity and NaN ("inf", "nan", ...) count as numbers too, as in files; typed text takes
// only the whole special texts.
std::optional<Scanned> ScanNumber(std::string_view text, bool acceptWords) {
    std::size_t i = 0;
    while (i < text.size() && IsAsciiSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::string_view rest = text.substr(i);
    if (rest.empty() || rest.front() == '+' || rest.front() == '-') {
        return std::nullopt;
    }
    // Typed text: a half-typed "-Infinity" must not become an infinity at "-Inf".
    if (!acceptWords && !(IsAsciiDigit(rest.front()) || rest.front() == '.')) {
        return std::nullopt;
    }
    double value = 0.0;
    const auto [end, error] =
        std::from_chars(rest.data(), rest.data() + rest.size(), value, std::chars_format::general);
    if (error == std::errc::invalid_argument) {
        return std::nullopt;
    }
    if (error == std::errc::result_out_of_range) {
        value = MagnitudeOverflows(rest) ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return Scanned{negative ? -value : value, i + static_cast<std::size_t>(end - rest.data())};
}

// The special texts, then the number at the start of the text; nothing when neither is there.
std::optional<double> ReadLeadingNumber(std::string_view text, bool acceptWords) {
    if (const std::optional<double> special = SpecialText(text)) {
        return special;
    }
    if (const std::optional<Scanned> scanned = ScanNumber(text, acceptWords)) {
        return scanned->Value;
    }
    return std::nullopt;
}

// `text` with its first comma, if any, turned into a decimal point.
std::string WithCommaAsPoint(std::string_view text) {
    std::string withPoint(text);
    if (const std::size_t comma = withPoint.find(','); comma != std::string::npos) {
        withPoint[comma] = '.';
    }
    return withPoint;
}

}  // namespace

std::int32_t DecimalExponent(double x, double base) {
    if (x == 0.0 || !std::isfinite(x)) {
        return 0;
    }
    return static_cast<std::int32_t>(std::floor(std::log(std::fabs(x)) / std::log(base)));
}

std::string FormatNumber(double value, std::int32_t significantDigits, bool stripZeros) {
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value > 0 ? "+Infinity" : "-Infinity";
    }
    if (value == 0.0) {
        value = 0.0;  // never "-0"
    }
    const std::int32_t exponent = DecimalExponent(value, 10.0);
    // Formed in 64 bits: any digit count a caller passes is limited, never overflowed.
    const auto decimals = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(std::int64_t{significantDigits} - (exponent + 1), 0, MaxDecimals));
    // 309 integer digits, a sign, a point and the decimals fit.
    std::array<char, 320 + MaxDecimals> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, decimals);
    std::string text(buffer.data(), result.ptr);
    if (stripZeros && text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') {
            text.pop_back();
        }
    }
    return text;
}

double ParseNumber(std::string_view text) {
    return ReadLeadingNumber(WithCommaAsPoint(text), false).value_or(0.0);
}

std::optional<double> ReadCompleteNumber(std::string_view text) {
    const std::string withPoint = WithCommaAsPoint(text);
    if (const std::optional<double> special = SpecialText(withPoint)) {
        return special;
    }
    const std::optional<Scanned> scanned = ScanNumber(withPoint, false);
    if (!scanned) {
        return std::nullopt;
    }
    const std::string_view rest = std::string_view(withPoint).substr(scanned->End);
    if (!std::ranges::all_of(rest, IsAsciiSpace)) {
        return std::nullopt;
    }
    return scanned->Value;
}

double ParseNumberPointOnly(std::string_view text) {
    return ReadLeadingNumber(text, true).value_or(0.0);
}

std::optional<double> ReadLineNumber(std::string_view line) {
    if (line.find(',') != std::string_view::npos && line.find('.') == std::string_view::npos) {
        return ReadLeadingNumber(WithCommaAsPoint(line), true);
    }
    return ReadLeadingNumber(line, true);
}

}  // namespace tonquelle
