#pragma once

#include "channel/ChannelPanel.h"
#include "records/OutputStream.h"

namespace tonquelle {

// Works through panel.PendingChanges and clears it: the operated controls into the record, the
// decibel fallback of a unit whose value has no decibel form, publication of the record when a
// value changed, then the record into every other control that shows a changed value.
// UI thread.
void SyncChannelPanel(ChannelPanel& panel, OutputStream& stream);

}  // namespace tonquelle
