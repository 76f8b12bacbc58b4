// Feeds arbitrary bytes to the waveform file reader, whole and cut in two, and checks that the
// cut changes nothing (the same points, the same report of unreadable lines), that no line yields
// more than one point, that no point is NaN and that the named line stays short.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "waveform/WaveformParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const auto cutChoice = input.ConsumeIntegral<std::uint16_t>();
    const std::string text = input.ConsumeRemainingBytesAsString();
    tonquelle::WaveformParser wholeParser;
    wholeParser.Feed(text);
    wholeParser.Finish();
    const std::vector<double>& whole = wholeParser.Points();
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
    const tonquelle::UnreadableLines &cutReport = parser.Unreadable(),
                                     &wholeReport = wholeParser.Unreadable();
    const bool sameReport = cutReport.Count == wholeReport.Count &&
                            cutReport.FirstLine == wholeReport.FirstLine &&
                            cutReport.FirstText == wholeReport.FirstText;
    if (!std::ranges::equal(parser.Points(), whole, sameBits) || parser.TooManyPoints() ||
        std::ssize(whole) > lineEnds + 1 || !sameReport || cutReport.Count > std::ssize(whole) ||
        cutReport.FirstText.size() > 40 * 4 || std::ranges::any_of(whole, [](double point) {
            return std::isnan(point);
        })) {
        std::abort();
    }
    return 0;
}
