#include "waveform/WaveformParser.h"

#include <cmath>
#include <limits>
#include <optional>

#include "text/NumberText.h"

namespace tonquelle {

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view LineEnds{"\n\r\0", 3};
// Characters of an unreadable line kept for the message that names it.
constexpr std::size_t UnreadableTextLimit = 40;

std::string_view TrimSpaces(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

}  // namespace

void WaveformParser::Feed(std::string_view bytes) {
    while (!bytes.empty()) {
        if (afterCR_ && bytes.front() == '\n') {
            bytes.remove_prefix(1);
        }
        afterCR_ = false;
        const auto end = bytes.find_first_of(LineEnds);
        if (end == std::string_view::npos) {
            line_.append(bytes);
            return;
        }
        line_.append(bytes.substr(0, end));
        afterCR_ = bytes[end] == '\r';
        bytes.remove_prefix(end + 1);
        EndLine();
    }
}

void WaveformParser::Finish() {
    if (!line_.empty()) {
        EndLine();
    }
    afterCR_ = false;
}

void WaveformParser::EndLine() {
    std::string_view line = line_;
    if (lineCount_ == 0 && line.starts_with(ByteOrderMark)) {
        line.remove_prefix(ByteOrderMark.size());
    }
    ++lineCount_;
    line = TrimSpaces(line);
    if (!line.empty()) {
        if (points_.size() >= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
            tooMany_ = true;
        } else {
            AddPoint(line);
        }
    }
    line_.clear();
}

void WaveformParser::AddPoint(std::string_view line) {
    const std::optional<double> value = ReadLineNumber(line);
    if (!value) {
        if (unreadable_.Count++ == 0) {
            unreadable_.FirstLine = lineCount_;
            unreadable_.FirstText = ShortenedText(line, UnreadableTextLimit);
        }
    }
    // A NaN point counts as 0: between its neighbours it would silence both stretches.
    points_.push_back(value && !std::isnan(*value) ? *value : 0.0);
}

std::vector<double> ParseWaveformPoints(std::string_view text) {
    WaveformParser parser;
    parser.Feed(text);
    parser.Finish();
    return parser.Points();
}

}  // namespace tonquelle
