// When a typed value takes effect: on Enter, when the field loses the focus, or after half a
// second without a keystroke; only as a complete number; never with each keystroke.

#include <chrono>
#include <cmath>
#include <numbers>

#include "channel/NumberField.h"
#include "tests/gui/GuiTestSupport.h"

namespace tonquelle::testing {
namespace {

using namespace std::chrono_literals;

// A normal typing pace: well within the pause after which a typed value takes effect.
constexpr auto KeyInterval = 150ms;
static_assert(KeyInterval < NumberField::TypingPause);

class TypedValues : public PanelTest {
  protected:
    // Starts with the panels of `mask`; once the device dialog is gone, the main window has the
    // focus again, as after the user's next click.
    void StartAndActivate(std::uint32_t mask) {
        Start(mask);
        ASSERT_TRUE(QTest::qWaitFor(
            [this] { return shell->Window().findChildren<DeviceDialog*>().isEmpty(); }));
        ActivateMain();
    }
    QLineEdit& Field(int panel, PanelControl which) {
        return *qobject_cast<QLineEdit*>(Panel(panel).Control(which));
    }
    // Gives the field the focus and selects its text, as a click and Ctrl+A do.
    QLineEdit& Select(int panel, PanelControl which) {
        QLineEdit& field = Field(panel, which);
        field.setFocus();
        field.selectAll();
        return field;
    }
    // Types `text` a key at a time at a normal pace (an empty text deletes the selection) and
    // checks after every key that nothing reached the settings the renderer takes.
    void TypeSlowly(int panel, PanelControl which, const QString& text) {
        QLineEdit& field = Select(panel, which);
        const S before = Published(panel);
        if (text.isEmpty()) {
            QTest::keyClick(&field, Qt::Key_Backspace);
        }
        for (const QChar key : text) {
            QTest::keyClick(&field, key.toLatin1());
            QTest::qWait(static_cast<int>(KeyInterval.count()));
            EXPECT_EQ(Published(panel), before) << "after typing " << field.text().toStdString();
        }
    }
    // Waits somewhat longer than the pause after a keystroke.
    static void WaitOutThePause() {
        QTest::qWait(static_cast<int>(NumberField::TypingPause.count()) + 200);
    }
};

// Typed at a normal pace into each kind of field (amplitude in dB and as a factor, frequency,
// phase), no value on the way ever reaches the renderer: neither the lone "-" (0 dB, full scale)
// nor "-4"; nor 1, 10 or 100 Hz on the way to 1000. The whole value plays after the pause.
TEST_F(TypedValues, NothingTakesEffectWhileTyping) {
    StartAndActivate(0xF);
    Operate(C::AmplitudeUnitButton, "1", 1);
    struct Typing {
        int panel;
        PanelControl field;
        QString text;
        double S::*value;
        double expected;
    };
    const Typing typings[] = {
        {0, C::AmplitudeText, "-40", &S::Amplitude, 0.01},
        {1, C::AmplitudeText, "0.05", &S::Amplitude, 0.05},
        {2, C::FrequencyText, "1000", &S::Frequency, 1000.0},
        {3, C::PhaseText, "-90", &S::PhaseShift, -std::numbers::pi / 2},
    };
    for (const Typing& typing : typings) {
        SCOPED_TRACE(typing.text.toStdString());
        TypeSlowly(typing.panel, typing.field, typing.text);
        EXPECT_TRUE(QTest::qWaitFor([&] {
            return std::fabs(Published(typing.panel).*typing.value - typing.expected) < 1e-12;
        }));
        ExpectShown(Panel(typing.panel), {{typing.field, typing.text}});
    }
    // Clearing the dB field and typing "-30" never plays more than the -20 dB before.
    TypeSlowly(0, C::AmplitudeText, "");
    WaitOutThePause();
    EXPECT_DOUBLE_EQ(Published(0).Amplitude, 0.01);
    TypeSlowly(0, C::AmplitudeText, "-30");
    WaitOutThePause();
    EXPECT_DOUBLE_EQ(Published(0).Amplitude, std::pow(10.0, -1.5));
}

// Enter and the focus leaving the field apply the typed value at once; the pause does too, half a
// second after the last key, not before.
TEST_F(TypedValues, EnterFocusLossAndAPauseEachApplyTheValue) {
    StartAndActivate(0x1);
    QLineEdit& frequency = Select(0, C::FrequencyText);
    QTest::keyClicks(&frequency, "500");
    EXPECT_EQ(Published().Frequency, 440.0);
    QTest::keyClick(&frequency, Qt::Key_Return);
    EXPECT_EQ(Published().Frequency, 500.0);

    Select(0, C::FrequencyText);
    QTest::keyClicks(&frequency, "2,5");  // a decimal comma, as before
    Field(0, C::PhaseText).setFocus();
    EXPECT_EQ(Published().Frequency, 2.5);
    ExpectShown(Panel(), {{C::FrequencyText, "2,5"}, {C::FrequencySlider, "0"}});

    Select(0, C::FrequencyText);
    QTest::keyClicks(&frequency, "700");
    QTest::qWait(static_cast<int>(NumberField::TypingPause.count()) - 200);
    EXPECT_EQ(Published().Frequency, 2.5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Published().Frequency == 700.0; }, 1000));
}

