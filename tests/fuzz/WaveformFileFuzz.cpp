// Feeds arbitrary bytes to the waveform file reader, whole and cut in two, and checks that the
// cut changes nothing and that no line yields more than one point.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "waveform/WaveformParser.h"

namespace {

bool SamePoints(const std::vector<double>& a, const std::vector<double>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](double x, double y) {
        return x == y || (std::isnan(x) && std::isnan(y));
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tonquelle;
    FuzzedDataProvider input(data, size);
    const auto cutChoice = input.ConsumeIntegral<std::uint16_t>();
    const std::string text = input.ConsumeRemainingBytesAsString();
    const std::string_view view(text);

    const std::vector<double> whole = ParseWaveformPoints(view);

    const std::size_t cut = text.empty() ? 0 : cutChoice % (text.size() + 1);
    WaveformParser parser;
    parser.Feed(view.substr(0, cut));
    parser.Feed(view.substr(cut));
    parser.Finish();
    if (!SamePoints(parser.Points(), whole) || parser.TooManyPoints()) {
        std::abort();
    }

    const auto lineEnds = std::count_if(text.begin(), text.end(),
                                        [](char c) { return c == '\n' || c == '\r' || c == '\0'; });
    if (whole.size() > static_cast<std::size_t>(lineEnds) + 1) {
        std::abort();
    }
    return 0;
}
