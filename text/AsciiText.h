#pragma once

#include <algorithm>
#include <string_view>

namespace tonquelle {

// Character tests and comparisons of the C locale, whatever locale the process runs in: numbers
// and names in files and fields are read the same everywhere.

inline bool IsAsciiSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');  // blank, tab, LF, VT, FF, CR
}

inline bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

inline char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Equal but for the letter case of A-Z; every other byte compares exactly.
inline bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

}  // namespace tonquelle
