// Feeds arbitrary bytes to the waveform file reader, whole and cut in two, and checks that the
// cut changes nothing and that no line yields more than one point.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
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
    // The same text gives the same bits, NaN payloads included.
    const std::vector<double>& pieces = parser.Points();
    if (pieces.size() != whole.size() || parser.TooManyPoints() ||
        (!whole.empty() &&
         std::memcmp(pieces.data(), whole.data(), whole.size() * sizeof(double)) != 0)) {
        std::abort();
    }
    const auto lineEnds = std::count_if(text.begin(), text.end(),
                                        [](char c) { return c == '\n' || c == '\r' || c == '\0'; });
    if (whole.size() > static_cast<std::size_t>(lineEnds) + 1) {
        std::abort();
    }
    return 0;
}
