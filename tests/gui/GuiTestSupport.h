#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <tuple>

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "app/ChannelPanelHost.h"
#include "app/DeviceDialog.h"
#include "app/MainWindow.h"
#include "app/MessageSink.h"
#include "app/Shell.h"
#include "app/UrlOpener.h"
#include "audio/StreamEngine.h"
#include "audio/VirtualWaveOut.h"
#include "synth/SpeakerLayout.h"

// GoogleTest shows a QString as its text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace tonquelle::testing {

using C = PanelControl;
using S = ChannelSettings;

// Records the messages shown and the addresses opened.
class Recorder final : public MessageSink, public UrlOpener {
  public:
    void ShowError(QWidget*, const QString& text) override { Errors.push_back(text); }
    bool Open(const QUrl& url) override {
        Opened.push_back(url);
        return CanOpen;
    }
    std::vector<QString> Errors;
    std::vector<QUrl> Opened;
    bool CanOpen = true;  // false: a desktop without a browser
};

// Answers the panels' questions for the user (empty: cancelled) and records the name prompts'
// presets.
class RecordingPrompts final : public PanelPrompts {
  public:
    QString ChooseWaveformFile(QWidget*) override { return NextFile; }
    QString AskSlotName(QWidget*, const QString& preset) override {
        Presets << preset;
        return Answers.value(Presets.size() - 1);
    }
    QString NextFile;
    QStringList Answers, Presets;
};

// What a control shows: "[x]" or "[ ]" for a check box, else a frame's title, a list's entry, a
// slider's position or a text.
inline QString Shown(const ChannelPanel& panel, PanelControl which) {
    const QWidget* control = panel.Control(which);
    if (control->property("checkable").toBool()) {
        return control->property("checked").toBool() ? "[x]" : "[ ]";
    }
    for (const char* property : {"title", "currentText", "value", "text"}) {
        if (const QVariant value = control->property(property); value.isValid()) {
            return value.toString();
        }
    }
    return "?";
}

// What every control shows, in creation order.
inline QStringList AllShown(const ChannelPanel& panel) {
    QStringList shown;
    for (int control = 0; control < PanelControlCount; ++control) {
        shown << Shown(panel, static_cast<PanelControl>(control));
    }
    return shown;
}

using ShownTexts = std::vector<std::pair<PanelControl, QString>>;

inline void ExpectShown(const ChannelPanel& panel, const ShownTexts& expected) {
    for (const auto& [control, text] : expected) {
        EXPECT_EQ(Shown(panel, control), text) << "control " << static_cast<int>(control);
    }
}

inline QString ReadErrorMessage(const QString& path) {
    return "Beim Einlesen der Datei \"" + QDir::toNativeSeparators(path) +
           "\" ist ein Fehler aufgetreten!";
}

// The whole shell in a temporary program folder, on a virtual device with a manual clock (the
// stream runs, but nothing plays unless a test says so), with recorders for messages, opened
// addresses and the panels' prompts.
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
            auto recording = std::make_unique<RecordingPrompts>();
            prompts = recording.get();
            auto made = std::make_unique<ChannelPanelHost>(context, std::move(recording));
            host = made.get();
            return made;
        };
        shell = std::make_unique<Shell>(
            ShellServices{driver, recorded, recorded, programFolder, userFolder, panels});
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

    // Opens the device dialog from the menu (unless it is open), checks exactly the speakers of
    // `mask` and presses "OK".
    void Start(std::uint32_t mask) {
        if (shell->DeviceWindow() == nullptr) {
            shell->DispatchMenu(MenuStartStop);
        }
        DeviceDialog& dialog = *shell->DeviceWindow();
        auto& speakers = *static_cast<QTreeWidget*>(dialog.Control(SpeakerListControl));
        for (int bit = 0; bit < SpeakerCount; ++bit) {
            speakers.topLevelItem(bit)->setCheckState(
                0, ((mask >> bit) & 1u) != 0 ? Qt::Checked : Qt::Unchecked);
        }
        QTest::mouseClick(dialog.Control(DeviceOkControl), Qt::LeftButton);
    }

    QTemporaryDir folder;
    VirtualWaveOutDriver driver{VirtualClock::Manual};
    Recorder recorded;
    RecordingPrompts* prompts = nullptr;
    ChannelPanelHost* host = nullptr;
    std::unique_ptr<Shell> shell;
};

// The shell with its real panels, made and shown.
class PanelTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        MakeShell();
        ShowAndActivate();
    }

    const ChannelPanel& Panel(int index = 0) const { return *host->Panels().Panels().at(index); }
    S& Edited(int channel) { return shell->Stream().Channels[channel].EditSettings; }
    // What the renderer takes over at its next buffer.
    S Published(int channel = 0) {
        std::lock_guard lock(shell->Stream().SettingsLock);
        return shell->Stream().Channels[channel].PendingSettings;
    }

    // Operates a control as a user does: moves a slider to `input`, replaces a field's text with
    // `input` key by key and presses Enter, picks the unit `input` ("1" or "dB", anything else
    // dismisses the menu) in a unit button's menu, types `input` into a list (picking the first
    // entry starting with it), clicks anything else.
    void Operate(PanelControl which, const QString& input = {}, int panel = 0) {
        QWidget* control = Panel(panel).Control(which);
        if (auto* slider = qobject_cast<QSlider*>(control)) {
            slider->setSliderPosition(input.toInt());  // a drag reports each position
        } else if (auto* field = qobject_cast<QLineEdit*>(control)) {
            field->selectAll();
            input.isEmpty() ? QTest::keyClick(field, Qt::Key_Backspace)
                            : QTest::keyClicks(field, input);
            QTest::keyClick(field, Qt::Key_Return);
        } else if (control->property("text") == "dB" || control->property("text") == "1") {
            QTimer::singleShot(0, [&] {
                auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                ASSERT_NE(menu, nullptr);
                for (QAction* action : menu->actions()) {
                    if (action->text() == input) {
                        QTest::mouseClick(menu, Qt::LeftButton, {},
                                          menu->actionGeometry(action).center());
                        return;
                    }
                }
                QTest::keyClick(menu, Qt::Key_Escape);
            });
            QTest::mouseClick(control, Qt::LeftButton);
        } else {
            control->property("currentText").isValid() ? QTest::keyClicks(control, input)
                                                       : QTest::mouseClick(control, Qt::LeftButton);
        }
    }
};

}  // namespace tonquelle::testing
