#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <memory>
#include <mutex>
#include <ostream>
#include <utility>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include "audio/StreamEngine.h"
#include "audio/VirtualWaveOut.h"
#include "channel/ChannelPanelList.h"
#include "channel/PanelDialogs.h"
#include "synth/Renderer.h"

// GoogleTest shows a QString as its text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace tonquelle::testing {

using C = PanelControl;

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

// Presses a unit button and picks `entry` ("1" or "dB") in the menu it opens; any other entry
// dismisses the menu.
inline void PickUnit(QWidget* unitButton, const QString& entry) {
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions()) {
            if (action->text() == entry) {
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
                return;
            }
        }
        QTest::keyClick(menu, Qt::Key_Escape);
    });
    QTest::mouseClick(unitButton, Qt::LeftButton);
}

// What the renderer takes over at its next buffer.
inline ChannelSettings PublishedOf(OutputStream& stream, int channel) {
    std::lock_guard lock(stream.SettingsLock);
    return stream.Channels[channel].PendingSettings;
}

inline QString ReadErrorMessage(const QString& path) {
    return "Beim Einlesen der Datei \"" + QDir::toNativeSeparators(path) +
           "\" ist ein Fehler aufgetreten!";
}

// Answers the file dialog from the test (empty: the user cancels) and records the messages.
class RecordingDialogs final : public PanelDialogs {
  public:
    QString ChooseWaveformFile(QWidget*) override { return NextFile; }
    void ShowError(QWidget*, const QString& text) override { Errors.push_back(text); }
    QString NextFile;
    std::vector<QString> Errors;
};

// Running panels in a plain window: a started stream on a virtual device with a manual clock,
// the panels in a container as big as the shell's panel area, and a unit menu like the shell's.
class PanelTest : public ::testing::Test {
  protected:
    // 8000 Hz, 16 bit, 10 ms buffers: 80 frames a buffer. Returns when both buffers are rendered
    // and queued: nothing more is rendered until the test plays one.
    void Start(std::int32_t channelMask) {
        stream.Driver = &driver;
        stream.Config = {-1, 8000, 16, 10, channelMask, std::popcount(std::uint32_t(channelMask))};
        PublishChannel(stream, -1);
        ASSERT_TRUE(StartOutput(stream));
        container = new QWidget(&window);
        container->setGeometry(0, 0, 850, stream.Config.ChannelCount * 205 + 5);
        for (std::int32_t unit : {UnitLinear, UnitDecibel}) {
            QObject::connect(unitMenu.addAction(unit == UnitLinear ? "1" : "dB"),
                             &QAction::triggered, [this, unit] { panels->ApplyUnitChoice(unit); });
        }
        panels = std::make_unique<ChannelPanelList>(stream, dialogs, window, unitMenu);
        panels->CreatePanels(*container);
        for (int wait = 0; wait < 500 && driver.QueuedBuffers() < 2; ++wait) {
            QTest::qWait(10);
        }
        ASSERT_EQ(driver.QueuedBuffers(), 2u);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    void TearDown() override {
        panels.reset();
        EXPECT_TRUE(StopOutput(stream));
    }

    ChannelPanel& Panel(int index = 0) { return *panels->Panels().at(index); }

    ChannelSettings Published(int channel = 0) { return PublishedOf(stream, channel); }

    // Operates a control as a user does: moves a slider to `input`, replaces a field's text with
    // `input` key by key, picks the unit `input` in a unit button's menu, types `input` into a
    // list (picking the first entry starting with it), clicks anything else.
    void Operate(PanelControl which, const QString& input = {}, int panel = 0) {
        QWidget* control = Panel(panel).Control(which);
        if (auto* slider = qobject_cast<QSlider*>(control)) {
            slider->setSliderPosition(input.toInt());  // a drag reports each position
        } else if (auto* field = qobject_cast<QLineEdit*>(control)) {
            field->selectAll();
            input.isEmpty() ? QTest::keyClick(field, Qt::Key_Backspace)
                            : QTest::keyClicks(field, input);
        } else if (control->property("text") == "dB" || control->property("text") == "1") {
            PickUnit(control, input);
        } else {
            control->property("currentText").isValid() ? QTest::keyClicks(control, input)
                                                       : QTest::mouseClick(control, Qt::LeftButton);
        }
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
