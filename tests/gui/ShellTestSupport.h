#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <memory>
#include <vector>

#include "app/MainWindow.h"
#include "app/MessageSink.h"
#include "app/PanelHost.h"
#include "app/Shell.h"
#include "app/UrlOpener.h"
#include "audio/DeviceDialog.h"
#include "audio/VirtualWaveOut.h"

namespace tonquelle::testing {

class RecordingMessages final : public MessageSink {
  public:
    void ShowError(QWidget*, const QString& text) override { Errors.push_back(text); }
    std::vector<QString> Errors;
};

class RecordingUrls final : public UrlOpener {
  public:
    void Open(const QUrl& url) override { Opened.push_back(url); }
    std::vector<QUrl> Opened;
};

// Records what the shell asks of its panels. A save renames the slot, as the real command does
// after its prompt, so that the shell's label refresh can be seen.
struct PanelCalls {
    std::vector<QSize> Created;  // the panel area's inner size at each creation
    int Destroyed = 0;
};

class RecordingPanelHost final : public PanelHost {
  public:
    RecordingPanelHost(PanelCalls& calls, MemorySlots& memory) : calls_(calls), slots_(memory) {}
    void CreatePanels(QWidget& panelArea) override { calls_.Created.push_back(panelArea.size()); }
    void DestroyPanels() override { ++calls_.Destroyed; }
    void LoadSlot(int) override {}
    bool SaveSlot(int slot) override {
        slots_[static_cast<std::size_t>(slot)].Name = "Gespeichert";
        return true;
    }
    void ApplyUnitChoice(std::int32_t) override {}

  private:
    PanelCalls& calls_;
    MemorySlots& slots_;
};

// The whole shell in a temporary program folder, on a virtual device with a manual clock (the
// stream runs, but nothing plays unless a test says so), with recorders for messages, opened
// addresses and panel calls.
class ShellTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }
    void TearDown() override {
        shell.reset();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QString ProgramFolder() const { return folder.path() + "/"; }
    QString UserFolder() const { return folder.path() + "/user/"; }

    Shell& MakeShell() { return MakeShellIn(ProgramFolder(), UserFolder()); }
    Shell& MakeShellIn(const QString& programFolder, const QString& userFolder) {
        shell.reset();
        PanelHostFactory panels = [this](const PanelContext& context) {
            return std::make_unique<RecordingPanelHost>(panelCalls, context.Slots);
        };
        shell = std::make_unique<Shell>(
            ShellServices{driver, messages, urls, programFolder, userFolder, panels});
        return *shell;
    }

    // Shows the main window and makes it the active window, as a user's click would.
    void ShowAndActivate() {
        shell->Show();
        ActivateMain();
    }
    void ActivateMain() {
        QApplication::setActiveWindow(&shell->Window());
        ASSERT_TRUE(QTest::qWaitForWindowActive(&shell->Window()));
    }

    // Key presses on the main window go through the window's shortcuts.
    void PressOnMain(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(&shell->Window(), key, modifiers);
    }

    QString MenuText(int id) const { return shell->MenuAction(id)->text(); }
    QSize InnerSize() const { return shell->PanelArea().widget()->size(); }

    // Opens the device dialog from the menu (unless it is open), checks exactly the speakers of
    // `mask` and presses "OK".
    void Start(std::uint32_t mask);

    QTemporaryDir folder;
    VirtualWaveOutDriver driver{VirtualClock::Manual};
    RecordingMessages messages;
    RecordingUrls urls;
    PanelCalls panelCalls;
    std::unique_ptr<Shell> shell;
};

}  // namespace tonquelle::testing
