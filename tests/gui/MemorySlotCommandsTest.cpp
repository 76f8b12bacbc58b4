#include <limits>

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>

#include "app/ChannelPanelHost.h"
#include "tests/gui/PanelTestSupport.h"
#include "tests/gui/ShellTestSupport.h"

namespace tonquelle::testing {
namespace {

// Answers the panels' questions for the user and records the name prompts' presets.
class RecordingPrompts final : public PanelPrompts {
  public:
    QString ChooseWaveformFile(QWidget*) override { return NextFile; }
    QString AskSlotName(QWidget*, const QString& preset) override {
        Presets << preset;
        return Answers.value(Presets.size() - 1);  // none left: cancelled
    }
    QString NextFile;
    QStringList Answers, Presets;
};

// The whole program on the virtual device, with the real channel panels and memory-slot
// commands.
class ShellPanelsTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        PanelHostFactory factory = [this](const PanelContext& context) {
            auto recording = std::make_unique<RecordingPrompts>();
            prompts = recording.get();
            auto made = std::make_unique<ChannelPanelHost>(context, std::move(recording));
            host = made.get();
            return made;
        };
        shell = std::make_unique<Shell>(
            ShellServices{driver, messages, urls, ProgramFolder(), UserFolder(), factory});
    }

    const ChannelPanel& Panel(int index) const { return *host->Panels().Panels().at(index); }
    ChannelSettings& Edited(int channel) { return shell->Stream().Channels[channel].EditSettings; }
    ChannelSettings Published(int channel) { return PublishedOf(shell->Stream(), channel); }

    ChannelPanelHost* host = nullptr;
    RecordingPrompts* prompts = nullptr;
};

using S = ChannelSettings;
using MemorySlotCommands = ShellPanelsTest;
using ShellWithPanels = ShellPanelsTest;

// A record that differs from the defaults and from every other channel's in every value field.
S Distinct(int c) {
    const double d = c;
    const std::int32_t flags = c % 2 == 0 ? FlagFM : FlagAM;
    return {flags, c % 5,          0.1 * (d + 1), 1000 + d,       (c + 1) % 5,
            2 + d, 100 + d,        200 + d,       0.5 + 0.01 * d, (c + 2) % 6,
            3 + d, 0.01 * (d + 1), 0.9 - 0.01 * d};
}

MemorySlot DistinctSlot(const std::string& name, int offset) {
    MemorySlot slot{name, {}};
    for (int c = 0; c < MaxChannels; ++c) {
        slot.Channels[c] = Distinct(c + offset);
    }
    return slot;
}

// Alt+5 saves the running channels into slot 4 under the trimmed name and leaves its other
// entries; Alt+0 is the tenth slot; a blank or cancelled name saves nothing.
TEST_F(MemorySlotCommands, SaveCopiesTheRunningChannelsUnderTheTrimmedName) {
    const MemorySlot first = DistinctSlot("Erste", 0), before = DistinctSlot("Alt", 10);
    shell->Slots()[0] = first;
    shell->Slots()[4] = before;
    shell->Slots()[9].Name = "Zehn";
    ShowAndActivate();
    Start(0x7);
    QTest::keyClicks(Panel(1).Control(C::FrequencyText), "5");  // 4405 Hz
    prompts->Answers = {"  Messung A  ", "Zehn neu", "     "};
    for (Qt::Key key : {Qt::Key_5, Qt::Key_0, Qt::Key_1, Qt::Key_1}) {
        PressOnMain(key, Qt::AltModifier);
    }
    EXPECT_EQ(prompts->Presets, QStringList({"Alt", "Zehn", "Erste", "Erste"}));
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

TEST_F(MemorySlotCommands, EightChannelSlotLoadsIntoTwoRunningChannels) {
    shell->Slots()[2] = DistinctSlot("Acht", 0);
    ShowAndActivate();
    Start(0x12);
    PressOnMain(Qt::Key_3, Qt::ControlModifier);
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(Edited(c), Distinct(c)) << c;
        EXPECT_EQ(Published(c), Distinct(c)) << c;
    }
    EXPECT_EQ(Edited(2), S{});                  // not in use: keeps its record
    EXPECT_EQ(shell->Slots()[2].Name, "Acht");  // loading leaves the slot
    // Channel 1: 1001 Hz is slider 300·ln(50.05)/ln(1000) = 170; 0.2 rad is 11.4592°, slider
    // (11.46 + 180) / 2 = 96; the amplitudes 0.51, 0.02, 0.89 in dB are 20·log10 of them, the
    // slider 300 + 5·(-5.8486) = 271.
    EXPECT_EQ(
        AllShown(Panel(1)),
        QString("Kanal 2 (Back Left)|Wellenform|Dreieck||...|Stummschaltung|[ ]|"
                "Phasenverschiebung|96|11.4592|°|Frequenz|170|+10|+1|+0,1|-0,1|-1|-10|1001|Hz|"
                "[ ]|Sägezahn fallend|Frequenz:|3|Hz|Minimum:|101|Hz|Maximum:|201|Hz|"
                "Amplitude|271|-5.8486|dB|[x]|Sägezahn steigend||...|Frequenz:|4|Hz|"
                "Minimum:|-33.9794|dB|Maximum:|-1.0122|dB")
            .split('|'));
}

