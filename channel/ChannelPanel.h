#pragma once

#include <string>
#include <vector>

#include <array>
#include <cstdint>

#include <QString>

#include "channel/PanelSyncBits.h"
#include "records/ChannelSettings.h"

class QWidget;

namespace tonquelle {

// A panel's controls in creation order; the value is the control's index in
// ChannelPanel::Controls.
enum class PanelControl : std::int32_t {
    Frame,
    WaveformCaption,
    WaveformList,
    WaveformFileName,
    WaveformFileButton,
    MuteCaption,
    DutyCaption,
    MuteCheck,
    DutyText,
    DutyUnitLabel,
    PhaseCaption,
    PhaseSlider,
    PhaseText,
    PhaseUnitLabel,
    FrequencyCaption,
    FrequencySlider,
    StepPlus10,
    StepPlus1,
    StepPlus01,
    StepMinus01,
    StepMinus1,
    StepMinus10,
    FrequencyText,
    FrequencyUnitLabel,
    FMCheck,
    FMWaveformList,
    FMLogCheck,
    FMFrequencyLabel,
    FMFrequencyText,
    FMFrequencyUnitLabel,
    FMMinLabel,
    FMMinText,
    FMMinUnitLabel,
    FMMaxLabel,
    FMMaxText,
    FMMaxUnitLabel,
    AmplitudeCaption,
    AmplitudeSlider,
    AmplitudeText,
    AmplitudeUnitButton,
    AMCheck,
    AMWaveformList,
    AMFileName,
    AMFileButton,
    AMFrequencyLabel,
    AMFrequencyText,
    AMFrequencyUnitLabel,
    AMMinLabel,
    AMMinText,
    AMMinUnitButton,
    AMMaxLabel,
    AMMaxText,
    AMMaxUnitButton,
    Count
};

inline constexpr std::int32_t PanelControlCount = static_cast<std::int32_t>(PanelControl::Count);

// Placement of the panels in the panel area's inner widget.
inline constexpr std::int32_t PanelFrameLeft = 5;
inline constexpr std::int32_t PanelFrameTop = 5;
inline constexpr std::int32_t PanelFramePitch = 205;  // from one frame's top to the next

// One running channel's panel. UI thread only.
struct ChannelPanel {
    std::int32_t ChannelIndex = 0;
    std::int32_t AmplitudeUnit = UnitDecibel;
    std::int32_t AMMinUnit = UnitDecibel;
    std::int32_t AMMaxUnit = UnitDecibel;
    // The channel's EditSettings in the output stream.
    ChannelSettings* Settings = nullptr;
    // Change bits waiting for SyncChannelPanel; zero between events.
    std::uint64_t PendingChanges = 0;
    // The frame and its 51 controls, in creation order (indexed by PanelControl). They are
    // siblings in the panel area's inner widget, so each can be destroyed on its own.
    std::array<QWidget*, PanelControlCount> Controls{};

    QWidget* Control(PanelControl which) const { return Controls[static_cast<int>(which)]; }
    template <class Widget>
    Widget* ControlAs(PanelControl which) const {
        return static_cast<Widget*>(Control(which));
    }
};

// "Kanal <index + 1> (<speaker of the index-th set bit of channelMask>)", or, on a device whose
// channels are no speakers, with the device's name of channel `index` ("Kanal 1 (AUX0)").
QString PanelTitle(std::int32_t channelIndex, std::int32_t channelMask,
                   const std::vector<std::string>& deviceChannelNames = {});

// Creates the frame and the 51 controls of `panel` in `container` (the panel area's inner
// widget), stores their handles and fills the three lists. Sets no control from the record: the
// caller raises RefreshAllBits and syncs right after.
void CreateChannelPanel(ChannelPanel& panel, QWidget& container, std::int32_t channelMask,
                        const std::vector<std::string>& deviceChannelNames = {});

// Destroys the 52 controls from the frame to the last one and clears the handles.
void FreePanelControls(ChannelPanel& panel);

// Index of `control` among the panel's controls, or -1 when the panel does not hold it.
std::int32_t FindPanelControl(const ChannelPanel& panel, const QWidget* control);

}  // namespace tonquelle
