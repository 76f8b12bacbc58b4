#include "channel/PanelSync.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>

#include "audio/ComboSelect.h"
#include "channel/ControlConversions.h"
#include "channel/NumberText.h"
#include "synth/Renderer.h"

namespace tonquelle {

namespace {

using C = PanelControl;
namespace Bit = PanelBit;

// Every number a panel shows has 6 significant digits without trailing zeros.
constexpr std::int32_t ShownDigits = 6;

// One sync: the panel, its record and the bits it works through.
class PanelSyncPass {
  public:
    explicit PanelSyncPass(ChannelPanel& panel) : panel_(panel), s_(*panel.Settings) {}

    void ControlsToRecord();
    void UnitFallback();
    void RecordToControls();

  private:
    bool Has(std::uint64_t bits) const { return (panel_.PendingChanges & bits) != 0; }
    void Raise(std::uint64_t bits) { panel_.PendingChanges |= bits; }

    double TextValue(C control) const {
        return ParseNumber(panel_.ControlAs<QLineEdit>(control)->text().toStdString());
    }
    void SetText(C control, double value) {
        panel_.ControlAs<QLineEdit>(control)->setText(
            QString::fromStdString(FormatNumber(value, ShownDigits, true)));
    }
    std::int32_t SliderPosition(C control) const {
        // During a slider action the new position is not yet the slider's value.
        return panel_.ControlAs<QSlider>(control)->sliderPosition();
    }
    void SetSlider(C control, std::int32_t position) {
        panel_.ControlAs<QSlider>(control)->setValue(position);
    }
    bool Checked(C control) const {
        return panel_.ControlAs<QAbstractButton>(control)->isChecked();
    }
    void SetChecked(C control, bool checked) {
        panel_.ControlAs<QAbstractButton>(control)->setChecked(checked);
    }
    void SetFlag(std::int32_t flag, bool on) {
        s_.Flags = on ? (s_.Flags | flag) : (s_.Flags & ~flag);
    }
    // The picked entry's waveform index into `field`; an empty list leaves the field alone.
    void ReadList(C control, std::int32_t& field) {
        const auto* list = panel_.ControlAs<QComboBox>(control);
        if (list->currentIndex() >= 0) {
            field = list->currentData().toInt();
        }
    }
    void ShowList(C control, std::int32_t index) {
        SelectComboItemByData(*panel_.ControlAs<QComboBox>(control), index, -1);
    }
    void ShowUnit(C button, std::int32_t unit) {
        panel_.ControlAs<QAbstractButton>(button)->setText(unit == UnitDecibel ? "dB" : "1");
    }
    void FallBack(std::uint64_t valueBit, std::uint64_t unitBit, std::int32_t& unit, double value);

