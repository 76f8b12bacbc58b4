#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "waveform/UnreadableLines.h"

namespace tonquelle {

// Reads the points of a waveform text, fed in pieces of any size: one number per line; lines
// end at LF, CR, CR LF or NUL; spaces (not tabs) around a line are dropped and lines left empty
// are skipped; a UTF-8 byte order mark at the very start is skipped. A decimal comma counts in
// a line without a point ("0,5"). A line that does not start with a number, and a NaN, is the
// point 0.
class WaveformParser {
  public:
    // Appends the next bytes of the text. May throw std::bad_alloc.
    void Feed(std::string_view bytes);
    // Ends the text: a last line without line end counts. May throw std::bad_alloc.
    void Finish();

    const std::vector<double>& Points() const { return points_; }
    const UnreadableLines& Unreadable() const { return unreadable_; }
    // More points than a table can count: the text must be refused.
    bool TooManyPoints() const { return tooMany_; }

  private:
    void EndLine();
    void AddPoint(std::string_view line);

    std::vector<double> points_;
    UnreadableLines unreadable_;
    std::string line_;            // the bytes of the line read so far
    std::int64_t lineCount_ = 0;  // lines ended so far
    bool afterCR_ = false;        // the last byte was a CR, so an LF now ends nothing
    bool tooMany_ = false;
};

// The points of a whole text, as WaveformParser reads them. May throw std::bad_alloc.
std::vector<double> ParseWaveformPoints(std::string_view text);

}  // namespace tonquelle
