#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>

#include "tests/gui/PanelTestSupport.h"

namespace tonquelle::testing {
namespace {

using C = PanelControl;

using ChannelPanelLayout = PanelTest;

QStringList Entries(const QComboBox& list) {
    QStringList entries;
    for (int i = 0; i < list.count(); ++i) {
        entries << list.itemText(i) + "=" + list.itemData(i).toString();
    }
    return entries;
}

TEST_F(ChannelPanelLayout, NewPanelShowsTheChannelDefaults) {
    Start(0x3);
    for (int panel = 0; panel < 2; ++panel) {
        SCOPED_TRACE(panel);
        EXPECT_EQ(List(C::WaveformList, panel)->currentText(), "Sinus");
        EXPECT_TRUE(Button(C::MuteCheck, panel)->isChecked());
        EXPECT_EQ(Slider(C::PhaseSlider, panel)->value(), 90);
        EXPECT_EQ(Text(C::PhaseText, panel)->text(), "0");
        EXPECT_EQ(Slider(C::FrequencySlider, panel)->value(), 134);
        EXPECT_EQ(Text(C::FrequencyText, panel)->text(), "440");
        EXPECT_FALSE(Button(C::FMCheck, panel)->isChecked());
        EXPECT_EQ(List(C::FMWaveformList, panel)->currentText(), "Sinus");
        EXPECT_EQ(Text(C::FMFrequencyText, panel)->text(), "1");
        EXPECT_EQ(Text(C::FMMinText, panel)->text(), "440");
        EXPECT_EQ(Text(C::FMMaxText, panel)->text(), "880");
        EXPECT_EQ(Slider(C::AmplitudeSlider, panel)->value(), 200);
        EXPECT_EQ(Text(C::AmplitudeText, panel)->text(), "-20");
        EXPECT_EQ(Button(C::AmplitudeUnitButton, panel)->text(), "dB");
        EXPECT_FALSE(Button(C::AMCheck, panel)->isChecked());
        EXPECT_EQ(List(C::AMWaveformList, panel)->currentText(), "Sinus");
        EXPECT_EQ(Text(C::AMFrequencyText, panel)->text(), "1");
        EXPECT_EQ(Text(C::AMMinText, panel)->text(), "-60");
        EXPECT_EQ(Button(C::AMMinUnitButton, panel)->text(), "dB");
        EXPECT_EQ(Text(C::AMMaxText, panel)->text(), "-20");
        EXPECT_EQ(Button(C::AMMaxUnitButton, panel)->text(), "dB");
        EXPECT_EQ(Text(C::WaveformFileName, panel)->text(), "");
        EXPECT_EQ(Text(C::AMFileName, panel)->text(), "");
        EXPECT_EQ(Panel(panel).PendingChanges, 0u);
        EXPECT_EQ(Panel(panel).AmplitudeUnit, UnitDecibel);
        EXPECT_EQ(Panel(panel).AMMinUnit, UnitDecibel);
        EXPECT_EQ(Panel(panel).AMMaxUnit, UnitDecibel);
        EXPECT_EQ(Panel(panel).Settings, &stream.Channels[panel].EditSettings);
    }
}

TEST_F(ChannelPanelLayout, ListsCarryTheirWaveformIndexAndCannotBeEdited) {
    Start(0x1);
    const QStringList full = {
        "Sinus=0",    "Dreieck=1", "Sägezahn fallend=2", "Sägezahn steigend=3",
        "Rechteck=4", "Datei=5"};
    EXPECT_EQ(Entries(*List(C::WaveformList)), full);
    EXPECT_EQ(Entries(*List(C::AMWaveformList)), full);
    EXPECT_EQ(Entries(*List(C::FMWaveformList)), full.mid(0, 5));
    EXPECT_FALSE(List(C::WaveformList)->isEditable());
    EXPECT_TRUE(Text(C::WaveformFileName)->isReadOnly());
    EXPECT_TRUE(Text(C::AMFileName)->isReadOnly());
    EXPECT_FALSE(Text(C::FrequencyText)->isReadOnly());
}

TEST_F(ChannelPanelLayout, ControlsSitAtTheirPlacesInTheSecondPanel) {
    Start(0x3);
    const ChannelPanel& second = Panel(1);
    // Offsets from the frame's corner plus (5, 5 + 205) for the second panel.
    EXPECT_EQ(second.Control(C::Frame)->geometry(), QRect(5, 210, 840, 200));
    EXPECT_EQ(second.Control(C::WaveformList)->geometry(), QRect(15, 255, 200, 20));
    EXPECT_EQ(second.Control(C::PhaseSlider)->geometry(), QRect(15, 380, 95, 20));
    EXPECT_EQ(second.Control(C::FrequencySlider)->geometry(), QRect(240, 255, 30, 120));
    EXPECT_EQ(second.Control(C::StepMinus10)->geometry(), QRect(290, 355, 30, 20));
    EXPECT_EQ(second.Control(C::AmplitudeUnitButton)->geometry(), QRect(600, 380, 30, 20));
    EXPECT_EQ(second.Control(C::AMMaxUnitButton)->geometry(), QRect(805, 380, 30, 20));
    // All 49 handles are distinct siblings in the container.
    QSet<QWidget*> distinct;
    for (QWidget* control : second.Controls) {
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->parentWidget(), container);
        distinct.insert(control);
    }
    EXPECT_EQ(distinct.size(), 49);
}

TEST_F(ChannelPanelLayout, ControlKindsAndTexts) {
    Start(0x1);
    const ChannelPanel& p = Panel(0);
    auto* caption = qobject_cast<QLabel*>(p.Control(C::PhaseCaption));
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->text(), "Phasenverschiebung");
    EXPECT_EQ(caption->frameShape(), QFrame::Panel);
    EXPECT_EQ(caption->frameShadow(), QFrame::Sunken);
    EXPECT_EQ(caption->alignment(), Qt::AlignCenter);
    EXPECT_EQ(qobject_cast<QLabel*>(p.Control(C::PhaseUnitLabel))->text(), "°");
    EXPECT_EQ(qobject_cast<QLabel*>(p.Control(C::AMMaxLabel))->text(), "Maximum:");
    EXPECT_EQ(qobject_cast<QCheckBox*>(p.Control(C::AMCheck))->text(), "Amplitudenmodulation");
    QStringList steps;
    for (C button : {C::StepPlus10, C::StepPlus1, C::StepPlus01, C::StepMinus01, C::StepMinus1,
                     C::StepMinus10}) {
        steps << qobject_cast<QPushButton*>(p.Control(button))->text();
    }
    EXPECT_EQ(steps, QStringList({"+10", "+1", "+0,1", "-0,1", "-1", "-10"}));
    EXPECT_EQ(qobject_cast<QPushButton*>(p.Control(C::AMFileButton))->text(), "...");
    EXPECT_EQ(Slider(C::PhaseSlider)->orientation(), Qt::Horizontal);
    EXPECT_EQ(Slider(C::PhaseSlider)->maximum(), 180);
    EXPECT_EQ(Slider(C::FrequencySlider)->orientation(), Qt::Vertical);
    EXPECT_EQ(Slider(C::AmplitudeSlider)->maximum(), 300);
    EXPECT_EQ(Slider(C::AmplitudeSlider)->minimum(), 0);
    EXPECT_EQ(Slider(C::AmplitudeSlider)->tickPosition(), QSlider::NoTicks);
}

