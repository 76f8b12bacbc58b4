#include "text/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <utility>

#include "tests/support/GermanNumericLocale.h"

namespace tonquelle {
namespace {

constexpr double Infinity = std::numeric_limits<double>::infinity();
const double NaN = std::nan("");

std::string Shown(double value) {
    return FormatNumber(value, 6, true);
}

// What a panel field shows: six significant digits, zeros stripped; worked out by hand.
const std::pair<double, const char*> kShown[] = {
    {440.0, "440"},
    {440.08722, "440.087"},
    {20.465859845615082, "20.4659"},
    {0.1, "0.1"},
    {0.001, "0.001"},
    {0.0000001, "0.0000001"},
    {1.0 / 3.0, "0.333333"},
    {-20.0, "-20"},
    {-0.5, "-0.5"},
    {12345.678, "12345.7"},
    {123456.7, "123457"},
    {1234567.0, "1234567"},
    {100.0, "100"},
    {0.0, "0"},
    {-0.0, "0"},
    {Infinity, "+Infinity"},
    {-Infinity, "-Infinity"},
    {NaN, "NaN"},
    {1.5e-10, "0.00000000015"},
    {-0.000123456789, "-0.000123457"},
    {1e20, "100000000000000000000"},
};

TEST(FormatNumber, SixSignificantDigitsWithZerosStripped) {
    for (const auto& [value, text] : kShown) {
        EXPECT_EQ(Shown(value), text) << value;
    }
    // The smallest denormal, 4.9406564584124654e-324, still shows six significant digits.
    EXPECT_EQ(Shown(5e-324), "0." + std::string(323, '0') + "494066");
}

TEST(FormatNumber, DigitCountsAndStripping) {
    EXPECT_EQ(FormatNumber(440.0, 6, false), "440.000");
    EXPECT_EQ(FormatNumber(-0.0, 6, false), "0.00000");
    EXPECT_EQ(FormatNumber(-2.5, 3, false), "-2.50");
    EXPECT_EQ(FormatNumber(-2.5, 0, false), "-2");  // the tie goes to the even neighbour
    EXPECT_EQ(FormatNumber(0.5, std::numeric_limits<std::int32_t>::min(), false), "0");
    EXPECT_EQ(FormatNumber(0.5, std::numeric_limits<std::int32_t>::max(), false),
              "0.5" + std::string(511, '0'));  // at most 512 decimals
    EXPECT_EQ(DecimalExponent(0.00042, 10.0), -4);
    EXPECT_EQ(DecimalExponent(-20.0, 10.0), 1);
    EXPECT_EQ(DecimalExponent(5.0, 2.0), 2);
    EXPECT_EQ(DecimalExponent(NaN, 10.0), 0);
}

// What typed text reads as, worked out by hand.
const std::pair<std::string, double> kTyped[] = {
    {"440", 440.0},
    {"0,5", 0.5},
    {"0.5", 0.5},
    {"1,5,3", 1.5},
    {"12abc", 12.0},
    {"\t 7", 7.0},
    {"-3", -3.0},
    {"+3", 3.0},
    {"1e3", 1000.0},
    {"2.5E-1", 0.25},
    {"-,5", -0.5},
    {"1e", 1.0},
    {"+INFINITY", Infinity},
    {"-infinity", -Infinity},
    {"1e400", Infinity},
    {"-1e400", -Infinity},
    {"0.001e400", Infinity},
    {"1" + std::string(400, '0'), Infinity},
    {"1e-400", 0.0},
    {"0." + std::string(400, '0') + "1", 0.0},
    // Text without a number at its start reads as 0.
    {"abc", 0.0},
    {"", 0.0},
    {"-", 0.0},
    {"--5", 0.0},
    {".", 0.0},
    {"e5", 0.0},
    // Only the whole special texts are special: typing "-Infinity" letter by letter must not
    // pass through an infinity on the way.
    {"-Inf", 0.0},
    {"-Infinit", 0.0},
    {"inf", 0.0},
    {"NaN1", 0.0},
};

TEST(ParseNumber, TypedText) {
    for (const auto& [text, value] : kTyped) {
        EXPECT_EQ(ParseNumber(text), value) << '"' << text << '"';
    }
    EXPECT_TRUE(std::isnan(ParseNumber("nan")));
    EXPECT_FALSE(std::signbit(ParseNumber("-")));
}

TEST(ParseNumber, FilesTakeOnlyAPointAndTheCLibrarysWords) {
    EXPECT_EQ(ParseNumberPointOnly("0,25"), 0.0);
    EXPECT_EQ(ParseNumberPointOnly("0.25;0.75"), 0.25);
    EXPECT_EQ(ParseNumberPointOnly("-inf"), -Infinity);
    EXPECT_EQ(ParseNumberPointOnly("+Infinity  "), Infinity);
    EXPECT_TRUE(std::isnan(ParseNumberPointOnly("NAN")));
}

// A typed value takes effect only as a complete number: what ParseNumber reads from it, with
// nothing but white space after it. Text on the way to a number never counts.
TEST(ReadCompleteNumber, OnlyWholeNumbersCount) {
    const std::pair<std::string, double> complete[] = {{"-40", -40.0},
                                                       {"440", 440.0},
                                                       {"0,5", 0.5},
                                                       {" 7 ", 7.0},
                                                       {"5.", 5.0},
                                                       {".5", 0.5},
                                                       {"-,5", -0.5},
                                                       {"+3", 3.0},
                                                       {"1e3", 1000.0},
                                                       {"2.5E-1", 0.25},
                                                       {"1e400", Infinity},
                                                       {"1e-400", 0.0},
                                                       {"-Infinity", -Infinity},
                                                       {"+INFINITY", Infinity}};
    for (const auto& [text, value] : complete) {
        EXPECT_EQ(ReadCompleteNumber(text), value) << '"' << text << '"';
    }
    EXPECT_TRUE(std::isnan(ReadCompleteNumber("NaN").value_or(0.0)));
    const std::string incomplete[] = {"",     "-",        "-.",    ".",     "1e",   "1e+",
                                      "abc",  "4O0",      "12abc", "1,5,3", "0x10", "- 5",
                                      "-Inf", "-Infinit", "inf",   " NaN",  "NaN1", "--5"};
    for (const std::string& text : incomplete) {
        EXPECT_EQ(ReadCompleteNumber(text), std::nullopt) << '"' << text << '"';
    }
}

// Lines of waveform files: a point separates decimals; in a line without a point the first comma
// does. Nothing when no number starts the line.
TEST(ReadLineNumber, ACommaIsDecimalOnlyInALineWithoutPoint) {
    const std::pair<std::string, double> lines[] = {
        {"0,5", 0.5}, {"-0,25", -0.25}, {"1,5,3", 1.5},      {"0.25,0.75", 0.25},
        {"3;4", 3.0}, {"12abc", 12.0},  {"-inf", -Infinity}, {"1e3,5", 1000.0}};
    for (const auto& [line, value] : lines) {
        EXPECT_EQ(ReadLineNumber(line), value) << '"' << line << '"';
    }
    for (const std::string line : {"abc", "\t", ",x", "Zeit;Wert", "-"}) {
        EXPECT_EQ(ReadLineNumber(line), std::nullopt) << '"' << line << '"';
    }
}

TEST(NumberText, IndependentOfTheProcessLocale) {
    testing::GermanNumericLocale german;
    if (!german.Active()) {
        GTEST_SKIP() << "no German locale available (install the 'locales' package)";
    }
    EXPECT_EQ(Shown(0.5), "0.5");
    EXPECT_EQ(Shown(440.08722), "440.087");
    EXPECT_EQ(ParseNumber("0.5"), 0.5);
    EXPECT_EQ(ParseNumber("0,5"), 0.5);
    EXPECT_EQ(ParseNumberPointOnly("0.25"), 0.25);
    EXPECT_EQ(ReadCompleteNumber("0,5"), 0.5);
    EXPECT_EQ(ReadLineNumber("0,5"), 0.5);
}

}  // namespace
}  // namespace tonquelle
