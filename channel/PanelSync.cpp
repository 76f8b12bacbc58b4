#include "channel/PanelSync.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QWidget>

#include "channel/ComboSelect.h"
#include "channel/ControlConversions.h"
#include "synth/Renderer.h"
#include "text/NumberText.h"

namespace tonquelle {

namespace {

using C = PanelControl;
namespace Bit = PanelBit;

// Every number a panel shows has 6 significant digits without trailing zeros.
constexpr std::int32_t ShownDigits = 6;

// The bindings between the panel's controls and the record. Each names the control bit the user's
// action raises (Operated: the sync then reads the control and never writes it back), the control,
// the record field, and the value bit the field's change raises (Changed). A binding with a display
// unit also names the panel's unit and the unit bit, so a new unit shows the field anew.

using PanelUnit = std::int32_t ChannelPanel::*;

// A waveform list: the picked entry's waveform index.
struct ListBinding {
    std::uint64_t Operated;
    C Control;
    std::int32_t ChannelSettings::*Field;
    std::uint64_t Changed;
    static constexpr std::uint64_t UnitChanged = 0;
};

// A check box: one bit of ChannelSettings::Flags (its change raises FlagsChanged).
struct CheckBinding {
    std::uint64_t Operated;
    C Control;
    std::int32_t Flag;
    static constexpr std::uint64_t Changed = Bit::FlagsChanged;
    static constexpr std::uint64_t UnitChanged = 0;
};

// A slider: the position as the field's value and back, in the binding's unit.
struct SliderBinding {
    std::uint64_t Operated;
    C Control;
    double ChannelSettings::*Field;
    std::uint64_t Changed;
    double (*FromPosition)(std::int32_t position, std::int32_t unit);
    std::int32_t (*ToPosition)(double value, std::int32_t unit);
    PanelUnit Unit = nullptr;
    std::uint64_t UnitChanged = 0;
};

// A text field: the typed number as the field's value and back, in the binding's unit.
struct TextBinding {
    std::uint64_t Operated;
    C Control;
    double ChannelSettings::*Field;
    std::uint64_t Changed;
    double (*FromShown)(double shown, std::int32_t unit);
    double (*ToShown)(double value, std::int32_t unit);
    PanelUnit Unit = nullptr;
    std::uint64_t UnitChanged = 0;
};

// A unit button: "1" or "dB" for the amplitude field it belongs to.
struct UnitBinding {
    std::uint64_t UnitChanged;
    C Button;
    PanelUnit Unit;
    double ChannelSettings::*Field;
    std::uint64_t Changed;
};

// Conversions of the fields without a display unit.
double AsShown(double value, std::int32_t /*unit*/) {
    return value;
}
double PhaseFromSliderIn(std::int32_t position, std::int32_t /*unit*/) {
    return PhaseFromSlider(position);
}
std::int32_t PhaseToSliderIn(double phaseShift, std::int32_t /*unit*/) {
    return PhaseSliderPosition(phaseShift);
}
double PhaseFromDegreesIn(double degrees, std::int32_t /*unit*/) {
    return PhaseFromDegrees(degrees);
}
double PhaseToDegreesIn(double phaseShift, std::int32_t /*unit*/) {
    return PhaseInDegrees(phaseShift);
}
double FrequencyFromSliderIn(std::int32_t position, std::int32_t /*unit*/) {
    return FrequencyFromSlider(position);
}
std::int32_t FrequencyToSliderIn(double frequency, std::int32_t /*unit*/) {
    return FrequencySliderPosition(frequency);
}

using S = ChannelSettings;
using P = ChannelPanel;

constexpr ListBinding Lists[] = {
    {Bit::WaveformPicked, C::WaveformList, &S::Waveform, Bit::WaveformChanged},
    {Bit::FMWaveformPicked, C::FMWaveformList, &S::FMWaveform, Bit::FMWaveformChanged},
    {Bit::AMWaveformPicked, C::AMWaveformList, &S::AMWaveform, Bit::AMWaveformChanged},
};

constexpr CheckBinding Checks[] = {
    {Bit::MutePicked, C::MuteCheck, FlagMute},
    {Bit::FMCheckPicked, C::FMCheck, FlagFM},
    {Bit::FMLogPicked, C::FMLogCheck, FlagFMLog},
    {Bit::AMCheckPicked, C::AMCheck, FlagAM},
};

constexpr SliderBinding Sliders[] = {
    {Bit::PhaseSliderMoved, C::PhaseSlider, &S::PhaseShift, Bit::PhaseChanged, PhaseFromSliderIn,
     PhaseToSliderIn},
    {Bit::FrequencySliderMoved, C::FrequencySlider, &S::Frequency, Bit::FrequencyChanged,
     FrequencyFromSliderIn, FrequencyToSliderIn},
    {Bit::AmplitudeSliderMoved, C::AmplitudeSlider, &S::Amplitude, Bit::AmplitudeChanged,
     AmplitudeFromSlider, AmplitudeSliderPosition, &P::AmplitudeUnit, Bit::AmplitudeUnitChanged},
};

// A field with a slider and a text is read from the slider first: a typed value wins.
constexpr TextBinding Texts[] = {
    {Bit::DutyTextEdited, C::DutyText, &S::DutyCycle, Bit::DutyCycleChanged, AsShown, AsShown},
    {Bit::PhaseTextEdited, C::PhaseText, &S::PhaseShift, Bit::PhaseChanged, PhaseFromDegreesIn,
     PhaseToDegreesIn},
    {Bit::FrequencyTextEdited, C::FrequencyText, &S::Frequency, Bit::FrequencyChanged, AsShown,
     AsShown},
    {Bit::FMFrequencyTextEdited, C::FMFrequencyText, &S::FMFrequency, Bit::FMFrequencyChanged,
     AsShown, AsShown},
    {Bit::FMMinTextEdited, C::FMMinText, &S::FMMinFreq, Bit::FMMinChanged, AsShown, AsShown},
    {Bit::FMMaxTextEdited, C::FMMaxText, &S::FMMaxFreq, Bit::FMMaxChanged, AsShown, AsShown},
    {Bit::AmplitudeTextEdited, C::AmplitudeText, &S::Amplitude, Bit::AmplitudeChanged,
     AmplitudeFromShown, AmplitudeToShown, &P::AmplitudeUnit, Bit::AmplitudeUnitChanged},
    {Bit::AMFrequencyTextEdited, C::AMFrequencyText, &S::AMFrequency, Bit::AMFrequencyChanged,
     AsShown, AsShown},
    {Bit::AMMinTextEdited, C::AMMinText, &S::AMMinAmp, Bit::AMMinChanged, AmplitudeFromShown,
     AmplitudeToShown, &P::AMMinUnit, Bit::AMMinUnitChanged},
    {Bit::AMMaxTextEdited, C::AMMaxText, &S::AMMaxAmp, Bit::AMMaxChanged, AmplitudeFromShown,
     AmplitudeToShown, &P::AMMaxUnit, Bit::AMMaxUnitChanged},
};

constexpr UnitBinding Units[] = {
    {Bit::AmplitudeUnitChanged, C::AmplitudeUnitButton, &P::AmplitudeUnit, &S::Amplitude,
     Bit::AmplitudeChanged},
    {Bit::AMMinUnitChanged, C::AMMinUnitButton, &P::AMMinUnit, &S::AMMinAmp, Bit::AMMinChanged},
    {Bit::AMMaxUnitChanged, C::AMMaxUnitButton, &P::AMMaxUnit, &S::AMMaxAmp, Bit::AMMaxChanged},
};

// One sync: the panel, its record and the bits it works through.
class PanelSyncPass {
  public:
    explicit PanelSyncPass(ChannelPanel& panel) : panel_(panel), s_(*panel.Settings) {}

