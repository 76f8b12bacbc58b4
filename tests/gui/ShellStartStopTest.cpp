// Start-up, starting, stopping and leaving of the whole shell on the virtual device.

#include <QComboBox>
#include <QFile>
#include <QMenuBar>
#include <QScrollBar>
#include <QSignalSpy>
#include <mutex>

#include "app/AboutBox.h"
#include "audio/StreamEngine.h"
#include "settings/SettingsStore.h"
#include "tests/gui/ShellTestSupport.h"

namespace tonquelle::testing {
namespace {

const QString InvalidSettings = QString::fromUtf8(
    "Unzulässige Einstellungen! Möglicherweise ist die Anzahl der ausgewählten Kanäle "
    "unzulässig.");
const QString StartFailed =
    QStringLiteral("Beim Starten des Funktionsgenerators ist ein Fehler aufgetreten!");
const QString StopFailed =
    QStringLiteral("Beim Beenden des Funktionsgenerators ist ein Fehler aufgetreten!");

std::filesystem::path Path(const QString& path) {
    return path.toStdString();
}

void ExpectStartValues(const ChannelSettings& s) {
    EXPECT_EQ(s.Flags, 1);
    EXPECT_EQ(s.Waveform, 0);
    EXPECT_EQ(s.PhaseShift, 0.0);
    EXPECT_EQ(s.Frequency, 440.0);
    EXPECT_EQ(s.FMWaveform, 0);
    EXPECT_EQ(s.FMFrequency, 1.0);
    EXPECT_EQ(s.FMMinFreq, 440.0);
    EXPECT_EQ(s.FMMaxFreq, 880.0);
    EXPECT_EQ(s.Amplitude, 0.1);
    EXPECT_EQ(s.AMWaveform, 0);
    EXPECT_EQ(s.AMFrequency, 1.0);
    EXPECT_EQ(s.AMMinAmp, 0.001);
    EXPECT_EQ(s.AMMaxAmp, 0.1);
}

using ShellStartUp = ShellTest;
using ShellStarting = ShellTest;
using ShellStopping = ShellTest;
using ShellLeaving = ShellTest;

TEST_F(ShellStartUp, WithoutSettingsFileTheGeneratorIsStopped) {
    MakeShell();
    EXPECT_EQ(shell->Window().windowTitle(), "Tonquelle");
    EXPECT_EQ(MenuText(MenuStartStop), "&Starten...\tStrg+R");
    for (int slot = 0; slot < 10; ++slot) {
        EXPECT_FALSE(shell->MenuAction(MenuLoadSlot + slot)->isEnabled()) << slot;
        EXPECT_FALSE(shell->MenuAction(MenuSaveSlot + slot)->isEnabled()) << slot;
    }
    EXPECT_EQ(MenuText(MenuLoadSlot), "Unbenannt\tStrg+&1");
    EXPECT_EQ(MenuText(MenuSaveSlot + 9), "Unbenannt\tAlt+&0");
    EXPECT_EQ(InnerSize(), QSize(50, 50));
    EXPECT_FALSE(IsRunning(shell->Stream()));
    EXPECT_TRUE(messages.Errors.empty());
}

TEST_F(ShellStartUp, PanelAreaIsAFramelessScrollAreaFillingTheWindowBelowTheMenuBar) {
    MakeShell();
    ShowAndActivate();
    QScrollArea& area = shell->PanelArea();
    EXPECT_EQ(shell->Window().centralWidget(), &area);
    EXPECT_EQ(area.frameShape(), QFrame::NoFrame);
    EXPECT_EQ(area.verticalScrollBar()->singleStep(), 50);
    EXPECT_EQ(area.horizontalScrollBar()->singleStep(), 50);
    EXPECT_EQ(area.size(), QSize(850, 415));
    const int menuHeight = shell->Window().menuBar()->height();
    EXPECT_EQ(area.geometry(), QRect(0, menuHeight, 850, 415));

    shell->Window().resize(1000, 700);
    EXPECT_EQ(area.geometry(), QRect(0, menuHeight, 1000, 700 - menuHeight));
    shell->Window().resize(100, 100);
    EXPECT_EQ(shell->Window().size(), QSize(400, 200));
}

TEST_F(ShellStartUp, SlotNamesComeFromTheSettingsFile) {
    OutputConfig config;
    MemorySlots memory;
    LoadSettings(Path(ProgramFolder() + "tonquelle.ini"), config, memory);
    memory[3].Name = "Messreihe";
    memory[9].Name = "Letzte";
    ASSERT_TRUE(SaveSettings(Path(ProgramFolder() + "tonquelle.ini"), config, memory));

    MakeShell();
    EXPECT_EQ(MenuText(MenuLoadSlot + 3), "Messreihe\tStrg+&4");
    EXPECT_EQ(MenuText(MenuSaveSlot + 3), "Messreihe\tAlt+&4");
    EXPECT_EQ(MenuText(MenuLoadSlot + 9), "Letzte\tStrg+&0");
    EXPECT_EQ(MenuText(MenuSaveSlot + 9), "Letzte\tAlt+&0");
}

TEST_F(ShellStarting, CtrlROpensOneNonModalDialogAndBringsItBackToTheFront) {
    MakeShell();
    ShowAndActivate();
    PressOnMain(Qt::Key_R, Qt::ControlModifier);
    DeviceDialog* dialog = shell->DeviceWindow();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8("Ausgabegerät konfigurieren"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(dialog->parentWidget(), &shell->Window());

    ActivateMain();
    PressOnMain(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(shell->DeviceWindow(), dialog);
    EXPECT_EQ(shell->Window().findChildren<DeviceDialog*>().size(), 1);
    EXPECT_FALSE(IsRunning(shell->Stream()));
}

TEST_F(ShellStarting, NoSpeakerOrNineSpeakersAreRefusedAndTheChoicesKept) {
    MakeShell();
    DeviceDialog& dialog = OpenDialogWithSpeakers(0);
    auto& rates = *static_cast<QComboBox*>(dialog.Control(SampleRateListControl));
    rates.setCurrentIndex(4);  // 48000 Hz
    PressDialogButton(DeviceOkControl);
    ASSERT_EQ(messages.Errors.size(), 1u);
    EXPECT_EQ(messages.Errors[0], InvalidSettings);
    EXPECT_EQ(shell->DeviceWindow(), &dialog);
    EXPECT_FALSE(IsRunning(shell->Stream()));
    EXPECT_EQ(shell->Stream().Config.SampleRate, 48000);
    EXPECT_EQ(shell->Stream().Config.ChannelMask, 0);

    OpenDialogWithSpeakers(0x1FF);
    PressDialogButton(DeviceOkControl);
    ASSERT_EQ(messages.Errors.size(), 2u);
    EXPECT_EQ(messages.Errors[1], InvalidSettings);
    EXPECT_EQ(shell->Stream().Config.ChannelMask, 0x1FF);
    EXPECT_EQ(shell->Stream().Config.ChannelCount, 9);
    EXPECT_FALSE(driver.DeviceOpen());
    EXPECT_TRUE(panelCalls.Created.empty());

    // The refused choices are saved on leaving and preselected at the next start.
    shell->Leave();
    MakeShell();
    shell->DispatchMenu(MenuStartStop);
    OutputConfig reread;
    ASSERT_FALSE(shell->DeviceWindow()->ReadDeviceDialog(reread));
    EXPECT_EQ(reread.SampleRate, 48000);
    EXPECT_EQ(reread.ChannelMask, 0x1FF);
}

TEST_F(ShellStarting, FailingDeviceKeepsTheDialogAndOkTriesAgain) {
    MakeShell();
    driver.SetFailure(VirtualCall::Open);
    shell->Stream().Channels[1].EditSettings.Frequency = 1234.0;
    Start(0x3);
    ASSERT_EQ(messages.Errors.size(), 1u);
    EXPECT_EQ(messages.Errors[0], StartFailed);
    ASSERT_NE(shell->DeviceWindow(), nullptr);
    EXPECT_FALSE(IsRunning(shell->Stream()));
    EXPECT_EQ(MenuText(MenuStartStop), "&Starten...\tStrg+R");
    ExpectStartValues(shell->Stream().Channels[1].EditSettings);

    driver.SetFailure(VirtualCall::Open, WaveOk);
    PressDialogButton(DeviceOkControl);
    EXPECT_EQ(messages.Errors.size(), 1u);
    EXPECT_TRUE(IsRunning(shell->Stream()));
    EXPECT_EQ(driver.CallCount(VirtualCall::Open), 2);
}

TEST_F(ShellStarting, SuccessSwitchesTheMenuAndSizesThePanelAreaForTheChannels) {
    MakeShell();
    for (ChannelState& channel : shell->Stream().Channels) {
        channel.EditSettings.Flags = 0;
        channel.EditSettings.Amplitude = 0.9;
    }
    Start(0x14);  // Front Center and Back Left
    EXPECT_TRUE(messages.Errors.empty());
    ASSERT_TRUE(IsRunning(shell->Stream()));
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(shell->DeviceWindow(), nullptr);
    EXPECT_TRUE(shell->Window().findChildren<DeviceDialog*>().isEmpty());

    EXPECT_EQ(MenuText(MenuStartStop), "&Anhalten\tStrg+R");
    for (int slot = 0; slot < 10; ++slot) {
        EXPECT_TRUE(shell->MenuAction(MenuLoadSlot + slot)->isEnabled()) << slot;
        EXPECT_TRUE(shell->MenuAction(MenuSaveSlot + slot)->isEnabled()) << slot;
    }
    EXPECT_EQ(InnerSize(), QSize(850, 2 * 205 + 5));
    ASSERT_EQ(panelCalls.Created.size(), 1u);
    EXPECT_EQ(panelCalls.Created[0], QSize(850, 415));  // sized before the panels are made

    const OutputConfig& config = shell->Stream().Config;
    EXPECT_EQ(config.ChannelMask, 0x14);
    EXPECT_EQ(config.ChannelCount, 2);
    ExpectStartValues(shell->Stream().Channels[0].EditSettings);
    ExpectStartValues(shell->Stream().Channels[1].EditSettings);
    EXPECT_EQ(shell->Stream().Channels[2].EditSettings.Amplitude, 0.9);  // not in use
    {
        const std::lock_guard lock(shell->Stream().SettingsLock);
        ExpectStartValues(shell->Stream().Channels[1].PendingSettings);
    }
    ASSERT_TRUE(driver.LastFormat().has_value());
    EXPECT_EQ(driver.LastFormat()->Channels, 2);
    EXPECT_EQ(driver.LastFormat()->ChannelMask, 0x14u);
    EXPECT_EQ(driver.LastFormat()->SamplesPerSec, 44100u);
    EXPECT_EQ(driver.LastFormat()->BitsPerSample, 16);
}

TEST_F(ShellStarting, CancelClosesTheDialogAndKeepsTheConfiguration) {
    MakeShell();
    const OutputConfig before = shell->Stream().Config;
    DeviceDialog& dialog = OpenDialogWithSpeakers(0xFF);
    static_cast<QComboBox*>(dialog.Control(BufferLengthListControl))->setCurrentIndex(0);
    PressDialogButton(DeviceCancelControl);
    EXPECT_EQ(shell->DeviceWindow(), nullptr);
    const OutputConfig& after = shell->Stream().Config;
    EXPECT_EQ(after.BufferLength, before.BufferLength);
    EXPECT_EQ(after.ChannelMask, before.ChannelMask);

    shell->DispatchMenu(MenuStartStop);
    OutputConfig reread;
    ASSERT_TRUE(shell->DeviceWindow()->ReadDeviceDialog(reread));
    EXPECT_EQ(reread.BufferLength, 250);
    EXPECT_EQ(reread.ChannelMask, 0x3);
}

TEST_F(ShellStarting, EightChannelsAreAcceptedAndScrollOverTheirFullHeight) {
    MakeShell();
    Start(0xFF00);
    ASSERT_TRUE(IsRunning(shell->Stream()));
    EXPECT_EQ(shell->Stream().Config.ChannelCount, 8);
    EXPECT_EQ(InnerSize(), QSize(850, 1645));
}

TEST_F(ShellStopping, CtrlRWhileRunningStopsAtOnceWithoutADialog) {
    MakeShell();
    ShowAndActivate();
    Start(0x7);
    EXPECT_EQ(InnerSize(), QSize(850, 620));
    ActivateMain();
    PressOnMain(Qt::Key_R, Qt::ControlModifier);
    EXPECT_FALSE(IsRunning(shell->Stream()));
    EXPECT_FALSE(driver.DeviceOpen());
    EXPECT_EQ(shell->DeviceWindow(), nullptr);
    EXPECT_EQ(panelCalls.Destroyed, 1);
    EXPECT_EQ(MenuText(MenuStartStop), "&Starten...\tStrg+R");
    EXPECT_FALSE(shell->MenuAction(MenuLoadSlot)->isEnabled());
    EXPECT_EQ(InnerSize(), QSize(50, 50));
    EXPECT_TRUE(messages.Errors.empty());
}

TEST_F(ShellStopping, AFailingStopKeepsPanelsAndMenu) {
    MakeShell();
    Start(0x3);
    driver.SetFailure(VirtualCall::Close);
    shell->DispatchMenu(MenuStartStop);
    ASSERT_EQ(messages.Errors.size(), 1u);
    EXPECT_EQ(messages.Errors[0], StopFailed);
    EXPECT_EQ(panelCalls.Destroyed, 0);
    EXPECT_EQ(MenuText(MenuStartStop), "&Anhalten\tStrg+R");
    EXPECT_TRUE(shell->MenuAction(MenuSaveSlot)->isEnabled());
    EXPECT_EQ(InnerSize(), QSize(850, 415));

    driver.SetFailure(VirtualCall::Close, WaveOk);
    shell->DispatchMenu(MenuStartStop);
    EXPECT_EQ(messages.Errors.size(), 1u);
    EXPECT_FALSE(IsRunning(shell->Stream()));
    EXPECT_EQ(panelCalls.Destroyed, 1);
}

TEST_F(ShellStopping, AStopAndANewStartBeginFromTheStartValuesAgain) {
    MakeShell();
    Start(0x3);
    shell->Stream().Channels[0].EditSettings.Frequency = 1000.0;
    shell->Stream().Channels[0].EditSettings.Flags = 0;
    shell->DispatchMenu(MenuStartStop);
    Start(0x3);
    ASSERT_TRUE(IsRunning(shell->Stream()));
    ExpectStartValues(shell->Stream().Channels[0].EditSettings);
    EXPECT_EQ(panelCalls.Created.size(), 2u);
}

TEST_F(ShellLeaving, CloseBoxWhileRunningStopsTheStreamThenSavesNinetyOneGroups) {
    MakeShell();
    ShowAndActivate();
    Start(0x30);
    QSignalSpy quit(shell.get(), &Shell::QuitRequested);
    shell->Window().close();
    EXPECT_EQ(quit.count(), 1);
    EXPECT_TRUE(shell->IsQuitRequested());

    shell->Leave();
    EXPECT_FALSE(IsRunning(shell->Stream()));
    EXPECT_FALSE(driver.DeviceOpen());
    EXPECT_TRUE(messages.Errors.empty());

    QFile file(ProgramFolder() + "tonquelle.ini");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    int groups = 0;
    while (!file.atEnd()) {
        groups += file.readLine().startsWith('[') ? 1 : 0;
    }
    EXPECT_EQ(groups, 1 + 10 * (1 + 8));  // output configuration, then per slot: name, 8 channels

    OutputConfig saved;
    MemorySlots memory;
    LoadSettings(Path(file.fileName()), saved, memory);
    EXPECT_EQ(saved.ChannelMask, 0x30);
}

TEST_F(ShellLeaving, QuitEntryRequestsTheEndAndAFailingStopOnLeavingShowsNothing) {
    MakeShell();
    Start(0x1);
    QSignalSpy quit(shell.get(), &Shell::QuitRequested);
    shell->MenuAction(MenuQuit)->trigger();
    EXPECT_EQ(quit.count(), 1);
    driver.SetFailure(VirtualCall::Close);
    shell->Leave();
    EXPECT_TRUE(messages.Errors.empty());
    EXPECT_TRUE(QFile::exists(ProgramFolder() + "tonquelle.ini"));
    driver.SetFailure(VirtualCall::Close, WaveOk);
}

}  // namespace
}  // namespace tonquelle::testing
