// Start-up, menus, starting, stopping and leaving of the whole shell on the virtual device.

#include <algorithm>

#include <QFile>

#include "tests/gui/GuiTestSupport.h"

namespace tonquelle::testing {
namespace {

// The start entry and both entries of every slot, "<name>\tStrg+&<digit>" and
// "<name>\tAlt+&<digit>" with the digits of the main keyboard row; slots act only while running.
void ExpectMenus(const Shell& shell, bool running) {
    EXPECT_EQ(shell.MenuAction(MenuStartStop)->text(),
              running ? "&Anhalten\tStrg+R" : "&Starten...\tStrg+R");
    for (int slot = 0; slot < 10; ++slot) {
        for (const auto& [first, key] : {std::pair{MenuLoadSlot, "Strg"}, {MenuSaveSlot, "Alt"}}) {
            const QAction& entry = *shell.MenuAction(first + slot);
            EXPECT_EQ(entry.text(), QString("Unbenannt\t%1+&%2").arg(key).arg((slot + 1) % 10));
            EXPECT_EQ(entry.isEnabled(), running) << key << slot;
        }
    }
}

// Without a settings file the generator starts stopped. "OK" with no or nine speakers, or on a
// device that fails to start, keeps the dialog and its choices; "OK" again tries again. A start
// sizes the panel area to 850 × (channels · 205 + 5), at least the window's 415, with a panel per
// channel; Ctrl+R while running stops at once.
TEST_F(ShellTest, StartAndStopSwitchMenuSlotsAndPanelArea) {
    const char* const refused =
        "Unzulässige Einstellungen! Möglicherweise ist die Anzahl der ausgewählten Kanäle "
        "unzulässig.";
    const std::tuple<std::uint32_t, int, int, std::uint32_t, bool, const char*> cases[] = {
        {0x14, 2, 415, 0x0, false, refused},
        {0x7, 3, 620, 0x1FF, false, refused},
        {0xFF00, 8, 1645, 0x3, true,
         "Beim Starten des Funktionsgenerators ist ein Fehler aufgetreten!"}};
    for (const auto& [mask, channels, innerHeight, refusedMask, deviceFails, message] : cases) {
        MakeShell();
        ShowAndActivate();
        ExpectMenus(*shell, false);
        EXPECT_EQ(shell->PanelArea().widget()->size(), QSize(50, 50));
        // Ctrl+R opens one non-modal dialog; again, it brings that one back to the front.
        PressOnMain(Qt::Key_R, Qt::ControlModifier);
        DeviceDialog* dialog = shell->DeviceWindow();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        ActivateMain();
        PressOnMain(Qt::Key_R, Qt::ControlModifier);
        EXPECT_EQ(shell->DeviceWindow(), dialog);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(shell->Window().findChildren<DeviceDialog*>().size(), 1);

        asked.Errors.clear();
        driver.SetFailure(VirtualCall::Open, deviceFails ? WaveError : WaveOk);
        Start(refusedMask);
        EXPECT_EQ(asked.Errors, std::vector{QString::fromUtf8(message)}) << refusedMask;
        ASSERT_EQ(shell->DeviceWindow(), dialog);
        ExpectMenus(*shell, false);
        OutputConfig reread;
        EXPECT_EQ(dialog->ReadDeviceDialog(reread), deviceFails);
        EXPECT_EQ(reread.ChannelMask, refusedMask);
        EXPECT_EQ(shell->Stream().Config.ChannelMask, refusedMask);
        driver.SetFailure(VirtualCall::Open, WaveOk);
        Start(mask);
        ASSERT_TRUE(IsRunning(shell->Stream())) << mask;
        EXPECT_EQ(shell->DeviceWindow(), nullptr);
        ExpectMenus(*shell, true);
        EXPECT_EQ(shell->PanelArea().widget()->size(), QSize(850, innerHeight));
        EXPECT_EQ(shell->Panels().Panels().size(), std::size_t(channels));
        EXPECT_EQ(driver.LastFormat()->Channels, channels);

        ActivateMain();
        PressOnMain(Qt::Key_R, Qt::ControlModifier);
        EXPECT_FALSE(driver.DeviceOpen());
        EXPECT_EQ(shell->DeviceWindow(), nullptr);
        ExpectMenus(*shell, false);
        EXPECT_EQ(shell->PanelArea().widget()->size(), QSize(50, 50));
        EXPECT_TRUE(shell->Panels().Panels().empty());
        EXPECT_EQ(asked.Errors.size(), 1u);
    }
}

// A failing stop keeps the panels and the menu. The close box while running stops and saves, and
// the next run reads it all back.
TEST_F(ShellTest, AFailingStopKeepsRunningClosingStopsAndSaves) {
    MakeShell();
    ShowAndActivate();
    Start(0x30);
    driver.SetFailure(VirtualCall::Close);
    shell->DispatchMenu(MenuStartStop);
    EXPECT_EQ(
        asked.Errors,
        std::vector{QString("Beim Beenden des Funktionsgenerators ist ein Fehler aufgetreten!")});
    EXPECT_EQ(shell->Panels().Panels().size(), 2u);
    ExpectMenus(*shell, true);
    driver.SetFailure(VirtualCall::Close, WaveOk);
    shell->Slots()[4].Name = "Gespeichert";

    shell->Window().close();
    EXPECT_TRUE(shell->IsQuitRequested());
    shell->Leave();
    EXPECT_FALSE(driver.DeviceOpen());
    MakeShell();
    EXPECT_EQ(shell->Stream().Config.ChannelMask, 0x30);
    EXPECT_EQ(MenuText(MenuSaveSlot + 4), "Gespeichert\tAlt+&5");
    EXPECT_EQ(asked.Errors.size(), 1u);  // only the failed stop's message
}

// "Weiche Übergänge" in "&Funktionsgenerator" is a check mark that switches the stream's soft
// transitions at once, stopped or running; tonquelle.ini keeps it ("SoftTransitions" in
// "OutputDevice") for the next start.
TEST_F(ShellTest, SoftTransitionsEntrySwitchesAtOnceAndIsKept) {
    MakeShell();
    ShowAndActivate();
    QAction& entry = *shell->MenuAction(MenuSoftTransitions);
    EXPECT_EQ(entry.text(), QString::fromUtf8("Weiche Übergänge"));
    const QList<QObject*> holders = entry.associatedObjects();
    EXPECT_TRUE(std::ranges::any_of(holders, [](QObject* holder) {
        const auto* menu = qobject_cast<QMenu*>(holder);
        return menu != nullptr && menu->title() == "&Funktionsgenerator";
    }));
    EXPECT_TRUE(entry.isCheckable());
    EXPECT_FALSE(entry.isChecked());
    EXPECT_FALSE(shell->Stream().SoftTransitions);
    entry.trigger();
    EXPECT_TRUE(shell->Stream().SoftTransitions);
    Start(0x3);
    entry.trigger();
    EXPECT_FALSE(shell->Stream().SoftTransitions);
    entry.trigger();
    EXPECT_TRUE(entry.isChecked());
    EXPECT_TRUE(shell->Stream().SoftTransitions);
    shell->Leave();

    QFile file(shell->SettingsPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("ChannelMask = 3\r\nSoftTransitions = 1\r\n"));
    MakeShell();
    EXPECT_TRUE(shell->MenuAction(MenuSoftTransitions)->isChecked());
    EXPECT_TRUE(shell->Stream().SoftTransitions);
}

}  // namespace
}  // namespace tonquelle::testing