    void ControlsToRecord();
    void UnitFallback();
    void RecordToControls();
    void EnableUsedFields();

  private:
    bool Has(std::uint64_t bits) const { return (panel_.PendingChanges & bits) != 0; }
    void Raise(std::uint64_t bits) { panel_.PendingChanges |= bits; }
    // The binding's display unit; a field without one is shown as it is kept.
    std::int32_t UnitOf(PanelUnit unit) const {
        return unit != nullptr ? panel_.*unit : UnitLinear;
    }
    // The operated controls of `bindings` into the record.
    template <class Binding, std::size_t Count>
    void ReadOperated(const Binding (&bindings)[Count]) {
        for (const Binding& binding : bindings) {
            if (Has(binding.Operated)) {
                Read(binding);
            }
        }
    }
    // The record into every control of `bindings` that shows a changed value or unit, except
    // the one the user operated.
    template <class Binding, std::size_t Count>
    void ShowChanged(const Binding (&bindings)[Count]) {
        for (const Binding& binding : bindings) {
            if (Has(binding.Changed | binding.UnitChanged) && !Has(binding.Operated)) {
                Show(binding);
            }
        }
    }
    template <class Widget, class Binding>
    Widget& ControlOf(const Binding& binding) const {
        return *panel_.ControlAs<Widget>(binding.Control);
    }

    void Read(const ListBinding& list);
    void Read(const CheckBinding& check);
    void Read(const SliderBinding& slider);
    void Read(const TextBinding& text);
    void Show(const ListBinding& list);
    void Show(const CheckBinding& check);
    void Show(const SliderBinding& slider);
    void Show(const TextBinding& text);
    void Show(const UnitBinding& unit);
    void FallBack(const UnitBinding& unit);

