#pragma once

#include <cstdint>

class QComboBox;

namespace tonquelle {

// Selects the entry whose item data equals `value`, searching from the last entry to the first
// (so the last of several equal entries wins), and returns its position. Without a match the
// entry at `fallback` is selected (-1 or any other position outside the list: no selection) and
// `fallback` is returned. Selecting from the program never counts as a user action.
std::int32_t SelectComboItemByData(QComboBox& list, std::int32_t value, std::int32_t fallback);

}  // namespace tonquelle
