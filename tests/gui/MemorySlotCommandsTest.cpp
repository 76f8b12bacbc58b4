#include <algorithm>
#include <limits>

#include <QLabel>

#include "app/QtUserDialogs.h"
#include "tests/gui/GuiTestSupport.h"

namespace tonquelle::testing {
namespace {

// A record that differs from the defaults and from every other channel's in every value field.
S Distinct(int c) {
    const double d = c;
    return {.Flags = c % 2 == 0 ? FlagFM : FlagAM,
            .Waveform = c % 5,
            .PhaseShift = 0.1 * (d + 1),
            .Frequency = 1000 + d,
            .FMWaveform = (c + 1) % 5,
            .FMFrequency = 2 + d,
            .FMMinFreq = 100 + d,
            .FMMaxFreq = 200 + d,
            .Amplitude = 0.5 + 0.01 * d,
            .AMWaveform = (c + 2) % 6,
            .AMFrequency = 3 + d,
            .AMMinAmp = 0.01 * (d + 1),
            .AMMaxAmp = 0.9 - 0.01 * d,
            .DutyCycle = 20 + d};
}

MemorySlot DistinctSlot(const std::string& name, int offset) {
    MemorySlot slot{name, {}};
    std::ranges::generate(slot.Channels, [&] { return Distinct(offset++); });
    return slot;
}

// Alt+5 saves the running channels into slot 4 under the trimmed name and leaves its other
// entries; Alt+0 is the tenth slot; a blank or cancelled name saves nothing.
TEST_F(PanelTest, SaveCopiesTheRunningChannelsUnderTheTrimmedName) {
    const MemorySlot first = DistinctSlot("Erste", 0), before = DistinctSlot("Alt", 10);
    shell->Slots()[0] = first;
    shell->Slots()[4] = before;
    shell->Slots()[9].Name = "Zehn";
    Start(0x7);
    QTest::keyClicks(Panel(1).Control(C::FrequencyText), "5");  // 4405 Hz, on Enter
    QTest::keyClick(Panel(1).Control(C::FrequencyText), Qt::Key_Return);
    asked.Answers = {"  Messung A  ", "Zehn neu", "     "};
    for (Qt::Key key : {Qt::Key_5, Qt::Key_0, Qt::Key_1, Qt::Key_1}) {
        PressOnMain(key, Qt::AltModifier);
    }
    EXPECT_EQ(asked.Presets, QStringList({"Alt", "Zehn", "Erste", "Erste"}));
    const MemorySlot& saved = shell->Slots()[4];
    EXPECT_EQ(saved.Name, "Messung A");
    EXPECT_EQ(saved.Channels[1].Frequency, 4405.0);
    for (int c = 0; c < MaxChannels; ++c) {
        EXPECT_EQ(saved.Channels[c], c == 1 ? Edited(1) : c < 3 ? S{} : before.Channels[c]) << c;
    }
    EXPECT_EQ(shell->Slots()[0].Name, "Erste");
    EXPECT_EQ(shell->Slots()[0].Channels, first.Channels);
    EXPECT_EQ(shell->Slots()[3].Name, "Unbenannt");
    EXPECT_EQ(MenuText(MenuLoadSlot + 4), "Messung A\tStrg+&5");
    EXPECT_EQ(MenuText(MenuSaveSlot + 4), "Messung A\tAlt+&5");
    EXPECT_EQ(MenuText(MenuLoadSlot + 9), "Zehn neu\tStrg+&0");
    EXPECT_EQ(MenuText(MenuSaveSlot), "Erste\tAlt+&1");
}

TEST_F(PanelTest, EightChannelSlotLoadsIntoTwoRunningChannels) {
    shell->Slots()[2] = DistinctSlot("Acht", 0);
    Start(0x12);
    PressOnMain(Qt::Key_3, Qt::ControlModifier);
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(Edited(c), Distinct(c)) << c;
        EXPECT_EQ(Published(c), Distinct(c)) << c;
    }
    EXPECT_EQ(Edited(2), S{});                  // not in use: keeps its record
    EXPECT_EQ(shell->Slots()[2].Name, "Acht");  // loading leaves the slot
    EXPECT_EQ(Shown(Panel(0), C::Frame), "Kanal 1 (Front Right)");
    // Channel 1: 1001 Hz is slider 300·ln(50.05)/ln(1000) = 170; 0.2 rad is 11.4592°, slider
    // (11.46 + 180) / 2 = 96; the amplitudes 0.51, 0.02, 0.89 in dB are 20·log10 of them, the
    // slider 300 + 5·(-5.8486) = 271.
    EXPECT_EQ(
        AllShown(Panel(1)),
        QString("Kanal 2 (Back Left)|Wellenform|Dreieck||...|Stummschaltung|Tastverhältnis|[ ]|"
                "21|%|"
                "Phasenverschiebung|96|11.4592|°|Frequenz|170|+10|+1|+0,1|-0,1|-1|-10|1001|Hz|"
                "[ ]|Sägezahn fallend|[ ]|Frequenz:|3|Hz|Minimum:|101|Hz|Maximum:|201|Hz|"
                "Amplitude|271|-5.8486|dB|[x]|Sägezahn steigend||...|Frequenz:|4|Hz|"
                "Minimum:|-33.9794|dB|Maximum:|-1.0122|dB")
            .split('|'));
}

// A field in dB stays in dB unless the loaded value has no dB form (0, negative, NaN); a field
// showing the factor stays so. A waveform index without a list entry leaves the list empty.
TEST_F(PanelTest, LoadKeepsDecibelsUnlessTheValueHasNoDecibelForm) {
    S* loaded = shell->Slots()[0].Channels.data();
    loaded[0] = {
        .Waveform = 9, .FMWaveform = WaveformIndex::User, .Amplitude = 0.5, .AMMinAmp = -1.0};
    loaded[1] = {.Amplitude = 0.0, .AMMaxAmp = std::numeric_limits<double>::quiet_NaN()};
    Start(0x3);
    PressOnMain(Qt::Key_1, Qt::ControlModifier);
    // Both amplitudes' units, texts and sliders, the AM limits' units and texts, the two lists.
    const auto shown = [this](int panel) {
        QStringList texts;
        for (C control :
             {C::AmplitudeUnitButton, C::AmplitudeText, C::AmplitudeSlider, C::AMMinUnitButton,
              C::AMMinText, C::AMMaxUnitButton, C::AMMaxText, C::WaveformList, C::FMWaveformList}) {
            texts << Shown(Panel(panel), control);
        }
        return texts.join('|');
    };
    EXPECT_EQ(shown(0), "dB|-6.0206|270|1|-1|dB|-20||");
    EXPECT_EQ(Edited(0), loaded[0]);
    EXPECT_EQ(shown(1), "1|0|0|dB|-60|1|NaN|Sinus|Sinus");
    PressOnMain(Qt::Key_2, Qt::ControlModifier);  // slot 1: default records, amplitude 0.1
    ExpectShown(Panel(0), {{C::AmplitudeUnitButton, "dB"}, {C::AmplitudeText, "-20"}});
    ExpectShown(Panel(1), {{C::AmplitudeUnitButton, "1"}, {C::AmplitudeText, "0.1"}});
}

// Opens the real prompt with the preset "Messung", checks its title and text, the preset with the
// caret at its end, nothing selected and the field focused; types " 2" and presses `key`.
// Returns the prompt's answer.
QString AnswerSlotNamePromptWith(Qt::Key key) {
    QTimer::singleShot(0, [key] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        const auto labels = dialog->findChildren<QLabel*>();
        auto* field = dialog->findChild<QLineEdit*>();
        ASSERT_EQ(labels.size(), 1);
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "Einstellung speichern");
        EXPECT_EQ(labels[0]->text(), "Bitte geben Sie einen Namen für die Einstellung ein!");
        EXPECT_EQ(field->text(), "Messung");
        EXPECT_EQ(field->cursorPosition(), 7);
        EXPECT_FALSE(field->hasSelectedText());
        EXPECT_EQ(dialog->focusWidget(), field);
        QTest::keyClicks(field, " 2");
        QTest::keyClick(field, key);
    });
    return AskSlotNameWithDialog(nullptr, "Messung");
}

TEST(SlotNamePrompt, ShowsThePresetAndEnterConfirmsTheEditedName) {
    EXPECT_EQ(AnswerSlotNamePromptWith(Qt::Key_Return), QString("Messung 2"));
}

TEST(SlotNamePrompt, ShowsThePresetAndEscapeCancels) {
    EXPECT_EQ(AnswerSlotNamePromptWith(Qt::Key_Escape), QString());
}

}  // namespace
}  // namespace tonquelle::testing