    ChannelPanel& panel_;
    ChannelSettings& s_;
};

// The picked entry's waveform index; an empty list leaves the field alone.
void PanelSyncPass::Read(const ListBinding& list) {
    const auto& control = ControlOf<QComboBox>(list);
    if (control.currentIndex() >= 0) {
        s_.*list.Field = control.currentData().toInt();
    }
    Raise(list.Changed);
}

void PanelSyncPass::Read(const CheckBinding& check) {
    const bool on = ControlOf<QAbstractButton>(check).isChecked();
    s_.Flags = on ? (s_.Flags | check.Flag) : (s_.Flags & ~check.Flag);
    Raise(check.Changed);
}

void PanelSyncPass::Read(const SliderBinding& slider) {
    // During a slider action the new position is not yet the slider's value.
    const std::int32_t position = ControlOf<QSlider>(slider).sliderPosition();
    s_.*slider.Field = slider.FromPosition(position, UnitOf(slider.Unit));
    Raise(slider.Changed);
}

void PanelSyncPass::Read(const TextBinding& text) {
    const double shown = ParseNumber(ControlOf<QLineEdit>(text).text().toStdString());
    s_.*text.Field = text.FromShown(shown, UnitOf(text.Unit));
    Raise(text.Changed);
}

void PanelSyncPass::Show(const ListBinding& list) {
    SelectComboItemByData(ControlOf<QComboBox>(list), s_.*list.Field, -1);
}

void PanelSyncPass::Show(const CheckBinding& check) {
    ControlOf<QAbstractButton>(check).setChecked((s_.Flags & check.Flag) != 0);
}

void PanelSyncPass::Show(const SliderBinding& slider) {
    ControlOf<QSlider>(slider).setValue(slider.ToPosition(s_.*slider.Field, UnitOf(slider.Unit)));
}

void PanelSyncPass::Show(const TextBinding& text) {
    const double shown = text.ToShown(s_.*text.Field, UnitOf(text.Unit));
    ControlOf<QLineEdit>(text).setText(
        QString::fromStdString(FormatNumber(shown, ShownDigits, true)));
}

void PanelSyncPass::Show(const UnitBinding& unit) {
    panel_.ControlAs<QAbstractButton>(unit.Button)
        ->setText(panel_.*unit.Unit == UnitDecibel ? "dB" : "1");
}

// A value that is not above zero (NaN included) has no decibel form: its unit becomes linear.
void PanelSyncPass::FallBack(const UnitBinding& unit) {
    if (Has(unit.Changed | unit.UnitChanged) && panel_.*unit.Unit == UnitDecibel &&
        !(s_.*unit.Field > 0.0)) {
        panel_.*unit.Unit = UnitLinear;
        Raise(unit.UnitChanged);
    }
}

// The duty cycle belongs to the square only, and a noise amplitude modulation has no frequency:
// their fields are greyed out while they are not used.
void PanelSyncPass::EnableUsedFields() {
    if (Has(Bit::WaveformChanged)) {
        const bool square = s_.Waveform == WaveformIndex::Square;
        for (C control : {C::DutyCaption, C::DutyText, C::DutyUnitLabel}) {
            panel_.Control(control)->setEnabled(square);
        }
    }
    if (Has(Bit::AMWaveformChanged)) {
        const bool noise =
            s_.AMWaveform == WaveformIndex::WhiteNoise || s_.AMWaveform == WaveformIndex::PinkNoise;
        for (C control : {C::AMFrequencyLabel, C::AMFrequencyText, C::AMFrequencyUnitLabel}) {
            panel_.Control(control)->setEnabled(!noise);
        }
    }
}

void PanelSyncPass::ControlsToRecord() {
    ReadOperated(Lists);
    ReadOperated(Checks);
    ReadOperated(Sliders);
    ReadOperated(Texts);
}

void PanelSyncPass::UnitFallback() {
    for (const auto& unit : Units) {
        FallBack(unit);
    }
}

void PanelSyncPass::RecordToControls() {
    ShowChanged(Lists);
    ShowChanged(Checks);
    ShowChanged(Sliders);
    ShowChanged(Texts);
    for (const auto& unit : Units) {
        if (Has(unit.UnitChanged)) {
            Show(unit);
        }
    }
}

}  // namespace

void SyncChannelPanel(ChannelPanel& panel, OutputStream& stream) {
    PanelSyncPass pass(panel);
    pass.ControlsToRecord();
    pass.UnitFallback();
    if ((panel.PendingChanges & ValueBits) != 0) {
        PublishChannel(stream, panel.ChannelIndex);
    }
    pass.RecordToControls();
    pass.EnableUsedFields();
    panel.PendingChanges = 0;
}

}  // namespace tonquelle