    ChannelPanel& panel_;
    ChannelSettings& s_;
};

void PanelSyncPass::ControlsToRecord() {
    if (Has(Bit::WaveformPicked)) {
        ReadList(C::WaveformList, s_.Waveform);
        Raise(Bit::WaveformChanged);
    }
    if (Has(Bit::MutePicked)) {
        SetFlag(FlagMute, Checked(C::MuteCheck));
        Raise(Bit::FlagsChanged);
    }
    if (Has(Bit::PhaseSliderMoved)) {
        s_.PhaseShift = PhaseFromSlider(SliderPosition(C::PhaseSlider));
        Raise(Bit::PhaseChanged);
    }
    if (Has(Bit::PhaseTextEdited)) {
        s_.PhaseShift = PhaseFromDegrees(TextValue(C::PhaseText));
        Raise(Bit::PhaseChanged);
    }
    if (Has(Bit::FrequencySliderMoved)) {
        s_.Frequency = FrequencyFromSlider(SliderPosition(C::FrequencySlider));
        Raise(Bit::FrequencyChanged);
    }
    if (Has(Bit::FrequencyTextEdited)) {
        s_.Frequency = TextValue(C::FrequencyText);
        Raise(Bit::FrequencyChanged);
    }
    if (Has(Bit::FMCheckPicked)) {
        SetFlag(FlagFM, Checked(C::FMCheck));
        Raise(Bit::FlagsChanged);
    }
    if (Has(Bit::FMWaveformPicked)) {
        ReadList(C::FMWaveformList, s_.FMWaveform);
        Raise(Bit::FMWaveformChanged);
    }
    if (Has(Bit::FMFrequencyTextEdited)) {
        s_.FMFrequency = TextValue(C::FMFrequencyText);
        Raise(Bit::FMFrequencyChanged);
    }
    if (Has(Bit::FMMinTextEdited)) {
        s_.FMMinFreq = TextValue(C::FMMinText);
        Raise(Bit::FMMinChanged);
    }
    if (Has(Bit::FMMaxTextEdited)) {
        s_.FMMaxFreq = TextValue(C::FMMaxText);
        Raise(Bit::FMMaxChanged);
    }
    if (Has(Bit::AmplitudeSliderMoved)) {
        s_.Amplitude =
            AmplitudeFromSlider(SliderPosition(C::AmplitudeSlider), panel_.AmplitudeUnit);
        Raise(Bit::AmplitudeChanged);
    }
    if (Has(Bit::AmplitudeTextEdited)) {
        s_.Amplitude = AmplitudeFromShown(TextValue(C::AmplitudeText), panel_.AmplitudeUnit);
        Raise(Bit::AmplitudeChanged);
    }
    if (Has(Bit::AMCheckPicked)) {
        SetFlag(FlagAM, Checked(C::AMCheck));
        Raise(Bit::FlagsChanged);
    }
    if (Has(Bit::AMWaveformPicked)) {
        ReadList(C::AMWaveformList, s_.AMWaveform);
        Raise(Bit::AMWaveformChanged);
    }
    if (Has(Bit::AMFrequencyTextEdited)) {
        s_.AMFrequency = TextValue(C::AMFrequencyText);
        Raise(Bit::AMFrequencyChanged);
    }
    if (Has(Bit::AMMinTextEdited)) {
        s_.AMMinAmp = AmplitudeFromShown(TextValue(C::AMMinText), panel_.AMMinUnit);
        Raise(Bit::AMMinChanged);
    }
    if (Has(Bit::AMMaxTextEdited)) {
        s_.AMMaxAmp = AmplitudeFromShown(TextValue(C::AMMaxText), panel_.AMMaxUnit);
        Raise(Bit::AMMaxChanged);
    }
}

// A value that is not above zero (NaN included) has no decibel form: its unit becomes linear.
void PanelSyncPass::FallBack(std::uint64_t valueBit, std::uint64_t unitBit, std::int32_t& unit,
                             double value) {
    if (Has(valueBit | unitBit) && unit == UnitDecibel && !(value > 0.0)) {
        unit = UnitLinear;
        Raise(unitBit);
    }
}

void PanelSyncPass::UnitFallback() {
    FallBack(Bit::AmplitudeChanged, Bit::AmplitudeUnitChanged, panel_.AmplitudeUnit, s_.Amplitude);
    FallBack(Bit::AMMinChanged, Bit::AMMinUnitChanged, panel_.AMMinUnit, s_.AMMinAmp);
    FallBack(Bit::AMMaxChanged, Bit::AMMaxUnitChanged, panel_.AMMaxUnit, s_.AMMaxAmp);
}

void PanelSyncPass::RecordToControls() {
    if (Has(Bit::WaveformChanged) && !Has(Bit::WaveformPicked)) {
        ShowList(C::WaveformList, s_.Waveform);
    }
    if (Has(Bit::PhaseChanged) && !Has(Bit::PhaseSliderMoved)) {
        SetSlider(C::PhaseSlider, PhaseSliderPosition(s_.PhaseShift));
    }
    if (Has(Bit::PhaseChanged) && !Has(Bit::PhaseTextEdited)) {
        SetText(C::PhaseText, PhaseInDegrees(s_.PhaseShift));
    }
    if (Has(Bit::FlagsChanged) && !Has(Bit::MutePicked)) {
        SetChecked(C::MuteCheck, (s_.Flags & FlagMute) != 0);
    }
    if (Has(Bit::FrequencyChanged) && !Has(Bit::FrequencySliderMoved)) {
        SetSlider(C::FrequencySlider, FrequencySliderPosition(s_.Frequency));
    }
    if (Has(Bit::FrequencyChanged) && !Has(Bit::FrequencyTextEdited)) {
        SetText(C::FrequencyText, s_.Frequency);
    }
    if (Has(Bit::FlagsChanged) && !Has(Bit::FMCheckPicked)) {
        SetChecked(C::FMCheck, (s_.Flags & FlagFM) != 0);
    }
    if (Has(Bit::FMWaveformChanged) && !Has(Bit::FMWaveformPicked)) {
        ShowList(C::FMWaveformList, s_.FMWaveform);
    }
    if (Has(Bit::FMFrequencyChanged) && !Has(Bit::FMFrequencyTextEdited)) {
        SetText(C::FMFrequencyText, s_.FMFrequency);
    }
    if (Has(Bit::FMMinChanged) && !Has(Bit::FMMinTextEdited)) {
        SetText(C::FMMinText, s_.FMMinFreq);
    }
    if (Has(Bit::FMMaxChanged) && !Has(Bit::FMMaxTextEdited)) {
        SetText(C::FMMaxText, s_.FMMaxFreq);
    }
    const bool amplitudeShown = Has(Bit::AmplitudeChanged | Bit::AmplitudeUnitChanged);
    if (amplitudeShown && !Has(Bit::AmplitudeSliderMoved)) {
        SetSlider(C::AmplitudeSlider, AmplitudeSliderPosition(s_.Amplitude, panel_.AmplitudeUnit));
    }
    if (amplitudeShown && !Has(Bit::AmplitudeTextEdited)) {
        SetText(C::AmplitudeText, AmplitudeToShown(s_.Amplitude, panel_.AmplitudeUnit));
    }
    if (Has(Bit::AmplitudeUnitChanged)) {
        ShowUnit(C::AmplitudeUnitButton, panel_.AmplitudeUnit);
    }
    if (Has(Bit::FlagsChanged) && !Has(Bit::AMCheckPicked)) {
        SetChecked(C::AMCheck, (s_.Flags & FlagAM) != 0);
    }
    if (Has(Bit::AMWaveformChanged) && !Has(Bit::AMWaveformPicked)) {
        ShowList(C::AMWaveformList, s_.AMWaveform);
    }
    if (Has(Bit::AMFrequencyChanged) && !Has(Bit::AMFrequencyTextEdited)) {
        SetText(C::AMFrequencyText, s_.AMFrequency);
    }
    if (Has(Bit::AMMinChanged | Bit::AMMinUnitChanged) && !Has(Bit::AMMinTextEdited)) {
        SetText(C::AMMinText, AmplitudeToShown(s_.AMMinAmp, panel_.AMMinUnit));
    }
    if (Has(Bit::AMMinUnitChanged)) {
        ShowUnit(C::AMMinUnitButton, panel_.AMMinUnit);
    }
    if (Has(Bit::AMMaxChanged | Bit::AMMaxUnitChanged) && !Has(Bit::AMMaxTextEdited)) {
        SetText(C::AMMaxText, AmplitudeToShown(s_.AMMaxAmp, panel_.AMMaxUnit));
    }
    if (Has(Bit::AMMaxUnitChanged)) {
        ShowUnit(C::AMMaxUnitButton, panel_.AMMaxUnit);
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
    panel.PendingChanges = 0;
}

}  // namespace tonquelle
