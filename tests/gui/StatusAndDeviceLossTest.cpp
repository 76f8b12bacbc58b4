// The status line of a running generator, a device lost while it runs (reconnected, or given up
// with a message), refusals that say why, and panels named after a device's own channels.

#include "app/StatusLine.h"
#include "synth/Renderer.h"
#include "tests/gui/GuiTestSupport.h"

namespace tonquelle::testing {
namespace {

using namespace std::chrono_literals;

class StatusTest : public PanelTest {
  protected:
    void SetUp() override {
        PanelTest::SetUp();
        shell->Stream().ReconnectInterval = 10ms;
    }
    QString StatusText() const { return shell->Status().Text(); }
    bool StatusShows(const QString& text) const {
        return QTest::qWaitFor([&] { return StatusText() == text; }, 3000);
    }
};

// With the dialog's preselection (the first device, 44100 Hz, 16 Bit, 250 ms) on front left and
// right. The panel area keeps its size: the window makes room for the status line.
TEST_F(StatusTest, StatusLineShowsDeviceFormatAndDropoutsWhileRunningAndHidesWhenStopped) {
    EXPECT_FALSE(shell->Status().isVisible());
    const QSize area = shell->PanelArea().size();
    const QSize window = shell->Window().size();
    Start(0x3);
    QApplication::processEvents();
    EXPECT_EQ(shell->PanelArea().size(), area);
    ASSERT_TRUE(IsRunning(shell->Stream()));
    EXPECT_TRUE(shell->Status().isVisible());
    EXPECT_EQ(StatusText(),
              "Virtuelles Standardgerät · 44100 Hz · 16 Bit · 2 Kanäle · 250 ms · Aussetzer: 0");
    EXPECT_EQ(shell->PanelArea().widget()->size(), QSize(850, 415));
    driver.SetDropouts(2);
    ASSERT_EQ(driver.PlayBuffers(1), 1);
    EXPECT_TRUE(StatusShows(
        "Virtuelles Standardgerät · 44100 Hz · 16 Bit · 2 Kanäle · 250 ms · Aussetzer: 2"));

    ActivateMain();
    PressOnMain(Qt::Key_R, Qt::ControlModifier);
    EXPECT_FALSE(IsRunning(shell->Stream()));
    EXPECT_FALSE(shell->Status().isVisible());
    EXPECT_EQ(shell->Window().size(), window);
    EXPECT_TRUE(asked.Errors.empty());
}

// The device goes and comes back: the panels and the channel's settings stay, the gap counts as
// a dropout. It goes again for good: the generator stops as Ctrl+R would, with one message.
TEST_F(StatusTest, ALostDeviceReconnectsAndOneThatStaysAwayStopsWithAMessage) {
    shell->Stream().ReconnectLimit = 300ms;
    Start(0x1);
    ASSERT_TRUE(IsRunning(shell->Stream()));
    const QString running =
        "Virtuelles Standardgerät · 44100 Hz · 16 Bit · 1 Kanal · 250 ms · Aussetzer: ";
    shell->Stream().Channels[0].EditSettings.Frequency = 1000;
    PublishChannel(shell->Stream(), 0);

    driver.SetFailure(VirtualCall::Open);
    ASSERT_TRUE(driver.LoseDevice(WaveLossReason::ServerGone));
    EXPECT_TRUE(StatusShows(running + "1 · Verbindung zum Ausgabegerät unterbrochen, neuer "
                                      "Versuch …"));
    EXPECT_EQ(shell->Panels().Panels().size(), 1u);
    driver.SetFailure(VirtualCall::Open, WaveOk);
    EXPECT_TRUE(StatusShows(running + "1"));
    EXPECT_TRUE(driver.DeviceOpen());
    EXPECT_EQ(shell->Stream().Channels[0].EditSettings.Frequency, 1000);
    EXPECT_TRUE(asked.Errors.empty());

    driver.SetFailure(VirtualCall::Open);
    ASSERT_TRUE(driver.LoseDevice(WaveLossReason::DeviceRemoved));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !IsRunning(shell->Stream()); }, 3000));
    EXPECT_EQ(asked.Errors,
              std::vector<QString>{
                  "Die Verbindung zum Ausgabegerät ist verloren gegangen und kam innerhalb von 10 "
                  "Sekunden nicht wieder. Der Funktionsgenerator wurde angehalten.\n"
                  "Das Ausgabegerät wurde entfernt."});
    EXPECT_TRUE(shell->Panels().Panels().empty());
    EXPECT_EQ(MenuText(MenuStartStop), "&Starten...\tStrg+R");
    EXPECT_FALSE(shell->Status().isVisible());
    EXPECT_FALSE(driver.DeviceOpen());
    QTest::qWait(100);
    EXPECT_EQ(asked.Errors.size(), 1u);  // one message only

    driver.SetFailure(VirtualCall::Open, WaveOk);
    Start(0x1);
    EXPECT_TRUE(IsRunning(shell->Stream()));
}

