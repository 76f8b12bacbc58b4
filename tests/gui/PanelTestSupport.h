#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <memory>
#include <mutex>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include "audio/OutputStream.h"
#include "audio/StreamEngine.h"
#include "audio/VirtualWaveOut.h"
#include "channel/ChannelPanel.h"
#include "channel/ChannelPanelList.h"
#include "channel/PanelDialogs.h"
#include "synth/Renderer.h"
#include "tests/gui/QStringPrinter.h"

namespace tonquelle::testing {

// Answers the file dialog from the test and records the error messages.
class RecordingDialogs final : public PanelDialogs {
  public:
    QString ChooseWaveformFile(QWidget*) override {
        ++FileDialogs;
        return NextFile;
    }
    void ShowError(QWidget*, const QString& text) override { Errors.push_back(text); }

    QString NextFile;  // empty: the user cancels
    int FileDialogs = 0;
    std::vector<QString> Errors;
};

// Running panels in a plain window: a started stream on a virtual device with a manual clock,
// the panels in a container as big as the shell's panel area, and a unit menu like the shell's.
class PanelTest : public ::testing::Test {
  protected:
    // 8000 Hz, 16 bit, 10 ms buffers: 80 frames a buffer.
    void Start(std::int32_t channelMask) {
        stream.Driver = &driver;
        stream.Config.OutputDevice = -1;
        stream.Config.SampleRate = 8000;
        stream.Config.Resolution = 16;
        stream.Config.BufferLength = 10;
        stream.Config.ChannelMask = channelMask;
        stream.Config.ChannelCount = std::popcount(static_cast<std::uint32_t>(channelMask));
        for (std::int32_t c = 0; c < stream.Config.ChannelCount; ++c) {
            stream.Channels[c].EditSettings = ChannelSettings{};
        }
        PublishChannel(stream, -1);
        ASSERT_TRUE(StartOutput(stream));

        window.resize(850, 415);
        container = new QWidget(&window);
        container->setGeometry(0, 0, 850, stream.Config.ChannelCount * 205 + 5);
        QAction* factor = unitMenu.addAction("1");
        QAction* decibel = unitMenu.addAction("dB");
        panels = std::make_unique<ChannelPanelList>(stream, dialogs, window, unitMenu);
        QObject::connect(factor, &QAction::triggered,
                         [this] { panels->ApplyUnitChoice(UnitLinear); });
        QObject::connect(decibel, &QAction::triggered,
                         [this] { panels->ApplyUnitChoice(UnitDecibel); });
        panels->CreatePanels(*container);
        WaitUntilBothBuffersQueued();
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    // Both buffers are rendered and queued: until the test plays one, nothing is rendered, so
    // each test knows which buffers saw its changes.
    void WaitUntilBothBuffersQueued() {
        for (int wait = 0; wait < 500 && driver.QueuedBuffers() < 2; ++wait) {
            QTest::qWait(10);
        }
        ASSERT_EQ(driver.QueuedBuffers(), 2u);
    }

    void TearDown() override {
        panels.reset();
        EXPECT_TRUE(StopOutput(stream));
    }

    ChannelPanel& Panel(int index) { return *panels->Panels().at(index); }
    template <class Widget>
    Widget* Control(PanelControl which, int panel = 0) {
        return Panel(panel).ControlAs<Widget>(which);
    }
    QLineEdit* Text(PanelControl which, int panel = 0) { return Control<QLineEdit>(which, panel); }
    QSlider* Slider(PanelControl which, int panel = 0) { return Control<QSlider>(which, panel); }
    QComboBox* List(PanelControl which, int panel = 0) { return Control<QComboBox>(which, panel); }
    QAbstractButton* Button(PanelControl which, int panel = 0) {
        return Control<QAbstractButton>(which, panel);
    }
    ChannelSettings& Edited(int channel = 0) { return stream.Channels[channel].EditSettings; }

    // What the renderer takes over at its next buffer.
    ChannelSettings Published(int channel = 0) {
        std::lock_guard lock(stream.SettingsLock);
        return stream.Channels[channel].PendingSettings;
    }

    // Replaces a field's text the way a user does: select everything, then type.
    void Retype(PanelControl field, const QString& text, int panel = 0) {
        QLineEdit* edit = Text(field, panel);
        edit->selectAll();
        if (text.isEmpty()) {
            QTest::keyClick(edit, Qt::Key_Backspace);
        } else {
            QTest::keyClicks(edit, text);
        }
    }

    // Replaces a field's text at once, as pasting does.
    void Paste(PanelControl field, const QString& text, int panel = 0) {
        QLineEdit* edit = Text(field, panel);
        QGuiApplication::clipboard()->setText(text);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    }

    void Click(PanelControl which, int panel = 0) {
        QTest::mouseClick(Button(which, panel), Qt::LeftButton);
    }

    // Presses a unit button and picks `entry` ("1" or "dB") in the menu it opens; an empty
    // entry dismisses the menu. Returns where the menu's top-left corner was shown.
    QPoint PickUnit(PanelControl unitButton, const QString& entry, int panel = 0) {
        QPoint shownAt(-1, -1);
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            shownAt = menu->pos();
            for (QAction* action : menu->actions()) {
                if (action->text() == entry) {
                    QTest::mouseClick(menu, Qt::LeftButton, {},
                                      menu->actionGeometry(action).center());
                    return;
                }
            }
            QTest::keyClick(menu, Qt::Key_Escape);
        });
        Click(unitButton, panel);
        return shownAt;
    }

    VirtualWaveOutDriver driver{VirtualClock::Manual};
    OutputStream stream;
    RecordingDialogs dialogs;
    QWidget window;
    QWidget* container = nullptr;
    QMenu unitMenu;
    std::unique_ptr<ChannelPanelList> panels;
};

}  // namespace tonquelle::testing