// A text that is not a complete number never takes effect, whether Enter, the pause or the focus
// ends the typing; when the focus leaves it, the field shows the playing value again. The
// special words count only whole: "-Infinity" in dB is amplitude 0, and the unit turns to "1".
TEST_F(TypedValues, IncompleteNumbersNeverTakeEffect) {
    StartAndActivate(0x1);
    const S before = Published();
    for (const QString text : {"", "-", "-.", "1e", "abc", "4O0", "12abc", "-Inf"}) {
        SCOPED_TRACE(text.toStdString());
        QLineEdit& amplitude = Select(0, C::AmplitudeText);
        text.isEmpty() ? QTest::keyClick(&amplitude, Qt::Key_Backspace)
                       : QTest::keyClicks(&amplitude, text);
        QTest::keyClick(&amplitude, Qt::Key_Return);
        EXPECT_EQ(Published(), before);
        ExpectShown(Panel(), {{C::AmplitudeText, text}});
        if (text == "-") {
            WaitOutThePause();
            EXPECT_EQ(Published(), before);
        }
        Field(0, C::FrequencyText).setFocus();
        EXPECT_EQ(Published(), before);
        ExpectShown(Panel(), {{C::AmplitudeText, "-20"},
                              {C::AmplitudeUnitButton, "dB"},
                              {C::AmplitudeSlider, "200"}});
    }
    QLineEdit& amplitude = Select(0, C::AmplitudeText);
    QTest::keyClicks(&amplitude, "-Infinity");
    QTest::keyClick(&amplitude, Qt::Key_Return);
    EXPECT_EQ(Published().Amplitude, 0.0);
    ExpectShown(Panel(), {{C::AmplitudeText, "-Infinity"}, {C::AmplitudeUnitButton, "1"}});
    // Already applied: leaving the field does not read "-Infinity" again, now as a factor.
    Field(0, C::FrequencyText).setFocus();
    EXPECT_EQ(Published().Amplitude, 0.0);
}

// Clicking a step button takes the focus: what was typed applies first, then the step. A value
// the program writes into the field while typed text waits (a memory slot loaded with Ctrl+1)
// is what plays: the waiting text does not come back after the pause.
TEST_F(TypedValues, FocusLossAppliesFirstAndAProgramWriteReplacesWhatWaits) {
    shell->Slots()[0].Channels[0].Frequency = 300.0;
    StartAndActivate(0x1);
    QLineEdit& frequency = Select(0, C::FrequencyText);
    QTest::keyClicks(&frequency, "12");
    QTest::mouseClick(Panel().Control(C::StepPlus10), Qt::LeftButton);
    EXPECT_EQ(Published().Frequency, 22.0);
    Select(0, C::FrequencyText);
    QTest::keyClicks(&frequency, "99");
    PressOnMain(Qt::Key_1, Qt::ControlModifier);
    WaitOutThePause();
    EXPECT_EQ(Published().Frequency, 300.0);
    ExpectShown(Panel(), {{C::FrequencyText, "300"}});
}

}  // namespace
}  // namespace tonquelle::testing
