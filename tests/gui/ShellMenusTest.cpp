// The menu bar, its shortcuts and the routing of menu identifiers.

#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>

#include "app/AboutBox.h"
#include "audio/StreamEngine.h"
#include "tests/gui/ShellTestSupport.h"

namespace tonquelle::testing {
namespace {

using ShellMenuBar = ShellTest;
using ShellShortcuts = ShellTest;
using ShellMenuDispatch = ShellTest;

// The entries of one menu as (identifier, text), separators as (-1, "").
std::vector<std::pair<int, QString>> Entries(const QMenu& menu) {
    std::vector<std::pair<int, QString>> entries;
    for (const QAction* action : menu.actions()) {
        entries.emplace_back(action->isSeparator() ? -1 : action->data().toInt(),
                             action->isSeparator() ? QString() : action->text());
    }
    return entries;
}

TEST_F(ShellMenuBar, FourMenusInOrderWithTheirIdentifiersAndTexts) {
    MakeShell();
    const QList<QAction*> menus = shell->Window().menuBar()->actions();
    ASSERT_EQ(menus.size(), 4);
    EXPECT_EQ(menus[0]->text(), "&Funktionsgenerator");
    EXPECT_EQ(menus[1]->text(), "&Laden");
    EXPECT_EQ(menus[2]->text(), "&Speichern");
    EXPECT_EQ(menus[3]->text(), "&?");

    using E = std::vector<std::pair<int, QString>>;
    EXPECT_EQ(Entries(*menus[0]->menu()),
              (E{{0, "&Starten...\tStrg+R"}, {-1, ""}, {1, "&Beenden"}}));
    EXPECT_EQ(Entries(*menus[3]->menu()),
              (E{{22, "&Hilfe...\tF1"}, {23, QString::fromUtf8("&Über Tonquelle...")}}));
    const auto load = Entries(*menus[1]->menu());
    const auto save = Entries(*menus[2]->menu());
    ASSERT_EQ(load.size(), 10u);
    ASSERT_EQ(save.size(), 10u);
    const char* digits = "1234567890";
    for (int slot = 0; slot < 10; ++slot) {
        EXPECT_EQ(load[slot].first, 2 + slot);
        EXPECT_EQ(load[slot].second, QString("Unbenannt\tStrg+&") + digits[slot]);
        EXPECT_EQ(save[slot].first, 12 + slot);
        EXPECT_EQ(save[slot].second, QString("Unbenannt\tAlt+&") + digits[slot]);
    }
    EXPECT_EQ(Entries(shell->UnitMenu()), (E{{24, "1"}, {25, "dB"}}));
}

TEST_F(ShellShortcuts, KeysOfTheEntriesUseTheMainKeyboardRow) {
    MakeShell();
    EXPECT_EQ(shell->MenuAction(MenuStartStop)->shortcut(), QKeySequence("Ctrl+R"));
    EXPECT_EQ(shell->MenuAction(MenuHelp)->shortcut(), QKeySequence("F1"));
    EXPECT_TRUE(shell->MenuAction(MenuQuit)->shortcut().isEmpty());
    EXPECT_TRUE(shell->MenuAction(MenuAbout)->shortcut().isEmpty());
    const char* digits = "1234567890";
    for (int slot = 0; slot < 10; ++slot) {
        EXPECT_EQ(shell->MenuAction(MenuLoadSlot + slot)->shortcut(),
                  QKeySequence(QString("Ctrl+") + digits[slot]));
        EXPECT_EQ(shell->MenuAction(MenuSaveSlot + slot)->shortcut(),
                  QKeySequence(QString("Alt+") + digits[slot]));
        EXPECT_EQ(shell->MenuAction(MenuSaveSlot + slot)->shortcutContext(), Qt::WindowShortcut);
    }
}

TEST_F(ShellShortcuts, SlotKeysDoNothingWhileStopped) {
    MakeShell();
    ShowAndActivate();
    QSignalSpy load3(shell->MenuAction(MenuLoadSlot + 2), &QAction::triggered);
    QSignalSpy save3(shell->MenuAction(MenuSaveSlot + 2), &QAction::triggered);
    PressOnMain(Qt::Key_3, Qt::ControlModifier);
    PressOnMain(Qt::Key_3, Qt::AltModifier);
    EXPECT_EQ(load3.count(), 0);
    EXPECT_EQ(save3.count(), 0);
    EXPECT_TRUE(panelCalls.Loaded.empty());
    EXPECT_TRUE(panelCalls.Saved.empty());
}

TEST_F(ShellShortcuts, SlotKeysWhileRunningReachTheSlotCommands) {
    MakeShell();
    ShowAndActivate();
    Start(0x3);
    ActivateMain();
    PressOnMain(Qt::Key_3, Qt::ControlModifier);
    PressOnMain(Qt::Key_0, Qt::ControlModifier);
    PressOnMain(Qt::Key_0, Qt::AltModifier);  // slot 9, the last entry
    PressOnMain(Qt::Key_5, Qt::AltModifier);
    EXPECT_EQ(panelCalls.Loaded, (std::vector<int>{2, 9}));
    EXPECT_EQ(panelCalls.Saved, (std::vector<int>{9, 4}));
    // A save renames its slot; both menus show the new name.
    EXPECT_EQ(MenuText(MenuLoadSlot + 4), "Gespeichert\tStrg+&5");
    EXPECT_EQ(MenuText(MenuSaveSlot + 9), "Gespeichert\tAlt+&0");
    EXPECT_EQ(MenuText(MenuSaveSlot + 3), "Unbenannt\tAlt+&4");
}

TEST_F(ShellShortcuts, KeypadDigitsAreNotSlotKeys) {
    MakeShell();
    ShowAndActivate();
    Start(0x1);
    ActivateMain();
    PressOnMain(Qt::Key_1, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_TRUE(panelCalls.Loaded.empty());
}

TEST_F(ShellShortcuts, KeysActOnlyWhileTheMainWindowIsActive) {
    MakeShell();
    ShowAndActivate();
    shell->DispatchMenu(MenuAbout);
    AboutBox* about = shell->AboutWindow();
    ASSERT_NE(about, nullptr);
    QApplication::setActiveWindow(about);
    ASSERT_TRUE(QTest::qWaitForWindowActive(about));
    QTest::keyClick(about, Qt::Key_R, Qt::ControlModifier);
    QTest::keyClick(about, Qt::Key_F1);
    EXPECT_EQ(shell->DeviceWindow(), nullptr);
    EXPECT_TRUE(urls.Opened.empty());

    ActivateMain();
    PressOnMain(Qt::Key_F1);
    EXPECT_EQ(urls.Opened.size(), 1u);
}

TEST_F(ShellMenuDispatch, UnitEntriesApplyTheirUnitAndSlotIdentifiersNeedARunningGenerator) {
    MakeShell();
    shell->MenuAction(MenuUnitDecibel)->trigger();
    shell->MenuAction(MenuUnitFactor)->trigger();
    EXPECT_EQ(panelCalls.Units, (std::vector<std::int32_t>{1, 0}));

    shell->DispatchMenu(MenuLoadSlot);  // disabled entries cannot send these; ignored anyway
    shell->DispatchMenu(MenuSaveSlot);
    EXPECT_TRUE(panelCalls.Loaded.empty());
    EXPECT_TRUE(panelCalls.Saved.empty());
    shell->DispatchMenu(MenuIdentifierCount);  // unknown identifiers are ignored
    shell->DispatchMenu(-1);
    EXPECT_EQ(shell->DeviceWindow(), nullptr);
}

}  // namespace
}  // namespace tonquelle::testing
