// Feeds arbitrary bytes to the waveform file reader, whole and cut in two, and checks that the
// cut changes nothing (the same bits, NaN payloads included) and that no line yields more than
// one point.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "waveform/WaveformParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const auto cutChoice = input.ConsumeIntegral<std::uint16_t>();
    const std::string text = input.ConsumeRemainingBytesAsString();
    const std::vector<double> whole = tonquelle::ParseWaveformPoints(text);
    tonquelle::WaveformParser parser;
    const std::size_t cut = cutChoice % (text.size() + 1);
    parser.Feed(std::string_view(text).substr(0, cut));
    parser.Feed(std::string_view(text).substr(cut));
    parser.Finish();
    const auto sameBits = [](double a, double b) {
        return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
    };
    const auto lineEnds =
        std::ranges::count_if(text, [](char c) { return c == '\n' || c == '\r' || c == '\0'; });
    if (!std::ranges::equal(parser.Points(), whole, sameBits) || parser.TooManyPoints() ||
        std::ssize(whole) > lineEnds + 1) {
        std::abort();
    }
    return 0;
}
