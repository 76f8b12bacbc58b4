// Feeds arbitrary text to the number readers and arbitrary doubles to the number writer, and
// checks that the readers accept what the writer produces and that a complete typed number reads
// as ParseNumber reads it.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "text/NumberText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tonquelle;
    FuzzedDataProvider input(data, size);
    // Callers ask for a handful of digits; the range leaves room to spare without overflow.
    const auto digits = input.ConsumeIntegralInRange<std::int32_t>(-1000, 1000);
    const bool stripZeros = input.ConsumeBool();
    const double value = input.ConsumeFloatingPoint<double>();
    const std::string text = input.ConsumeRemainingBytesAsString();

    const double typed = ParseNumber(text);
    ParseNumberPointOnly(text);
    ReadLineNumber(text);
    // A complete number is what ParseNumber reads from it.
    const std::optional<double> complete = ReadCompleteNumber(text);
    if (complete && !(*complete == typed || (std::isnan(*complete) && std::isnan(typed)))) {
        std::abort();
    }

    const std::string shown = FormatNumber(value, digits, stripZeros);
    const double parsed = ParseNumber(shown);
    // What a field shows can be typed back as a whole.
    if (!ReadCompleteNumber(shown)) {
        std::abort();
    }
    // Every text the writer makes is a number to the reader: the same kind of value, same sign.
    if (std::isnan(value) != std::isnan(parsed) || std::isinf(value) != std::isinf(parsed) ||
        (std::isinf(value) && value != parsed) ||
        (parsed != 0.0 && std::signbit(parsed) != std::signbit(value))) {
        std::abort();
    }
    return 0;
}
