#include "channel/ChannelPanelList.h"

#include <QAbstractSlider>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include "channel/NumberField.h"
#include "channel/PanelSync.h"
#include "channel/UserDialogs.h"
#include "waveform/WaveformLoader.h"

namespace tonquelle {

namespace {

using C = PanelControl;

// Controls whose event only raises their own bit before the sync.
struct BitControl {
    PanelControl control;
    std::uint64_t bit;
};
constexpr BitControl BitControls[] = {
    {C::WaveformList, PanelBit::WaveformPicked},
    {C::MuteCheck, PanelBit::MutePicked},
    {C::DutyText, PanelBit::DutyTextEdited},
    {C::PhaseSlider, PanelBit::PhaseSliderMoved},
    {C::PhaseText, PanelBit::PhaseTextEdited},
    {C::FrequencySlider, PanelBit::FrequencySliderMoved},
    {C::FrequencyText, PanelBit::FrequencyTextEdited},
    {C::FMCheck, PanelBit::FMCheckPicked},
    {C::FMWaveformList, PanelBit::FMWaveformPicked},
    {C::FMLogCheck, PanelBit::FMLogPicked},
    {C::FMFrequencyText, PanelBit::FMFrequencyTextEdited},
    {C::FMMinText, PanelBit::FMMinTextEdited},
    {C::FMMaxText, PanelBit::FMMaxTextEdited},
    {C::AmplitudeSlider, PanelBit::AmplitudeSliderMoved},
    {C::AmplitudeText, PanelBit::AmplitudeTextEdited},
    {C::AMCheck, PanelBit::AMCheckPicked},
    {C::AMWaveformList, PanelBit::AMWaveformPicked},
    {C::AMFrequencyText, PanelBit::AMFrequencyTextEdited},
    {C::AMMinText, PanelBit::AMMinTextEdited},
    {C::AMMaxText, PanelBit::AMMaxTextEdited},
};

// Each number field and the value bit that makes the sync show the playing value in it again.
constexpr BitControl NumberFieldValues[] = {
    {C::DutyText, PanelBit::DutyCycleChanged},
    {C::PhaseText, PanelBit::PhaseChanged},
    {C::FrequencyText, PanelBit::FrequencyChanged},
    {C::FMFrequencyText, PanelBit::FMFrequencyChanged},
    {C::FMMinText, PanelBit::FMMinChanged},
    {C::FMMaxText, PanelBit::FMMaxChanged},
    {C::AmplitudeText, PanelBit::AmplitudeChanged},
    {C::AMFrequencyText, PanelBit::AMFrequencyChanged},
    {C::AMMinText, PanelBit::AMMinChanged},
    {C::AMMaxText, PanelBit::AMMaxChanged},
};

// The six frequency step buttons and their steps in Hz.
struct StepButton {
    PanelControl control;
    double step;
};
constexpr StepButton StepButtons[] = {
    {C::StepPlus10, 10.0},  {C::StepPlus1, 1.0},   {C::StepPlus01, 0.1},
    {C::StepMinus01, -0.1}, {C::StepMinus1, -1.0}, {C::StepMinus10, -10.0},
};

QString ReadErrorText(const QString& path) {
    return QStringLiteral("Beim Einlesen der Datei \"%1\" ist ein Fehler aufgetreten!")
        .arg(QDir::toNativeSeparators(path));
}

}  // namespace

ChannelPanelList::ChannelPanelList(OutputStream& stream, UserDialogs& dialogs, QWidget& owner,
                                   QMenu& unitMenu)
    : stream_(stream), dialogs_(dialogs), owner_(owner), unitMenu_(unitMenu) {}

ChannelPanelList::~ChannelPanelList() {
    DestroyPanels();
}

void ChannelPanelList::CreatePanels(QWidget& container) {
    for (std::int32_t channel = 0; channel < stream_.Config.ChannelCount && channel < MaxChannels;
         ++channel) {
        auto panel = std::make_unique<ChannelPanel>();
        panel->ChannelIndex = channel;
        panel->Settings = &stream_.Channels[channel].EditSettings;
        CreateChannelPanel(*panel, container, stream_.Config.ChannelMask,
                           stream_.DeviceChannelNames);
        ConnectControls(*panel);
        panel->PendingChanges = RefreshAllBits;
        SyncChannelPanel(*panel, stream_);
        panels_.push_back(std::move(panel));
    }
}

void ChannelPanelList::DestroyPanels() {
    for (auto& panel : panels_) {
        FreePanelControls(*panel);
    }
    panels_.clear();
    unitMenuTarget_ = {};
}

// Only user actions are connected, so nothing the program writes into a control comes back.
void ChannelPanelList::ConnectControls(ChannelPanel& panel) {
    for (QWidget* control : panel.Controls) {
        const auto report = [this, control] { OnControlEvent(control); };
        if (auto* list = qobject_cast<QComboBox*>(control)) {
            connect(list, &QComboBox::activated, this, report);
        } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            connect(button, &QAbstractButton::clicked, this, report);
        } else if (auto* slider = qobject_cast<QAbstractSlider*>(control)) {
            connect(slider, &QAbstractSlider::actionTriggered, this, report);
        } else if (auto* field = qobject_cast<NumberField*>(control)) {
            connect(field, &NumberField::ValueEntered, this, report);
            connect(field, &NumberField::ValueAbandoned, this,
                    [this, control] { OnNumberAbandoned(control); });
        }
    }
}

