#include <tuple>

#include "tests/gui/PanelTestSupport.h"

namespace tonquelle::testing {
namespace {

using ChannelPanelLayout = PanelTest;

// Every control of a new panel in creation order: the frame's title, the captions and labels,
// and the channel defaults (a muted 440 Hz sine at -20 dB).
TEST_F(ChannelPanelLayout, NewPanelsShowTheirTextsAndTheChannelDefaults) {
    Start(0x3);
    QStringList expected = QString(
                               "Kanal 1 (Front Left)|Wellenform|Sinus||...|Stummschaltung|[x]|"
                               "Phasenverschiebung|90|0|°|Frequenz|134|+10|+1|+0,1|-0,1|-1|-10|"
                               "440|Hz|[ ]|Sinus|Frequenz:|1|Hz|Minimum:|440|Hz|Maximum:|880|Hz|"
                               "Amplitude|200|-20|dB|[ ]|Sinus||...|Frequenz:|1|Hz|Minimum:|-60|"
                               "dB|Maximum:|-20|dB")
                               .split('|');
    EXPECT_EQ(AllShown(Panel(0)), expected);
    expected[0] = "Kanal 2 (Front Right)";
    EXPECT_EQ(AllShown(Panel(1)), expected);
}

// A representative set: offsets from the frame's corner plus (5, 5 + 205) for the second panel.
TEST_F(ChannelPanelLayout, ControlsSitAtTheirPlacesInTheSecondPanel) {
    Start(0x3);
    const std::pair<C, QRect> places[] = {
        {C::Frame, {5, 210, 840, 200}},          {C::WaveformList, {15, 255, 200, 20}},
        {C::PhaseSlider, {15, 380, 95, 20}},     {C::FrequencySlider, {240, 255, 30, 120}},
        {C::StepMinus10, {290, 355, 30, 20}},    {C::AmplitudeUnitButton, {600, 380, 30, 20}},
        {C::AMMaxUnitButton, {805, 380, 30, 20}}};
    for (const auto& [control, place] : places) {
        EXPECT_EQ(Panel(1).Control(control)->geometry(), place) << static_cast<int>(control);
    }
}

TEST(PanelTitle, NamesTheSpeakerOfTheChannelsBit) {
    const std::tuple<int, std::int32_t, QString> titles[] = {
        {0, 0x12, "Kanal 1 (Front Right)"}, {1, 0x12, "Kanal 2 (Back Left)"},
        {0, 0x33, "Kanal 1 (Front Left)"},  {1, 0x33, "Kanal 2 (Front Right)"},
        {2, 0x33, "Kanal 3 (Back Left)"},   {3, 0x33, "Kanal 4 (Back Right)"}};
    for (const auto& [index, mask, title] : titles) {
        EXPECT_EQ(PanelTitle(index, mask), title);
    }
}

}  // namespace
}  // namespace tonquelle::testing
