#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tonquelle {

// The lines of a waveform file that were not numbers (each gave the point 0).
struct UnreadableLines {
    std::int64_t Count = 0;
    std::int64_t FirstLine = 0;  // the first one's number, counting every line from 1
    std::string FirstText;       // its text (UTF-8), shortened to at most 40 characters
};

// `text` (UTF-8) shortened to at most `limit` (1 or more) characters, the last of them "…" when
// it was longer; bytes that are not UTF-8, and control characters but the tab, show as "�".
std::string ShortenedText(std::string_view text, std::size_t limit);

// The German message naming how many lines of the file at `path` (as shown to the user) were
// not numbers, and the first of them. Only for a count of 1 or more.
std::string UnreadableLinesMessage(std::string_view path, const UnreadableLines& lines);

}  // namespace tonquelle