ChannelPanelList::HeldControl ChannelPanelList::Find(const QWidget* control) const {
    for (const auto& panel : panels_) {
        const std::int32_t index = FindPanelControl(*panel, control);
        if (index >= 0) {
            return {panel.get(), static_cast<PanelControl>(index)};
        }
    }
    return {};
}

void ChannelPanelList::OnControlEvent(QWidget* control) {
    if (const HeldControl held = Find(control); held.Panel != nullptr) {
        HandleControl(*held.Panel, held.Control);
    }
}

// Typed text that never became a number leaves the field: it shows the playing value again.
void ChannelPanelList::OnNumberAbandoned(QWidget* control) {
    const HeldControl held = Find(control);
    for (const BitControl& entry : NumberFieldValues) {
        if (held.Panel != nullptr && entry.control == held.Control) {
            RaiseAndSync(*held.Panel, entry.bit);
        }
    }
}

void ChannelPanelList::HandleControl(ChannelPanel& panel, PanelControl control) {
    for (const BitControl& entry : BitControls) {
        if (entry.control == control) {
            RaiseAndSync(panel, entry.bit);
            return;
        }
    }
    for (const StepButton& entry : StepButtons) {
        if (entry.control == control) {
            StepFrequency(panel, entry.step);
            return;
        }
    }
    switch (control) {
        case C::WaveformFileButton:
            LoadWaveform(panel, WaveformSlotCarrier, C::WaveformFileName,
                         &ChannelSettings::Waveform, PanelBit::WaveformChanged);
            break;
        case C::AMFileButton:
            LoadWaveform(panel, WaveformSlotAM, C::AMFileName, &ChannelSettings::AMWaveform,
                         PanelBit::AMWaveformChanged);
            break;
        case C::AmplitudeUnitButton:
            OpenUnitMenu(panel, panel.AmplitudeUnit, PanelBit::AmplitudeUnitChanged, control);
            break;
        case C::AMMinUnitButton:
            OpenUnitMenu(panel, panel.AMMinUnit, PanelBit::AMMinUnitChanged, control);
            break;
        case C::AMMaxUnitButton:
            OpenUnitMenu(panel, panel.AMMaxUnit, PanelBit::AMMaxUnitChanged, control);
            break;
        default:  // captions, labels, the frame and the file-name fields have no action
            break;
    }
}

void ChannelPanelList::RaiseAndSync(ChannelPanel& panel, std::uint64_t bits) {
    panel.PendingChanges |= bits;
    SyncChannelPanel(panel, stream_);
}

// The step buttons do not clamp: the frequency may become zero or negative.
void ChannelPanelList::StepFrequency(ChannelPanel& panel, double step) {
    panel.Settings->Frequency += step;
    RaiseAndSync(panel, PanelBit::FrequencyChanged);
}

void ChannelPanelList::OpenUnitMenu(ChannelPanel& panel, std::int32_t& unit, std::uint64_t bit,
                                    PanelControl button) {
    unitMenuTarget_ = UnitMenuTarget{&panel, &unit, bit};
    ShowUnitMenu(owner_, unitMenu_, *panel.Control(button));
}

void ChannelPanelList::ApplyUnitChoice(std::int32_t unit) {
    // No target: no unit button was pressed since the panels were made.
    if (unitMenuTarget_.Panel == nullptr || !Holds(unitMenuTarget_.Panel)) {
        return;
    }
    *unitMenuTarget_.Unit = unit;
    RaiseAndSync(*unitMenuTarget_.Panel, unitMenuTarget_.Bit);
}

void ChannelPanelList::LoadWaveform(ChannelPanel& panel, std::int32_t slot, PanelControl nameField,
                                    std::int32_t ChannelSettings::*waveform,
                                    std::uint64_t changedBit) {
    const QString path = dialogs_.ChooseWaveformFile(&owner_);
    // The dialog runs its own event loop; the panel must still be there afterwards.
    if (path.isEmpty() || !Holds(&panel)) {
        return;
    }
    const QFileInfo file(path);
    const WaveformLoadResult loaded =
        LoadWaveformFile(stream_, panel.ChannelIndex, slot, file.filesystemFilePath());
    if (!loaded) {
        dialogs_.ShowError(&owner_, ReadErrorText(path));
        return;
    }
    panel.ControlAs<QLineEdit>(nameField)->setText(file.fileName());
    (*panel.Settings).*waveform = WaveformIndex::User;
    RaiseAndSync(panel, changedBit);
    // Last: the message box runs an event loop of its own.
    if (loaded.Unreadable.Count > 0) {
        const std::string shownPath = QDir::toNativeSeparators(path).toStdString();
        dialogs_.ShowError(
            &owner_, QString::fromStdString(UnreadableLinesMessage(shownPath, loaded.Unreadable)));
    }
}

bool ChannelPanelList::Holds(const ChannelPanel* panel) const {
    for (const auto& held : panels_) {
        if (held.get() == panel) {
            return true;
        }
    }
    return false;
}

}  // namespace tonquelle
