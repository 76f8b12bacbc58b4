#include "channel/NumberText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

#include "tests/support/GermanNumericLocale.h"

namespace tonquelle {
namespace {

constexpr double Infinity = std::numeric_limits<double>::infinity();

std::string Shown(double value) {
    return FormatNumber(value, 6, true);
}

TEST(FormatNumber, SixSignificantDigitsWithZerosStripped) {
    EXPECT_EQ(Shown(440.0), "440");
    EXPECT_EQ(Shown(440.08722), "440.087");
    EXPECT_EQ(Shown(20.465859845615082), "20.4659");
    EXPECT_EQ(Shown(0.1), "0.1");
    EXPECT_EQ(Shown(0.001), "0.001");
    EXPECT_EQ(Shown(0.0000001), "0.0000001");
    EXPECT_EQ(Shown(1.0 / 3.0), "0.333333");
    EXPECT_EQ(Shown(-20.0), "-20");
    EXPECT_EQ(Shown(-0.5), "-0.5");
    EXPECT_EQ(Shown(12345.678), "12345.7");
    EXPECT_EQ(Shown(123456.7), "123457");
    EXPECT_EQ(Shown(1234567.0), "1234567");
    EXPECT_EQ(Shown(100.0), "100");
    EXPECT_EQ(Shown(1e20), "100000000000000000000");
}

TEST(FormatNumber, ZeroHasNoSign) {
    EXPECT_EQ(Shown(0.0), "0");
    EXPECT_EQ(Shown(-0.0), "0");
    EXPECT_EQ(FormatNumber(-0.0, 6, false), "0.00000");
}

TEST(FormatNumber, SpecialValuesHaveFixedTexts) {
    EXPECT_EQ(Shown(Infinity), "+Infinity");
    EXPECT_EQ(Shown(-Infinity), "-Infinity");
    EXPECT_EQ(Shown(std::nan("")), "NaN");
    EXPECT_EQ(FormatNumber(Infinity, 6, false), "+Infinity");
}

TEST(FormatNumber, WithoutStrippingKeepsEveryDecimal) {
    EXPECT_EQ(FormatNumber(440.0, 6, false), "440.000");
    EXPECT_EQ(FormatNumber(0.5, 6, false), "0.500000");
    EXPECT_EQ(FormatNumber(123456.7, 6, false), "123457");
    EXPECT_EQ(FormatNumber(-2.5, 3, false), "-2.50");
}

TEST(FormatNumber, ExtremeDigitCountsAreLimited) {
    EXPECT_EQ(FormatNumber(0.5, std::numeric_limits<std::int32_t>::min(), false), "0");
    EXPECT_EQ(FormatNumber(-2.5, 0, false), "-2");  // the tie goes to the even neighbour
    const std::string many = FormatNumber(0.5, std::numeric_limits<std::int32_t>::max(), false);
    EXPECT_EQ(many, "0.5" + std::string(511, '0'));
}

TEST(FormatNumber, TinyValuesKeepTheirSignificantDigits) {
    EXPECT_EQ(Shown(1.5e-10), "0.00000000015");
    EXPECT_EQ(Shown(-0.000123456789), "-0.000123457");
    // The smallest denormal, 4.9406564584124654e-324, still shows six significant digits.
    EXPECT_EQ(Shown(5e-324), "0." + std::string(323, '0') + "494066");
}

TEST(DecimalExponent, FloorOfTheLogarithm) {
    EXPECT_EQ(DecimalExponent(5.0, 10.0), 0);
    EXPECT_EQ(DecimalExponent(0.5, 10.0), -1);
    EXPECT_EQ(DecimalExponent(-20.0, 10.0), 1);
    EXPECT_EQ(DecimalExponent(12345.678, 10.0), 4);
    EXPECT_EQ(DecimalExponent(0.00042, 10.0), -4);
    EXPECT_EQ(DecimalExponent(5.0, 2.0), 2);
    EXPECT_EQ(DecimalExponent(0.0, 10.0), 0);
    EXPECT_EQ(DecimalExponent(std::nan(""), 10.0), 0);
    EXPECT_EQ(DecimalExponent(-Infinity, 10.0), 0);
}

TEST(ParseNumber, TypedNumbers) {
    EXPECT_EQ(ParseNumber("440"), 440.0);
    EXPECT_EQ(ParseNumber("0,5"), 0.5);
    EXPECT_EQ(ParseNumber("0.5"), 0.5);
    EXPECT_EQ(ParseNumber("1,5,3"), 1.5);
    EXPECT_EQ(ParseNumber("12abc"), 12.0);
    EXPECT_EQ(ParseNumber(" 7"), 7.0);
    EXPECT_EQ(ParseNumber("\t 7"), 7.0);
    EXPECT_EQ(ParseNumber("-3"), -3.0);
    EXPECT_EQ(ParseNumber("+3"), 3.0);
    EXPECT_EQ(ParseNumber("1e3"), 1000.0);
    EXPECT_EQ(ParseNumber("2.5E-1"), 0.25);
    EXPECT_EQ(ParseNumber(".5"), 0.5);
    EXPECT_EQ(ParseNumber("-,5"), -0.5);
    EXPECT_EQ(ParseNumber("5."), 5.0);
    EXPECT_EQ(ParseNumber("1e"), 1.0);
}

TEST(ParseNumber, TextWithoutANumberReadsAsZero) {
    for (const char* text : {"abc", "", "-", "+", "--5", "+-5", ".", "e5", " "}) {
        const double value = ParseNumber(text);
        EXPECT_EQ(value, 0.0) << '"' << text << '"';
        EXPECT_FALSE(std::signbit(value)) << '"' << text << '"';
    }
}

TEST(ParseNumber, SpecialTextsInAnyLetterCase) {
    EXPECT_TRUE(std::isnan(ParseNumber("nan")));
    EXPECT_TRUE(std::isnan(ParseNumber("NaN")));
    EXPECT_EQ(ParseNumber("+INFINITY"), Infinity);
    EXPECT_EQ(ParseNumber("+Infinity"), Infinity);
    EXPECT_EQ(ParseNumber("-infinity"), -Infinity);
}

TEST(ParseNumber, OnlyTheWholeSpecialTextsAreSpecial) {
    // Typing "-Infinity" letter by letter must not pass through an infinity on the way.
    for (const char* text : {"-Inf", "-Infinit", "inf", "+inf", "infinity", "NaN1", "-NaN"}) {
        EXPECT_EQ(ParseNumber(text), 0.0) << text;
    }
}

TEST(ParseNumber, MagnitudesBeyondADouble) {
    EXPECT_EQ(ParseNumber("1e400"), Infinity);
    EXPECT_EQ(ParseNumber("-1e400"), -Infinity);
    EXPECT_EQ(ParseNumber("1" + std::string(400, '0')), Infinity);
    EXPECT_EQ(ParseNumber("1e-400"), 0.0);
    EXPECT_EQ(ParseNumber("0." + std::string(400, '0') + "1"), 0.0);
    EXPECT_EQ(ParseNumber("0.001e400"), Infinity);
}

TEST(ParseNumber, PointOnlyReadingLeavesCommasAlone) {
    EXPECT_EQ(ParseNumberPointOnly("0,25"), 0.0);
    EXPECT_EQ(ParseNumberPointOnly("0.25;0.75"), 0.25);
    EXPECT_EQ(ParseNumberPointOnly("-1"), -1.0);
    EXPECT_TRUE(std::isnan(ParseNumberPointOnly("NAN")));
    EXPECT_EQ(ParseNumberPointOnly("-inf"), -Infinity);
    EXPECT_EQ(ParseNumberPointOnly("+Infinity  "), Infinity);
}

TEST(NumberText, RoundTripOfShownValues) {
    for (double value : {440.0, -20.0, 0.001, 12345.7, 1e-7, -0.5}) {
        EXPECT_DOUBLE_EQ(ParseNumber(Shown(value)), value) << value;
    }
}

TEST(NumberText, IndependentOfTheProcessLocale) {
    testing::GermanNumericLocale german;
    if (!german.Active()) {
        GTEST_SKIP() << "no German locale available (install the 'locales' package)";
    }
    // Make sure the locale really is in force: the C library now writes a comma.
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%.1f", 0.5);
    ASSERT_STREQ(buffer, "0,5");

    EXPECT_EQ(Shown(0.5), "0.5");
    EXPECT_EQ(Shown(440.08722), "440.087");
    EXPECT_EQ(Shown(1234567.0), "1234567");
    EXPECT_EQ(ParseNumber("0.5"), 0.5);
    EXPECT_EQ(ParseNumber("0,5"), 0.5);
    EXPECT_EQ(ParseNumberPointOnly("0.25"), 0.25);
    EXPECT_EQ(ParseNumber("1e3"), 1000.0);
}

}  // namespace
}  // namespace tonquelle