// The start error's second line: what the device lacks, by the dialog's speaker names.
TEST_F(StatusTest, ARefusedStartSaysWhyOnASecondLine) {
    const QString failed = "Beim Starten des Funktionsgenerators ist ein Fehler aufgetreten!\n";
    const std::tuple<std::uint32_t, WaveRefusal, QString> cases[] = {
        {0x10,
         {.Kind = WaveRefusalKind::MissingSpeakers, .MissingSpeakers = 0x10},
         "Dem Gerät fehlt der Lautsprecher Back Left."},
        {0x117,
         {.Kind = WaveRefusalKind::MissingSpeakers, .MissingSpeakers = 0x114},
         "Dem Gerät fehlen die Lautsprecher Front Center, Back Left und Back Center."},
        {0xFF,
         {.Kind = WaveRefusalKind::TooManyChannels, .DeviceChannels = 4},
         "Das Gerät hat nur 4 Kanäle, ausgewählt sind 8."},
        {0x3,
         {.Kind = WaveRefusalKind::TooManyChannels, .DeviceChannels = 1},
         "Das Gerät hat nur 1 Kanal, ausgewählt sind 2."},
        {0x3,
         {.Kind = WaveRefusalKind::UnsupportedFormat},
         "Das Gerät nimmt das Format 44100 Hz, 16 Bit, 2 Kanäle nicht an."},
        {0x3, {.Kind = WaveRefusalKind::NoServer}, "Das Soundsystem antwortet nicht."},
        {0x3,
         {.Kind = WaveRefusalKind::NoDevice},
         "Das gewählte Ausgabegerät ist nicht mehr vorhanden."},
    };
    driver.SetFailure(VirtualCall::Open, WaveBadFormat);
    for (const auto& [mask, refusal, reason] : cases) {
        asked.Errors.clear();
        driver.SetRefusal(refusal);
        Start(mask);
        EXPECT_EQ(asked.Errors, std::vector<QString>{failed + reason}) << mask;
        EXPECT_NE(shell->DeviceWindow(), nullptr);
    }
}

TEST_F(StatusTest, PanelsOnADeviceWithoutSpeakersAreNamedAfterItsChannels) {
    driver.SetChannelNames({"AUX0", "AUX1"});
    Start(0x30);
    ASSERT_EQ(shell->Panels().Panels().size(), 2u);
    EXPECT_EQ(Shown(Panel(0), C::Frame), "Kanal 1 (AUX0)");
    EXPECT_EQ(Shown(Panel(1), C::Frame), "Kanal 2 (AUX1)");
    ActivateMain();
    PressOnMain(Qt::Key_R, Qt::ControlModifier);
    driver.SetChannelNames({});
    Start(0x30);
    EXPECT_EQ(Shown(Panel(1), C::Frame), "Kanal 2 (Back Right)");
}

}  // namespace
}  // namespace tonquelle::testing
