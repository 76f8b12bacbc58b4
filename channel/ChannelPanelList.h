#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <QObject>

#include "channel/ChannelPanel.h"
#include "channel/UnitMenu.h"
#include "records/OutputStream.h"

class QMenu;
class QWidget;

namespace tonquelle {

class PanelDialogs;

// The running channels' panels, in channel order, and the one dispatch of their control events:
// an event goes to the first panel that holds the control. UI thread only.
class ChannelPanelList : public QObject {
  public:
    // `owner` (the main window) owns the dialogs and the unit menu; everything passed in must
    // outlive the list.
    ChannelPanelList(OutputStream& stream, PanelDialogs& dialogs, QWidget& owner, QMenu& unitMenu);
    ~ChannelPanelList() override;

    // One panel per channel 0..ChannelCount-1 of the stream, created in `container` and filled
    // from the channels' EditSettings.
    void CreatePanels(QWidget& container);
    // Destroys every panel's controls, then the panels.
    void DestroyPanels();

    // A choice in the unit menu (UnitLinear or UnitDecibel) for the last unit button pressed.
    void ApplyUnitChoice(std::int32_t unit);

    const std::vector<std::unique_ptr<ChannelPanel>>& Panels() const { return panels_; }
    OutputStream& Stream() const { return stream_; }

  private:
    // A control and the panel that holds it; no panel when none does.
    struct HeldControl {
        ChannelPanel* Panel = nullptr;
        PanelControl Control = PanelControl::Frame;
    };

    void ConnectControls(ChannelPanel& panel);
    HeldControl Find(const QWidget* control) const;
    void OnControlEvent(QWidget* control);
    void OnNumberAbandoned(QWidget* control);
    void HandleControl(ChannelPanel& panel, PanelControl control);
    void RaiseAndSync(ChannelPanel& panel, std::uint64_t bits);
    void StepFrequency(ChannelPanel& panel, double step);
    void OpenUnitMenu(ChannelPanel& panel, std::int32_t& unit, std::uint64_t bit,
                      PanelControl button);
    void LoadWaveform(ChannelPanel& panel, std::int32_t slot, PanelControl nameField,
                      std::int32_t ChannelSettings::*waveform, std::uint64_t changedBit);
    bool Holds(const ChannelPanel* panel) const;

    OutputStream& stream_;
    PanelDialogs& dialogs_;
    QWidget& owner_;
    QMenu& unitMenu_;
    std::vector<std::unique_ptr<ChannelPanel>> panels_;
    UnitMenuTarget unitMenuTarget_;
};

}  // namespace tonquelle