TEST_F(ChannelPanelLayout, TitlesNameTheSelectedSpeakers) {
    Start(0x12);
    EXPECT_EQ(Control<QGroupBox>(C::Frame, 0)->title(), "Kanal 1 (Front Right)");
    EXPECT_EQ(Control<QGroupBox>(C::Frame, 1)->title(), "Kanal 2 (Back Left)");
}

TEST_F(ChannelPanelLayout, TitlesOfFourSpeakers) {
    Start(0x33);
    ASSERT_EQ(panels->Panels().size(), 4u);
    EXPECT_EQ(Control<QGroupBox>(C::Frame, 0)->title(), "Kanal 1 (Front Left)");
    EXPECT_EQ(Control<QGroupBox>(C::Frame, 1)->title(), "Kanal 2 (Front Right)");
    EXPECT_EQ(Control<QGroupBox>(C::Frame, 2)->title(), "Kanal 3 (Back Left)");
    EXPECT_EQ(Control<QGroupBox>(C::Frame, 3)->title(), "Kanal 4 (Back Right)");
    EXPECT_EQ(Panel(3).Control(C::Frame)->geometry(), QRect(5, 620, 840, 200));
}

TEST_F(ChannelPanelLayout, DestroyingRemovesEveryControl) {
    Start(0x7);
    QList<QPointer<QWidget>> controls;
    for (const auto& panel : panels->Panels()) {
        for (QWidget* control : panel->Controls) {
            controls << control;
        }
    }
    ASSERT_EQ(controls.size(), 3 * 49);
    panels->DestroyPanels();
    EXPECT_TRUE(panels->Panels().empty());
    for (const QPointer<QWidget>& control : controls) {
        EXPECT_TRUE(control.isNull());
    }
    EXPECT_TRUE(container->children().isEmpty());
}

}  // namespace
}  // namespace tonquelle::testing
