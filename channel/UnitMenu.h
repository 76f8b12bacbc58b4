#pragma once

#include <cstdint>

class QMenu;
class QWidget;

namespace tonquelle {

struct ChannelPanel;

// What the next choice in the unit menu applies to: one unit field of one panel and the change
// bit that announces it. Set by a unit button, kept until the next one. UI thread only.
struct UnitMenuTarget {
    ChannelPanel* Panel = nullptr;
    std::int32_t* Unit = nullptr;
    std::uint64_t Bit = 0;
};

// Shows `unitMenu` with its top-left corner at the bottom-left corner of `button`, after bringing
// `owner` to the front; returns when the menu closes. A choice arrives through the menu's actions.
void ShowUnitMenu(QWidget& owner, QMenu& unitMenu, QWidget& button);

}  // namespace tonquelle
