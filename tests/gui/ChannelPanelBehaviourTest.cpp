#include <cmath>
#include <limits>
#include <numbers>

#include "channel/PanelSync.h"
#include "tests/gui/PanelTestSupport.h"

namespace tonquelle::testing {
namespace {

using C = PanelControl;
constexpr double Pi = std::numbers::pi;

using PanelPhase = PanelTest;
using PanelFrequency = PanelTest;
using PanelAmplitude = PanelTest;
using PanelSwitches = PanelTest;

TEST_F(PanelPhase, SliderAt45IsMinus90Degrees) {
    Start(0x1);
    Slider(C::PhaseSlider)->setSliderPosition(45);  // a drag: the slider reports each position
    EXPECT_DOUBLE_EQ(Edited().PhaseShift, -Pi / 2);
    EXPECT_DOUBLE_EQ(Published().PhaseShift, -Pi / 2);
    EXPECT_EQ(Text(C::PhaseText)->text(), "-90");
    EXPECT_EQ(Slider(C::PhaseSlider)->value(), 45);
}

TEST_F(PanelPhase, KeyboardStepIsTwoDegrees) {
    Start(0x1);
    QTest::keyClick(Slider(C::PhaseSlider), Qt::Key_Right);
    EXPECT_EQ(Slider(C::PhaseSlider)->value(), 91);
    EXPECT_DOUBLE_EQ(Published().PhaseShift, 2 * Pi / 180);
    EXPECT_EQ(Text(C::PhaseText)->text(), "2");
}

TEST_F(PanelPhase, Text270MovesTheSliderToItsEndAndKeepsTheText) {
    Start(0x1);
    Retype(C::PhaseText, "270");
    EXPECT_DOUBLE_EQ(Published().PhaseShift, 3 * Pi / 2);
    EXPECT_EQ(Slider(C::PhaseSlider)->value(), 180);
    EXPECT_EQ(Text(C::PhaseText)->text(), "270");
}

TEST_F(PanelFrequency, TypingAppliesEveryKeystroke) {
    Start(0x1);
    QLineEdit* field = Text(C::FrequencyText);
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_EQ(Published().Frequency, 0.0);
    QTest::keyClick(field, Qt::Key_4);
    EXPECT_EQ(Published().Frequency, 4.0);
    QTest::keyClick(field, Qt::Key_4);
    EXPECT_EQ(Published().Frequency, 44.0);
    QTest::keyClick(field, Qt::Key_0);
    // Exactly the typed value: the slider the sync moved does not report back.
    EXPECT_EQ(Published().Frequency, 440.0);
    EXPECT_EQ(field->text(), "440");
    EXPECT_EQ(Slider(C::FrequencySlider)->value(), 134);
    EXPECT_EQ(Panel(0).PendingChanges, 0u);
}

TEST_F(PanelFrequency, TextBeyondTheSliderKeepsItsValue) {
    Start(0x1);
    Retype(C::FrequencyText, "25000");
    EXPECT_EQ(Published().Frequency, 25000.0);
    EXPECT_EQ(Slider(C::FrequencySlider)->value(), 300);
    EXPECT_EQ(Text(C::FrequencyText)->text(), "25000");
}

TEST_F(PanelFrequency, StepBelowZeroIsNotClamped) {
    Start(0x1);
    Retype(C::FrequencyText, "5");
    Click(C::StepMinus10);
    EXPECT_EQ(Published().Frequency, -5.0);
    EXPECT_EQ(Text(C::FrequencyText)->text(), "-5");
    EXPECT_EQ(Slider(C::FrequencySlider)->value(), 0);
}

TEST_F(PanelFrequency, SixStepButtons) {
    Start(0x1);
    double expected = 440.0;
    const std::pair<C, double> steps[] = {{C::StepPlus10, 10.0}, {C::StepPlus1, 1.0},
                                          {C::StepPlus01, 0.1},  {C::StepMinus01, -0.1},
                                          {C::StepMinus1, -1.0}, {C::StepMinus10, -10.0},
                                          {C::StepPlus01, 0.1}};
    for (const auto& [button, step] : steps) {
        Click(button);
        expected += step;
        EXPECT_DOUBLE_EQ(Published().Frequency, expected);
    }
    EXPECT_EQ(Text(C::FrequencyText)->text(), "440.1");
}

TEST_F(PanelFrequency, SliderIsLogarithmic) {
    Start(0x1);
    Slider(C::FrequencySlider)->setSliderPosition(200);
    EXPECT_DOUBLE_EQ(Published().Frequency, 2000.0);  // 20 * 1000^(200/300)
    EXPECT_EQ(Text(C::FrequencyText)->text(), "2000");
    // Up one step with the keyboard: the vertical slider grows upwards.
    QTest::keyClick(Slider(C::FrequencySlider), Qt::Key_Up);
    EXPECT_EQ(Slider(C::FrequencySlider)->value(), 201);
    EXPECT_DOUBLE_EQ(Published().Frequency, 20.0 * std::pow(1000.0, 201.0 / 300.0));
    EXPECT_EQ(Text(C::FrequencyText)->text(), "2046.59");
}

TEST_F(PanelFrequency, ModulationTextsAcceptACommaAndExponents) {
    Start(0x1);
    Retype(C::FMFrequencyText, "2,5");
    Retype(C::FMMinText, "100");
    Retype(C::FMMaxText, "1e3");
    Retype(C::AMFrequencyText, "0.25");
    const ChannelSettings s = Published();
    EXPECT_EQ(s.FMFrequency, 2.5);
    EXPECT_EQ(s.FMMinFreq, 100.0);
    EXPECT_EQ(s.FMMaxFreq, 1000.0);
    EXPECT_EQ(s.AMFrequency, 0.25);
    EXPECT_EQ(Text(C::FMMaxText)->text(), "1e3");
}

TEST_F(PanelAmplitude, ClearingADecibelFieldIsFullScale) {
    Start(0x1);
    Retype(C::AmplitudeText, "");
    EXPECT_EQ(Published().Amplitude, 1.0);
    EXPECT_EQ(Slider(C::AmplitudeSlider)->value(), 300);
    EXPECT_EQ(Button(C::AmplitudeUnitButton)->text(), "dB");
    Retype(C::AmplitudeText, "-");
    EXPECT_EQ(Published().Amplitude, 1.0);
    EXPECT_EQ(Text(C::AmplitudeText)->text(), "-");
}

TEST_F(PanelAmplitude, MinusInfinityFallsBackToTheFactor) {
    Start(0x1);
    Paste(C::AmplitudeText, "-Infinity");
    EXPECT_EQ(Published().Amplitude, 0.0);
    EXPECT_EQ(Panel(0).AmplitudeUnit, UnitLinear);
    EXPECT_EQ(Button(C::AmplitudeUnitButton)->text(), "1");
    EXPECT_EQ(Slider(C::AmplitudeSlider)->value(), 0);
    EXPECT_EQ(Text(C::AmplitudeText)->text(), "-Infinity");
}

TEST_F(PanelAmplitude, DecibelSliderAndText) {
    Start(0x1);
    Slider(C::AmplitudeSlider)->setSliderPosition(150);
    EXPECT_DOUBLE_EQ(Published().Amplitude, std::pow(10.0, -1.5));  // -30 dB
    EXPECT_EQ(Text(C::AmplitudeText)->text(), "-30");
    Retype(C::AmplitudeText, "-6");
    EXPECT_DOUBLE_EQ(Published().Amplitude, std::pow(10.0, -6.0 / 20.0));
    EXPECT_EQ(Slider(C::AmplitudeSlider)->value(), 270);  // 300 * (1 - 6/60)
}

TEST_F(PanelAmplitude, UnitMenuOpensBelowTheButton) {
    Start(0x1);
    QWidget* button = Panel(0).Control(C::AmplitudeUnitButton);
    const QPoint shownAt = PickUnit(C::AmplitudeUnitButton, "1");
    EXPECT_EQ(shownAt, button->mapToGlobal(QPoint(0, button->height())));
}

TEST_F(PanelAmplitude, SwitchingUnits) {
    Start(0x1);
    PickUnit(C::AmplitudeUnitButton, "1");
    EXPECT_EQ(Button(C::AmplitudeUnitButton)->text(), "1");
    EXPECT_EQ(Text(C::AmplitudeText)->text(), "0.1");
    EXPECT_EQ(Slider(C::AmplitudeSlider)->value(), 30);
    EXPECT_EQ(Published().Amplitude, 0.1);

    Slider(C::AmplitudeSlider)->setSliderPosition(0);
    EXPECT_EQ(Published().Amplitude, 0.0);
    // Zero has no decibel form: the choice falls back at once.
    PickUnit(C::AmplitudeUnitButton, "dB");
    EXPECT_EQ(Panel(0).AmplitudeUnit, UnitLinear);
    EXPECT_EQ(Button(C::AmplitudeUnitButton)->text(), "1");
    EXPECT_EQ(Text(C::AmplitudeText)->text(), "0");

    Slider(C::AmplitudeSlider)->setSliderPosition(150);
    EXPECT_EQ(Published().Amplitude, 0.5);
    PickUnit(C::AmplitudeUnitButton, "dB");
    EXPECT_EQ(Button(C::AmplitudeUnitButton)->text(), "dB");
    EXPECT_EQ(Text(C::AmplitudeText)->text(), "-6.0206");
    EXPECT_EQ(Slider(C::AmplitudeSlider)->value(), 270);  // 300 * (1 - 6.0206/60) = 269.897
}

TEST_F(PanelAmplitude, DismissingTheMenuChangesNothing) {
    Start(0x1);
    PickUnit(C::AMMinUnitButton, "");
    EXPECT_EQ(Button(C::AMMinUnitButton)->text(), "dB");
    EXPECT_EQ(Text(C::AMMinText)->text(), "-60");
    // The target stays: a later choice applies to the AM minimum.
    panels->ApplyUnitChoice(UnitLinear);
    EXPECT_EQ(Button(C::AMMinUnitButton)->text(), "1");
    EXPECT_EQ(Text(C::AMMinText)->text(), "0.001");
    EXPECT_EQ(Button(C::AMMaxUnitButton)->text(), "dB");
}

TEST_F(PanelAmplitude, ChoiceWithoutATargetChangesNothing) {
    Start(0x1);
    panels->ApplyUnitChoice(UnitLinear);  // no unit button pressed yet
    EXPECT_EQ(Button(C::AmplitudeUnitButton)->text(), "dB");
    // A target does not outlive its panel: after the panels are made anew it is gone.
    PickUnit(C::AmplitudeUnitButton, "");
    panels->DestroyPanels();
    panels->CreatePanels(*container);
    panels->ApplyUnitChoice(UnitLinear);
    EXPECT_EQ(Panel(0).AmplitudeUnit, UnitDecibel);
    EXPECT_EQ(Button(C::AmplitudeUnitButton)->text(), "dB");
}

TEST_F(PanelAmplitude, ModulationLimitsInTheirOwnUnits) {
    Start(0x1);
    PickUnit(C::AMMaxUnitButton, "1");
    EXPECT_EQ(Text(C::AMMaxText)->text(), "0.1");
    EXPECT_EQ(Text(C::AMMinText)->text(), "-60");
    Retype(C::AMMaxText, "0,5");
    Retype(C::AMMinText, "-40");
    EXPECT_EQ(Published().AMMaxAmp, 0.5);
    EXPECT_DOUBLE_EQ(Published().AMMinAmp, 0.01);
    Paste(C::AMMinText, "-Infinity");
    EXPECT_EQ(Published().AMMinAmp, 0.0);
    EXPECT_EQ(Button(C::AMMinUnitButton)->text(), "1");
    EXPECT_EQ(Text(C::AMMinText)->text(), "-Infinity");
}

TEST_F(PanelSwitches, CheckBoxesChangeOnlyTheirFlag) {
    Start(0x1);
    Edited().Flags |= 0x100;  // a bit without meaning stays as it is
    Click(C::MuteCheck);
    EXPECT_EQ(Published().Flags, 0x100);
    Click(C::FMCheck);
    EXPECT_EQ(Published().Flags, 0x100 | FlagFM);
    Click(C::AMCheck);
    EXPECT_EQ(Published().Flags, 0x100 | FlagFM | FlagAM);
    Click(C::MuteCheck);
    EXPECT_EQ(Published().Flags, 0x100 | FlagFM | FlagAM | FlagMute);
    EXPECT_TRUE(Button(C::MuteCheck)->isChecked());
}

TEST_F(PanelSwitches, ListsPickWaveforms) {
    Start(0x1);
    QTest::keyClick(List(C::WaveformList), Qt::Key_End);
    QTest::keyClick(List(C::FMWaveformList), Qt::Key_Down);
    QTest::keyClick(List(C::AMWaveformList), Qt::Key_Down);
    QTest::keyClick(List(C::AMWaveformList), Qt::Key_Down);
    const ChannelSettings s = Published();
    EXPECT_EQ(s.Waveform, WaveformIndex::User);
    EXPECT_EQ(s.FMWaveform, WaveformIndex::Triangle);
    EXPECT_EQ(s.AMWaveform, WaveformIndex::SawFalling);
}

TEST_F(PanelSwitches, IndexWithoutEntryLeavesTheListEmpty) {
    Start(0x1);
    Edited().FMWaveform = WaveformIndex::User;  // the FM list has no "Datei"
    Edited().Waveform = 9;
    Panel(0).PendingChanges = ValueBits;
    SyncChannelPanel(Panel(0), stream);
    EXPECT_EQ(List(C::FMWaveformList)->currentIndex(), -1);
    EXPECT_EQ(List(C::WaveformList)->currentIndex(), -1);
    EXPECT_EQ(List(C::AMWaveformList)->currentText(), "Sinus");
    EXPECT_EQ(Published().FMWaveform, WaveformIndex::User);
}

TEST_F(PanelSwitches, EachPanelEditsItsOwnChannel) {
    Start(0x7);
    Retype(C::FrequencyText, "1000", 2);
    Click(C::MuteCheck, 1);
    EXPECT_EQ(Published(2).Frequency, 1000.0);
    EXPECT_EQ(Published(0).Frequency, 440.0);
    EXPECT_EQ(Published(1).Frequency, 440.0);
    EXPECT_EQ(Published(1).Flags, 0);
    EXPECT_EQ(Published(0).Flags, FlagMute);
    EXPECT_EQ(Published(2).Flags, FlagMute);
    EXPECT_EQ(Text(C::FrequencyText, 0)->text(), "440");
}

}  // namespace
}  // namespace tonquelle::testing
