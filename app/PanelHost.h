#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "records/OutputStream.h"
#include "settings/SettingsStore.h"

class QMainWindow;
class QMenu;
class QWidget;

namespace tonquelle {

class MessageSink;

// What the shell lends the channel panels for the whole run. Everything here outlives the
// panel host; all of it is used on the UI thread only.
struct PanelContext {
    OutputStream& Stream;
    MemorySlots& Slots;
    MessageSink& Messages;
    QMainWindow& MainWindow;  // owner of prompts, file dialogs and the unit menu
    QMenu& UnitMenu;          // the shared unit popup; its choices come back as ApplyUnitChoice
};

// The running channels' panels and the commands that work on them. The shell calls these at
// fixed points of starting, stopping and its menu dispatch.
class PanelHost {
  public:
    virtual ~PanelHost() = default;
    // After a successful start: one panel per channel 0..ChannelCount-1, created inside
    // `panelArea` (the scroll area's inner widget, already sized for the channel count).
    virtual void CreatePanels(QWidget& panelArea) = 0;
    // After a successful stop: every panel and its controls are gone.
    virtual void DestroyPanels() = 0;
    // Memory-slot commands, slot 0..9; reachable only while the generator runs.
    virtual void LoadSlot(int slot) = 0;
    // True when the slot was saved (its name may have changed); false when cancelled.
    virtual bool SaveSlot(int slot) = 0;
    // A choice in the unit menu: UnitLinear or UnitDecibel for the last unit button pressed.
    virtual void ApplyUnitChoice(std::int32_t unit) = 0;
};

using PanelHostFactory = std::function<std::unique_ptr<PanelHost>(const PanelContext&)>;

}  // namespace tonquelle