// A field in dB stays in dB unless the loaded value has no dB form (0, negative, NaN); a field
// showing the factor stays so. A waveform index without a list entry leaves the list empty.
TEST_F(MemorySlotCommands, LoadKeepsDecibelsUnlessTheValueHasNoDecibelForm) {
    S* loaded = shell->Slots()[0].Channels.data();
    loaded[0] = {
        .Waveform = 9, .FMWaveform = WaveformIndex::User, .Amplitude = 0.5, .AMMinAmp = -1.0};
    loaded[1] = {.Amplitude = 0.0, .AMMaxAmp = std::numeric_limits<double>::quiet_NaN()};
    ShowAndActivate();
    Start(0x3);
    PressOnMain(Qt::Key_1, Qt::ControlModifier);
    ExpectShown(Panel(0), {{C::AmplitudeUnitButton, "dB"},
                           {C::AmplitudeText, "-6.0206"},
                           {C::AmplitudeSlider, "270"},
                           {C::AMMinUnitButton, "1"},
                           {C::AMMinText, "-1"},
                           {C::AMMaxUnitButton, "dB"},
                           {C::WaveformList, ""},
                           {C::FMWaveformList, ""}});
    EXPECT_EQ(Edited(0), loaded[0]);
    ExpectShown(Panel(1), {{C::AmplitudeUnitButton, "1"},
                           {C::AmplitudeText, "0"},
                           {C::AmplitudeSlider, "0"},
                           {C::AMMaxUnitButton, "1"},
                           {C::AMMaxText, "NaN"},
                           {C::AMMinUnitButton, "dB"}});
    PressOnMain(Qt::Key_2, Qt::ControlModifier);  // slot 1: default records, amplitude 0.1
    ExpectShown(Panel(0), {{C::AmplitudeUnitButton, "dB"}, {C::AmplitudeText, "-20"}});
    ExpectShown(Panel(1), {{C::AmplitudeUnitButton, "1"}, {C::AmplitudeText, "0.1"}});
}

// The last frame ends 5 pixels above the bottom of the view scrolled to its end.
TEST_F(ShellWithPanels, EightPanelsScrollToTheLastOne) {
    ShowAndActivate();
    Start(0xFF);
    ASSERT_EQ(host->Panels().Panels().size(), 8u);
    EXPECT_EQ(InnerSize(), QSize(850, 1645));
    QScrollBar* bar = shell->PanelArea().verticalScrollBar();
    const int viewportHeight = shell->PanelArea().viewport()->height();
    EXPECT_EQ(bar->maximum(), 1645 - viewportHeight);
    bar->setValue(bar->maximum());
    QWidget* lastFrame = Panel(7).Control(C::Frame);
    EXPECT_EQ(lastFrame->geometry(), QRect(5, 1440, 840, 200));
    EXPECT_EQ(lastFrame->mapTo(shell->PanelArea().viewport(), QPoint(0, 200)).y(),
              viewportHeight - 5);
}

// The shell's unit menu and message box serve the panels; stopping removes the panels, and the
// next start begins with the channel defaults.
TEST_F(ShellWithPanels, PanelsUseTheShellsMenuAndMessagesAndGoOnStop) {
    ShowAndActivate();
    Start(0x3);
    PickUnit(Panel(1).Control(C::AmplitudeUnitButton), "1");
    ExpectShown(Panel(1), {{C::AmplitudeUnitButton, "1"}, {C::AmplitudeText, "0.1"}});
    ExpectShown(Panel(0), {{C::AmplitudeUnitButton, "dB"}});
    prompts->NextFile = ProgramFolder() + "fehlt.csv";
    QTest::mouseClick(Panel(0).Control(C::WaveformFileButton), Qt::LeftButton);
    EXPECT_EQ(messages.Errors, std::vector{ReadErrorMessage(prompts->NextFile)});
    QTest::mouseClick(Panel(0).Control(C::MuteCheck), Qt::LeftButton);
    EXPECT_EQ(Published(0).Flags, 0);

    ActivateMain();  // back from the unit menu
    PressOnMain(Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(host->Panels().Panels().empty());
    EXPECT_TRUE(shell->PanelArea().widget()->children().isEmpty());
    Start(0x1);
    ASSERT_EQ(host->Panels().Panels().size(), 1u);
    EXPECT_EQ(Published(0), S{});
    ExpectShown(Panel(0), {{C::MuteCheck, "[x]"}, {C::AmplitudeUnitButton, "dB"}});
}

// The real prompt: its title and text, the preset with the caret at its end, nothing selected,
// the field focused; Enter confirms the edited name, Escape cancels.
TEST(SlotNamePrompt, ShowsThePresetEnterConfirmsEscapeCancels) {
    for (const auto& [key, answer] :
         {std::pair{Qt::Key_Return, QString("Messung 2")}, std::pair{Qt::Key_Escape, QString()}}) {
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
        EXPECT_EQ(AskSlotNameWithDialog(nullptr, "Messung"), answer);
    }
}

}  // namespace
}  // namespace tonquelle::testing
