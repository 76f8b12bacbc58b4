#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>

#include "app/MemorySlotCommands.h"
#include "tests/gui/ShellPanelsTestSupport.h"

namespace tonquelle::testing {

QString ShellPanelsTest::TextOf(PanelControl which, int panel) const {
    if (auto* field = qobject_cast<QLineEdit*>(Panel(panel).Control(which))) {
        return field->text();
    }
    return Control<QAbstractButton>(which, panel)->text();
}

namespace {

using C = PanelControl;
using MemorySlotSave = ShellPanelsTest;
using MemorySlotLoad = ShellPanelsTest;
using ShellWithPanels = ShellPanelsTest;

// A record that differs from the defaults and from every other channel's in every value field.
ChannelSettings Distinct(int channel) {
    ChannelSettings s;
    s.Flags = channel % 2 == 0 ? FlagFM : FlagAM;
    s.Waveform = channel % 5;
    s.PhaseShift = 0.1 * (channel + 1);
    s.Frequency = 1000.0 + channel;
    s.FMWaveform = (channel + 1) % 5;
    s.FMFrequency = 2.0 + channel;
    s.FMMinFreq = 100.0 + channel;
    s.FMMaxFreq = 200.0 + channel;
    s.Amplitude = 0.5 + 0.01 * channel;
    s.AMWaveform = (channel + 2) % 6;
    s.AMFrequency = 3.0 + channel;
    s.AMMinAmp = 0.01 * (channel + 1);
    s.AMMaxAmp = 0.9 - 0.01 * channel;
    return s;
}

MemorySlot DistinctSlot(const std::string& name, int offset) {
    MemorySlot slot;
    slot.Name = name;
    for (int c = 0; c < MaxChannels; ++c) {
        slot.Channels[c] = Distinct(c + offset);
    }
    return slot;
}

TEST(TrimSpaces, RemovesOnlyOuterSpaceCharacters) {
    EXPECT_EQ(TrimSpaces("  Messung A  "), "Messung A");
    EXPECT_EQ(TrimSpaces("\tTab "), "\tTab");
    EXPECT_EQ(TrimSpaces(QString::fromUtf8("\u00a0geschützt\u00a0")),
              QString::fromUtf8("\u00a0geschützt\u00a0"));
    EXPECT_EQ(TrimSpaces("    "), "");
    EXPECT_EQ(TrimSpaces(""), "");
    EXPECT_EQ(TrimSpaces("a"), "a");
}

TEST_F(MemorySlotSave, ThreeChannelsOverwriteOnlyTheFirstThreeEntries) {
    MakeShellWithPanels();
    const MemorySlot before = DistinctSlot("Alt", 10);
    shell->Slots()[4] = before;
    ShowAndActivate();
    Start(0x7);
    QTest::keyClicks(Control<QLineEdit>(C::FrequencyText, 1), "5");  // 4405 Hz
    prompts->Answers = {"  Messung A  "};
    PressOnMain(Qt::Key_5, Qt::AltModifier);

    ASSERT_EQ(prompts->Presets, std::vector<QString>{"Alt"});
    const MemorySlot& saved = shell->Slots()[4];
    EXPECT_EQ(saved.Name, "Messung A");
    EXPECT_EQ(saved.Channels[0], ChannelSettings{});
    EXPECT_EQ(saved.Channels[1].Frequency, 4405.0);
    EXPECT_EQ(saved.Channels[1], Edited(1));
    EXPECT_EQ(saved.Channels[2], ChannelSettings{});
    for (int c = 3; c < MaxChannels; ++c) {
        EXPECT_EQ(saved.Channels[c], before.Channels[c]) << c;
    }
    EXPECT_EQ(MenuText(MenuLoadSlot + 4), "Messung A\tStrg+&5");
    EXPECT_EQ(MenuText(MenuSaveSlot + 4), "Messung A\tAlt+&5");
    // Nothing else was touched.
    EXPECT_EQ(shell->Slots()[3].Name, "Unbenannt");
}

TEST_F(MemorySlotSave, BlankOrCancelledNameSavesNothing) {
    MakeShellWithPanels();
    shell->Slots()[0] = DistinctSlot("Erste", 0);
    ShowAndActivate();
    Start(0x1);
    const QString menuText = MenuText(MenuSaveSlot);
    prompts->Answers = {"     "};
    PressOnMain(Qt::Key_1, Qt::AltModifier);
    PressOnMain(Qt::Key_1, Qt::AltModifier);  // no answer left: the prompt is cancelled
    EXPECT_EQ(prompts->Presets.size(), 2u);
    EXPECT_EQ(shell->Slots()[0].Name, "Erste");
    EXPECT_EQ(shell->Slots()[0].Channels[0], Distinct(0));
    EXPECT_EQ(MenuText(MenuSaveSlot), menuText);
}

TEST_F(MemorySlotSave, AltZeroIsTheLastSlot) {
    MakeShellWithPanels();
    shell->Slots()[9].Name = "Zehn";
    ShowAndActivate();
    Start(0x1);
    prompts->Answers = {"Zehn neu"};
    PressOnMain(Qt::Key_0, Qt::AltModifier);
    EXPECT_EQ(prompts->Presets, std::vector<QString>{"Zehn"});
    EXPECT_EQ(shell->Slots()[9].Name, "Zehn neu");
    EXPECT_EQ(MenuText(MenuLoadSlot + 9), "Zehn neu\tStrg+&0");
}

TEST_F(MemorySlotLoad, EightChannelSlotIntoTwoRunningChannels) {
    MakeShellWithPanels();
    shell->Slots()[2] = DistinctSlot("Acht", 0);
    ShowAndActivate();
    Start(0x12);
    PressOnMain(Qt::Key_3, Qt::ControlModifier);

    for (int c = 0; c < 2; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(Edited(c), Distinct(c));
        EXPECT_EQ(Published(c), Distinct(c));
        EXPECT_EQ(Panel(c).PendingChanges, 0u);
    }
    // Channels not in use keep their records; the slot is not changed by loading.
    EXPECT_EQ(Edited(2), ChannelSettings{});
    EXPECT_EQ(shell->Slots()[2].Name, "Acht");

    // Every control shows the loaded values (channel 1: Distinct(1)).
    EXPECT_EQ(TextOf(C::FrequencyText, 1), "1001");
    EXPECT_EQ(Control<QSlider>(C::FrequencySlider, 1)->value(), 170);  // 300·ln(50.05)/ln(1000)
    EXPECT_EQ(TextOf(C::PhaseText, 1), "11.4592");                     // 0.2 rad
    EXPECT_EQ(Control<QSlider>(C::PhaseSlider, 1)->value(), 96);       // (11.46 + 180) / 2
    EXPECT_FALSE(Control<QAbstractButton>(C::MuteCheck, 1)->isChecked());
    EXPECT_FALSE(Control<QAbstractButton>(C::FMCheck, 1)->isChecked());
    EXPECT_TRUE(Control<QAbstractButton>(C::AMCheck, 1)->isChecked());
    EXPECT_EQ(Control<QComboBox>(C::WaveformList, 1)->currentText(), "Dreieck");
    EXPECT_EQ(Control<QComboBox>(C::FMWaveformList, 1)->currentText(), "Sägezahn fallend");
    EXPECT_EQ(Control<QComboBox>(C::AMWaveformList, 1)->currentText(), "Sägezahn steigend");
    EXPECT_EQ(TextOf(C::FMFrequencyText, 1), "3");
    EXPECT_EQ(TextOf(C::FMMinText, 1), "101");
    EXPECT_EQ(TextOf(C::FMMaxText, 1), "201");
    EXPECT_EQ(TextOf(C::AMFrequencyText, 1), "4");
    EXPECT_EQ(TextOf(C::AmplitudeText, 1), "-5.8486");  // 20·log10(0.51)
    EXPECT_EQ(TextOf(C::AMMinText, 1), "-33.9794");     // 20·log10(0.02)
    EXPECT_EQ(TextOf(C::AMMaxText, 1), "-1.0122");      // 20·log10(0.89)
}

TEST_F(MemorySlotLoad, DecibelUnitsStayUnlessTheValueHasNoDecibelForm) {
    MakeShellWithPanels();
    MemorySlot slot;
    slot.Name = "Grenzen";
    slot.Channels[0].Amplitude = 0.5;
    slot.Channels[0].AMMinAmp = -1.0;
    slot.Channels[1].Amplitude = 0.0;
    slot.Channels[1].AMMaxAmp = std::numeric_limits<double>::quiet_NaN();
    shell->Slots()[0] = slot;
    ShowAndActivate();
    Start(0x3);
    PressOnMain(Qt::Key_1, Qt::ControlModifier);

    EXPECT_EQ(TextOf(C::AmplitudeUnitButton, 0), "dB");
    EXPECT_EQ(TextOf(C::AmplitudeText, 0), "-6.0206");
    EXPECT_EQ(Control<QSlider>(C::AmplitudeSlider, 0)->value(), 270);
    EXPECT_EQ(TextOf(C::AMMinUnitButton, 0), "1");
    EXPECT_EQ(TextOf(C::AMMinText, 0), "-1");
    EXPECT_EQ(TextOf(C::AMMaxUnitButton, 0), "dB");

    EXPECT_EQ(TextOf(C::AmplitudeUnitButton, 1), "1");
    EXPECT_EQ(TextOf(C::AmplitudeText, 1), "0");
    EXPECT_EQ(Control<QSlider>(C::AmplitudeSlider, 1)->value(), 0);
    EXPECT_EQ(TextOf(C::AMMaxUnitButton, 1), "1");
    EXPECT_EQ(TextOf(C::AMMaxText, 1), "NaN");
    EXPECT_EQ(TextOf(C::AMMinUnitButton, 1), "dB");

    // A linear unit is not turned back into dB by a later load.
    PressOnMain(Qt::Key_2, Qt::ControlModifier);  // slot 1: zeroed records, Amplitude 0.1
    EXPECT_EQ(TextOf(C::AmplitudeUnitButton, 1), "1");
    EXPECT_EQ(TextOf(C::AmplitudeText, 1), "0.1");
    EXPECT_EQ(TextOf(C::AmplitudeUnitButton, 0), "dB");
    EXPECT_EQ(TextOf(C::AmplitudeText, 0), "-20");
}

TEST_F(ShellWithPanels, EightPanelsScrollToTheLastOne) {
    MakeShellWithPanels();
    ShowAndActivate();
    Start(0xFF);
    ASSERT_EQ(host->Panels().Panels().size(), 8u);
    EXPECT_EQ(InnerSize(), QSize(850, 1645));
    QWidget* lastFrame = Panel(7).Control(C::Frame);
    EXPECT_EQ(lastFrame->geometry(), QRect(5, 1440, 840, 200));
    QScrollBar* bar = shell->PanelArea().verticalScrollBar();
    const int viewportHeight = shell->PanelArea().viewport()->height();
    EXPECT_EQ(bar->maximum(), 1645 - viewportHeight);
    bar->setValue(bar->maximum());
    // The last frame ends 5 pixels above the bottom of the scrolled view.
    const QPoint bottom = lastFrame->mapTo(shell->PanelArea().viewport(), QPoint(0, 200));
    EXPECT_EQ(bottom.y(), viewportHeight - 5);
}

TEST_F(ShellWithPanels, UnitMenuOfTheShellReachesThePanel) {
    MakeShellWithPanels();
    ShowAndActivate();
    Start(0x3);
    QMenu* shown = nullptr;
    QTimer::singleShot(0, [&] {
        shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(shown, nullptr);
        QAction* factor = shown->actions().at(0);
        QTest::mouseClick(shown, Qt::LeftButton, {}, shown->actionGeometry(factor).center());
    });
    QTest::mouseClick(Control<QAbstractButton>(C::AmplitudeUnitButton, 1), Qt::LeftButton);
    EXPECT_EQ(shown, &shell->UnitMenu());
    EXPECT_EQ(TextOf(C::AmplitudeUnitButton, 1), "1");
    EXPECT_EQ(TextOf(C::AmplitudeText, 1), "0.1");
    EXPECT_EQ(TextOf(C::AmplitudeUnitButton, 0), "dB");
}

TEST_F(ShellWithPanels, StopRemovesThePanelsAndTheNextStartBeginsAfresh) {
    MakeShellWithPanels();
    ShowAndActivate();
    Start(0x3);
    QTest::mouseClick(Control<QAbstractButton>(C::MuteCheck, 0), Qt::LeftButton);
    EXPECT_EQ(Published(0).Flags, 0);
    PressOnMain(Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(host->Panels().Panels().empty());
    EXPECT_TRUE(shell->PanelArea().widget()->children().isEmpty());

    Start(0x1);
    ASSERT_EQ(host->Panels().Panels().size(), 1u);
    EXPECT_TRUE(Control<QAbstractButton>(C::MuteCheck, 0)->isChecked());
    EXPECT_EQ(Published(0), ChannelSettings{});
    EXPECT_EQ(TextOf(C::AmplitudeUnitButton, 0), "dB");
}

TEST_F(ShellWithPanels, ReadErrorGoesToTheShellsMessageBox) {
    MakeShellWithPanels();
    ShowAndActivate();
    Start(0x1);
    prompts->NextFile = ProgramFolder() + "fehlt.csv";
    QTest::mouseClick(Control<QAbstractButton>(C::WaveformFileButton, 0), Qt::LeftButton);
    ASSERT_EQ(messages.Errors.size(), 1u);
    EXPECT_EQ(messages.Errors[0], "Beim Einlesen der Datei \"" +
                                      QDir::toNativeSeparators(prompts->NextFile) +
                                      "\" ist ein Fehler aufgetreten!");
}

// The real prompt: title, text, preset with the caret at its end and nothing selected; Enter
// confirms, Escape cancels.
class SlotNamePrompt : public ::testing::Test {
  protected:
    QString Answer(const QString& preset, std::function<void(QLineEdit&)> user) {
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            title = dialog->windowTitle();
            const auto labels = dialog->findChildren<QLabel*>();
            ASSERT_EQ(labels.size(), 1);
            text = labels[0]->text();
            auto* field = dialog->findChild<QLineEdit*>();
            ASSERT_NE(field, nullptr);
            shownText = field->text();
            cursor = field->cursorPosition();
            selected = field->hasSelectedText();
            focused = dialog->focusWidget() == field;
            user(*field);
        });
        return AskSlotNameWithDialog(nullptr, preset);
    }

    QString title, text, shownText;
    int cursor = -1;
    bool selected = true;
    bool focused = false;
};

TEST_F(SlotNamePrompt, EnterConfirmsTheEditedName) {
    const QString answer = Answer("Messung", [](QLineEdit& field) {
        QTest::keyClicks(&field, " 2");
        QTest::keyClick(&field, Qt::Key_Return);
    });
    EXPECT_EQ(answer, "Messung 2");
    EXPECT_EQ(title, "Einstellung speichern");
    EXPECT_EQ(text, "Bitte geben Sie einen Namen für die Einstellung ein!");
    EXPECT_EQ(shownText, "Messung");
    EXPECT_EQ(cursor, 7);
    EXPECT_FALSE(selected);
    EXPECT_TRUE(focused);
}

TEST_F(SlotNamePrompt, EscapeCancels) {
    const QString answer = Answer("Messung", [](QLineEdit& field) {
        QTest::keyClicks(&field, "X");
        QTest::keyClick(&field, Qt::Key_Escape);
    });
    EXPECT_EQ(answer, "");
}

}  // namespace
}  // namespace tonquelle::testing
