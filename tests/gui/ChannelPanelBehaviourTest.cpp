#include <array>
#include <cmath>
#include <cstring>
#include <numbers>

#include <QComboBox>
#include <QFile>

#include "tests/gui/GuiTestSupport.h"

namespace tonquelle::testing {
namespace {

constexpr double Pi = std::numbers::pi;

class PanelExamples : public PanelTest {
  protected:
    // Operates the controls of panel `panel` in turn, then checks the value published for its
    // channel and what the panel shows.
    template <class Field>
    void Expect(int panel, const ShownTexts& inputs, Field S::*field, double value,
                const ShownTexts& shows) {
        SCOPED_TRACE(::testing::Message() << "panel " << panel);
        for (const auto& [control, input] : inputs) {
            Operate(control, input, panel);
        }
        EXPECT_DOUBLE_EQ(Published(panel).*field, value);
        ExpectShown(Panel(panel), shows);
    }
    // Picks the entry `text` of list `list` on panel `panel` as a click into the open list does
    // (typing would open the list at the space and run into the previous search).
    void Pick(int panel, PanelControl list, const QString& text) {
        auto* box = qobject_cast<QComboBox*>(Panel(panel).Control(list));
        const int index = box->findText(text);
        ASSERT_GE(index, 0) << text.toStdString();
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    QString Write(const QString& name, const QByteArray& content) {
        QFile file(folder.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        return file.fileName();
    }
};

// Each example on its own panel. A typed value stays as typed while its slider stops at its end;
// an emptied field changes nothing, and the slider the panel moves does not report back; steps
// are not clamped; a meaningless flag bit stays as it is.
TEST_F(PanelExamples, PhaseFrequencySwitchesAndLists) {
    Start(0xFF);
    Expect(0, {{C::PhaseSlider, "45"}}, &S::PhaseShift, -Pi / 2, {{C::PhaseText, "-90"}});
    Expect(1, {{C::PhaseText, "270"}}, &S::PhaseShift, 3 * Pi / 2,
           {{C::PhaseSlider, "180"}, {C::PhaseText, "270"}});
    Expect(2, {{C::FrequencyText, "25000"}}, &S::Frequency, 25000,
           {{C::FrequencySlider, "300"}, {C::FrequencyText, "25000"}});
    Expect(3, {{C::FrequencyText, "5"}, {C::StepMinus10, {}}}, &S::Frequency, -5,
           {{C::FrequencySlider, "0"}, {C::FrequencyText, "-5"}});
    Expect(4, {{C::FrequencySlider, "200"}}, &S::Frequency, 2000, {{C::FrequencyText, "2000"}});
    Expect(4, {{C::FMMaxText, "1e3"}}, &S::FMMaxFreq, 1000, {{C::FMMaxText, "1e3"}});
    Expect(4, {{C::FMFrequencyText, "2,5"}}, &S::FMFrequency, 2.5, {});
    Expect(4, {{C::FMMinText, "100"}}, &S::FMMinFreq, 100, {});
    Expect(4, {{C::AMFrequencyText, "0.25"}}, &S::AMFrequency, 0.25, {});
    Expect(5, {{C::FrequencyText, ""}}, &S::Frequency, 440,
           {{C::FrequencyText, ""}, {C::FrequencySlider, "134"}});
    const std::pair<C, double> steps[] = {{C::StepPlus10, 450},   {C::StepPlus1, 451},
                                          {C::StepPlus01, 451.1}, {C::StepMinus01, 451},
                                          {C::StepMinus1, 450},   {C::StepMinus10, 440}};
    for (const auto& [button, frequency] : steps) {
        Expect(5, {{button, {}}}, &S::Frequency, frequency, {});
    }
    Edited(6).Flags |= 0x100;
    Expect(6, {{C::MuteCheck, {}}}, &S::Flags, 0x100, {{C::MuteCheck, "[ ]"}});
    Expect(6, {{C::FMCheck, {}}, {C::AMCheck, {}}, {C::MuteCheck, {}}}, &S::Flags,
           0x100 | FlagFM | FlagAM | FlagMute, {{C::FMCheck, "[x]"}, {C::AMCheck, "[x]"}});
    Expect(7, {{C::WaveformList, "Da"}}, &S::Waveform, WaveformIndex::User, {});
    Expect(7, {{C::FMWaveformList, "Dr"}}, &S::FMWaveform, WaveformIndex::Triangle, {});
    Expect(7, {{C::AMWaveformList, "R"}}, &S::AMWaveform, WaveformIndex::Square, {});
}

// "logarithmisch" in the frequency-modulation column is bit 8 of the flags: ticking it sets that
// bit alone, unticking clears it alone, whatever the other bits (a meaningless one included).
TEST_F(PanelExamples, LogarithmicCheckSetsAndClearsOnlyItsBit) {
    Start(0x3);
    Expect(0, {{C::FMLogCheck, {}}}, &S::Flags, FlagMute | FlagFMLog,
           {{C::FMLogCheck, "[x]"}, {C::FMCheck, "[ ]"}, {C::MuteCheck, "[x]"}});
    Edited(0).Flags |= 0x100 | FlagFM | FlagAM;
    Expect(0, {{C::FMLogCheck, {}}}, &S::Flags, 0x100 | FlagFM | FlagAM | FlagMute,
           {{C::FMLogCheck, "[ ]"}, {C::FMCheck, "[x]"}});
    Expect(1, {{C::FMCheck, {}}, {C::FMLogCheck, {}}}, &S::Flags, FlagMute | FlagFM | FlagFMLog,
           {{C::FMLogCheck, "[x]"}});
}

// The duty cycle's field takes typed percentages by the rules of every field, and only while
// the square is chosen: greyed out for any other shape, it keeps its value for the next square.
TEST_F(PanelExamples, DutyCycleIsTypedWhileTheSquareIsChosen) {
    Start(0x3);
    QWidget* duty = Panel(0).Control(C::DutyText);
    EXPECT_FALSE(duty->isEnabled());
    Expect(0, {{C::WaveformList, "Re"}}, &S::Waveform, WaveformIndex::Square, {});
    EXPECT_TRUE(duty->isEnabled());
    EXPECT_TRUE(Panel(0).Control(C::DutyCaption)->isEnabled());
    Expect(0, {{C::DutyText, "25"}}, &S::DutyCycle, 25.0, {{C::DutyText, "25"}});
    Expect(0, {{C::DutyText, "12,5"}}, &S::DutyCycle, 12.5, {});
    Expect(0, {{C::DutyText, "1e"}}, &S::DutyCycle, 12.5, {});  // no number: nothing changes
    Pick(0, C::WaveformList, "Sinus");
    EXPECT_EQ(Published(0).Waveform, WaveformIndex::Sine);
    EXPECT_FALSE(duty->isEnabled());
    EXPECT_DOUBLE_EQ(Published(0).DutyCycle, 12.5);
    EXPECT_FALSE(Panel(1).Control(C::DutyText)->isEnabled());
}

// The signal's and the amplitude modulation's lists end with the two noises, the frequency
// modulation's with "Rechteck". A noise amplitude modulation greys out its unused frequency.
TEST_F(PanelExamples, NoiseEntriesAndTheUnusedModulationFrequency) {
    Start(0x3);
    const auto entries = [&](C list) {
        auto* box = qobject_cast<QComboBox*>(Panel(0).Control(list));
        QStringList texts;
        for (int i = 0; i < box->count(); ++i)
            texts << box->itemText(i) + "=" + box->itemData(i).toString();
        return texts.join('|');
    };
    const QString shapes = "Sinus=0|Dreieck=1|Sägezahn fallend=2|Sägezahn steigend=3|Rechteck=4";
    EXPECT_EQ(entries(C::WaveformList), shapes + "|Datei=5|Rauschen (weiß)=6|Rauschen (rosa)=7");
    EXPECT_EQ(entries(C::AMWaveformList), entries(C::WaveformList));
    EXPECT_EQ(entries(C::FMWaveformList), shapes);
    Pick(0, C::WaveformList, "Rauschen (rosa)");
    EXPECT_EQ(Published(0).Waveform, WaveformIndex::PinkNoise);
    EXPECT_TRUE(Panel(1).Control(C::AMFrequencyText)->isEnabled());
    Pick(1, C::AMWaveformList, "Rauschen (weiß)");
    EXPECT_EQ(Published(1).AMWaveform, WaveformIndex::WhiteNoise);
    EXPECT_FALSE(Panel(1).Control(C::AMFrequencyText)->isEnabled());
    EXPECT_FALSE(Panel(1).Control(C::AMFrequencyLabel)->isEnabled());
    EXPECT_TRUE(Panel(0).Control(C::AMFrequencyText)->isEnabled());
    Pick(1, C::AMWaveformList, "Dreieck");
    EXPECT_EQ(Published(1).AMWaveform, WaveformIndex::Triangle);
    EXPECT_TRUE(Panel(1).Control(C::AMFrequencyText)->isEnabled());
}

// Amplitudes in dB (-60 dB at the slider's bottom) or as factors; a value without a dB form
// turns its field to the factor. The modulation limits keep their own units. An emptied field
// and a lone "-" are no numbers: the amplitude stays (they once read as 0 dB, full scale).
TEST_F(PanelExamples, AmplitudesAndUnits) {
    Start(0xFF);
    Expect(0, {{C::AmplitudeText, ""}}, &S::Amplitude, 0.1,
           {{C::AmplitudeSlider, "200"}, {C::AmplitudeUnitButton, "dB"}});
    Expect(0, {{C::AmplitudeText, "-"}}, &S::Amplitude, 0.1, {{C::AmplitudeText, "-"}});
    Expect(1, {{C::AmplitudeText, "-Infinity"}}, &S::Amplitude, 0,
           {{C::AmplitudeUnitButton, "1"},
            {C::AmplitudeSlider, "0"},
            {C::AmplitudeText, "-Infinity"}});
    Expect(2, {{C::AmplitudeUnitButton, "1"}}, &S::Amplitude, 0.1,
           {{C::AmplitudeText, "0.1"}, {C::AmplitudeSlider, "30"}});
    // 0.5 is -6.0206 dB: slider 300 * (1 - 6.0206 / 60) = 269.9.
    Expect(2, {{C::AmplitudeSlider, "150"}, {C::AmplitudeUnitButton, "dB"}}, &S::Amplitude, 0.5,
           {{C::AmplitudeUnitButton, "dB"},
            {C::AmplitudeText, "-6.0206"},
            {C::AmplitudeSlider, "270"}});
    Expect(3, {{C::AmplitudeUnitButton, "1"}, {C::AmplitudeSlider, "0"}}, &S::Amplitude, 0, {});
    Expect(3, {{C::AmplitudeUnitButton, "dB"}}, &S::Amplitude, 0,
           {{C::AmplitudeUnitButton, "1"}, {C::AmplitudeText, "0"}});
    Expect(4, {{C::AmplitudeSlider, "150"}}, &S::Amplitude, std::pow(10.0, -1.5),
           {{C::AmplitudeText, "-30"}});
    Expect(4, {{C::AmplitudeText, "-6"}}, &S::Amplitude, std::pow(10.0, -0.3),
           {{C::AmplitudeSlider, "270"}});
    Expect(5, {{C::AMMaxUnitButton, "1"}}, &S::AMMaxAmp, 0.1,
           {{C::AMMaxText, "0.1"}, {C::AMMinText, "-60"}, {C::AMMinUnitButton, "dB"}});
    Expect(5, {{C::AMMaxText, "0,5"}}, &S::AMMaxAmp, 0.5, {});
    Expect(6, {{C::AMMinText, "-40"}}, &S::AMMinAmp, 0.01, {});
    Expect(6, {{C::AMMinText, "-Infinity"}}, &S::AMMinAmp, 0,
           {{C::AMMinUnitButton, "1"}, {C::AMMinText, "-Infinity"}});
    Expect(7, {{C::AMMinUnitButton, "dismiss"}}, &S::AMMinAmp, 0.001,
           {{C::AMMinUnitButton, "dB"}, {C::AMMinText, "-60"}});
}

// A change on a panel is heard from the next buffer the stream renders: the two buffers already
// rendered play as before, the third carries it. Each panel plays its own channel. 8000 Hz,
// 16 bit, 50 ms: 400 frames a buffer.
TEST_F(PanelExamples, UnmutingIsHeardFromTheNextRenderedBuffer) {
    shell->Stream().Config = {-1, 8000, 16, 50, 0x3, 2};
    Start(0x3);
    // Both buffers rendered and queued: nothing more is rendered until the test plays one.
    ASSERT_TRUE(QTest::qWaitFor([&] { return driver.QueuedBuffers() == 2; }));
    Operate(C::FrequencyText, "1000", 1);
    Operate(C::MuteCheck, {}, 1);
    ASSERT_EQ(driver.PlayBuffers(3), 3);
    const std::vector<std::uint8_t> played = driver.PlayedBytes();
    ASSERT_EQ(played.size(), 3u * 400 * 2 * 2);  // two 16-bit channels
    for (int frame = 0; frame < 3 * 400; ++frame) {
        std::int16_t sample[2];
        std::memcpy(sample, played.data() + frame * 4, sizeof sample);
        EXPECT_EQ(sample[0], 0) << frame;
        // 0.1 * sin(2π · 1000 Hz · t) on the common time base, t = frame / 8000.
        // Silent in the first two buffers.
        const bool heard = frame >= 2 * 400;
        const double expected = 0.1 * 32767.0 * std::sin(1000.0 * 2 * Pi * frame / 8000.0);
        EXPECT_NEAR(sample[1], heard ? expected : 0.0, heard ? 2.0 : 0.0) << frame;
    }
}

// Each file button loads its own table and shows the file's name; a file that cannot be read
// shows the message and changes nothing, nor does a cancelled dialog.
TEST_F(PanelExamples, FileButtons) {
    Start(0x3);
    asked.NextFile = Write("säge.csv", "0\n0.5\n1\n-1\n-0.5\n");
    Expect(1, {{C::WaveformFileButton, {}}}, &S::Waveform, WaveformIndex::User,
           {{C::WaveformFileName, "säge.csv"}, {C::WaveformList, "Datei"}, {C::AMFileName, ""}});
    asked.NextFile = Write("hüllkurve.txt", "1\n0\n");
    Expect(0, {{C::AMFileButton, {}}}, &S::AMWaveform, WaveformIndex::User,
           {{C::AMFileName, "hüllkurve.txt"}, {C::AMWaveformList, "Datei"}});
    EXPECT_EQ(Published(0).Waveform, WaveformIndex::Sine);
    EXPECT_EQ(Published(1).AMWaveform, WaveformIndex::Sine);
    Operate(C::WaveformList, "Si", 1);
    const ChannelSettings before = Published(1);
    const QString empty = Write("leer.txt", "");
    const QString missing = folder.filePath("fehlt.txt");
    const std::pair<C, QString> attempts[] = {
        {C::WaveformFileButton, empty}, {C::AMFileButton, missing}, {C::WaveformFileButton, {}}};
    for (const auto& [button, file] : attempts) {
        asked.NextFile = file;
        Operate(button, {}, 1);
    }
    EXPECT_EQ(asked.Errors, std::vector({ReadErrorMessage(empty), ReadErrorMessage(missing)}));
    ExpectShown(Panel(1), {{C::WaveformFileName, "säge.csv"},
                           {C::WaveformList, "Sinus"},
                           {C::AMFileName, ""},
                           {C::AMWaveformList, "Sinus"}});
    EXPECT_EQ(Published(1), before);
    EXPECT_EQ(Edited(1), before);
    std::lock_guard lock(shell->Stream().SettingsLock);
    const auto& waiting = shell->Stream().Channels;  // the good tables still wait
    EXPECT_EQ((std::array{waiting[0].PendingWaveforms[WaveformSlotCarrier].PointCount,
                          waiting[0].PendingWaveforms[WaveformSlotAM].PointCount,
                          waiting[1].PendingWaveforms[WaveformSlotCarrier].PointCount,
                          waiting[1].PendingWaveforms[WaveformSlotAM].PointCount}),
              (std::array<std::int32_t, 4>{0, 2, 5, 0}));
}

// A file with lines that are not numbers loads all the same, each such line as the point 0; then
// one message names how many there were and the first of them. Decimal commas are numbers.
TEST_F(PanelExamples, FileWithUnreadableLinesLoadsAndSaysSo) {
    Start(0x1);
    const QString file = Write("messung.csv", "Zeit;Wert\n0,5\nn/a\n-0,5\n");
    asked.NextFile = file;
    Expect(0, {{C::WaveformFileButton, {}}}, &S::Waveform, WaveformIndex::User,
           {{C::WaveformFileName, "messung.csv"}, {C::WaveformList, "Datei"}});
    EXPECT_EQ(asked.Errors,
              std::vector<QString>({"In der Datei \"" + QDir::toNativeSeparators(file) +
                                    "\" sind 2 Zeilen keine Zahlen, die erste ist Zeile 1: "
                                    "\"Zeit;Wert\". Sie gelten als 0."}));
    std::lock_guard lock(shell->Stream().SettingsLock);
    const WaveformTable& table = shell->Stream().Channels[0].PendingWaveforms[WaveformSlotCarrier];
    EXPECT_EQ(std::vector(table.Points.get(), table.Points.get() + table.PointCount),
              std::vector({0.0, 0.5, 0.0, -0.5}));
}

}  // namespace
}  // namespace tonquelle::testing
