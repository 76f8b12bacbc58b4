#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

namespace tonquelle::testing {

// Bytes shown on either side of the first difference.
inline constexpr std::size_t BytesAroundDifference = 6;

// The bytes of `bytes` from `first` up to `end` (limited to the size) in hex; the byte at
// `mark` in brackets.
inline std::string HexBytes(std::span<const std::uint8_t> bytes, std::size_t first, std::size_t end,
                            std::size_t mark) {
    std::string text;
    for (std::size_t i = first; i < std::min(end, bytes.size()); ++i) {
        char hex[8];
        std::snprintf(hex, sizeof hex, i == mark ? "[%02x]" : " %02x ", bytes[i]);
        text += hex;
    }
    return text.empty() ? "(none)" : text;
}

// Passes when both buffers hold the same bytes. A failure names the sizes when they differ and
// the offset of the first differing byte, with a few bytes of both around it, never the whole
// buffers.
inline ::testing::AssertionResult SameBytes(std::span<const std::uint8_t> actual,
                                            std::span<const std::uint8_t> expected) {
    const auto [differs, _] = std::ranges::mismatch(actual, expected);
    const auto offset = static_cast<std::size_t>(differs - actual.begin());
    if (offset == actual.size() && actual.size() == expected.size()) {
        return ::testing::AssertionSuccess();
    }
    const std::size_t first = offset > BytesAroundDifference ? offset - BytesAroundDifference : 0;
    const std::size_t end = offset + BytesAroundDifference + 1;
    return ::testing::AssertionFailure()
           << actual.size() << " bytes, expected " << expected.size()
           << "; the first difference at byte " << offset << " (bytes " << first << " on):\n"
           << "  actual:   " << HexBytes(actual, first, end, offset) << "\n"
           << "  expected: " << HexBytes(expected, first, end, offset);
}

// The same for bytes held in strings (a file's contents).
inline ::testing::AssertionResult SameBytes(std::string_view actual, std::string_view expected) {
    const auto bytes = [](std::string_view text) {
        return std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    };
    return SameBytes(bytes(actual), bytes(expected));
}

}  // namespace tonquelle::testing
