#include "app/MemorySlotCommands.h"

#include "channel/PanelSync.h"

namespace tonquelle {

QString TrimSpaces(const QString& text) {
    qsizetype first = 0;
    qsizetype end = text.size();
    while (first < end && text[first] == QChar(u' ')) {
        ++first;
    }
    while (end > first && text[end - 1] == QChar(u' ')) {
        --end;
    }
    return text.mid(first, end - first);
}

bool SaveSlot(MemorySlot& slot, const QString& answer, const PanelVector& panels) {
    const QString name = TrimSpaces(answer);
    if (name.isEmpty()) {
        return false;
    }
    slot.Name = name.toStdString();
    for (const auto& panel : panels) {
        slot.Channels[static_cast<std::size_t>(panel->ChannelIndex)] = *panel->Settings;
    }
    return true;
}

void LoadSlot(const MemorySlot& slot, const PanelVector& panels, OutputStream& stream) {
    for (const auto& panel : panels) {
        *panel->Settings = slot.Channels[static_cast<std::size_t>(panel->ChannelIndex)];
        panel->PendingChanges |= ValueBits;
        SyncChannelPanel(*panel, stream);
    }
}

}  // namespace tonquelle
