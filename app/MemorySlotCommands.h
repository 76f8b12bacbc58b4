#pragma once

#include <memory>
#include <vector>

#include <QString>

#include "channel/ChannelPanel.h"
#include "records/OutputStream.h"
#include "settings/SettingsStore.h"

namespace tonquelle {

using PanelVector = std::vector<std::unique_ptr<ChannelPanel>>;

// `text` without leading and trailing spaces (U+0020 only; tabs and other blanks stay).
QString TrimSpaces(const QString& text);

// Saves the running channels into `slot` under the name the user answered: the answer without
// its outer spaces becomes the name, and each panel's record goes to the slot's entry at its
// channel position; entries without a panel keep their content. An answer that is empty or all
// spaces (a cancelled prompt) saves nothing. True when the slot was saved.
bool SaveSlot(MemorySlot& slot, const QString& answer, const PanelVector& panels);

// Copies the slot's entry at each panel's channel position into that channel's record, publishes
// it and shows it in the panel. The slot's name and the panels' units are not loaded; a unit
// changes only when a loaded value has no decibel form.
void LoadSlot(const MemorySlot& slot, const PanelVector& panels, OutputStream& stream);

}  // namespace tonquelle
