// The output device dialog on its own: window, preselection with its fallbacks, reading back.

#include <gtest/gtest.h>

#include <tuple>

#include <QComboBox>
#include <QTreeWidget>

#include "app/DeviceDialog.h"
#include "audio/VirtualWaveOut.h"

namespace tonquelle::testing {
namespace {

using Devices = std::vector<WaveOutDeviceInfo>;
using Fields = std::array<std::int32_t, 6>;  // an OutputConfig, member by member
const Devices ThreeDevices = {{-1, "Standardgerät"}, {0, "Karte A"}, {1, "Karte B"}};

class DeviceDialogTest : public ::testing::Test {
  protected:
    void Open(const Devices& devices, const OutputConfig& config) {
        owner.setGeometry(100, 100, 850, 434);
        driver.SetDevices(devices);
        dialog = std::make_unique<DeviceDialog>(config, driver, owner);
    }
    // Whether "OK" would accept the dialog, and what it takes into a configuration of sevens (a
    // braced list is evaluated left to right).
    std::pair<bool, Fields> Read() const {
        OutputConfig c{7, 7, 7, 7, 7, 7};
        return {dialog->ReadDeviceDialog(c),
                {c.OutputDevice, c.SampleRate, c.Resolution, c.BufferLength, c.ChannelMask,
                 c.ChannelCount}};
    }

    QWidget owner;
    VirtualWaveOutDriver driver;
    std::unique_ptr<DeviceDialog> dialog;
};

// A fixed, non-modal window centred on its owner, without a close box. The stored configuration
// is preselected; what "OK" reads back shows the selection. One to eight speakers are accepted.
TEST_F(DeviceDialogTest, StoredValuesArePreselectedElseTheirFallbacks) {
    Open(ThreeDevices, {-1, 44100, 16, 250, 0x3, 2});
    EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8("Ausgabegerät konfigurieren"));
    EXPECT_EQ(dialog->size(), QSize(415, 250));
    EXPECT_EQ(dialog->geometry().center(), owner.geometry().center());
    auto& speakers = *static_cast<QTreeWidget*>(dialog->Control(SpeakerListControl));
    ASSERT_EQ(speakers.topLevelItemCount(), 18);
    EXPECT_FALSE(dialog->isModal());
    EXPECT_FALSE(dialog->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    dialog->show();
    dialog->close();  // a window manager's close request
    EXPECT_TRUE(dialog->isVisible());
    const std::tuple<Devices, OutputConfig, bool, Fields> cases[] = {
        {ThreeDevices, {1, 192000, 32, 1000, 0x3FC00, 8}, true, {1, 192000, 32, 1000, 0x3FC00, 8}},
        {ThreeDevices, {0, 8000, 8, 50, 0x20000, 1}, true, {0, 8000, 8, 50, 0x20000, 1}},
        {ThreeDevices, {0, 22050, 16, 250, 0x3FE00, 9}, false, {0, 22050, 16, 250, 0x3FE00, 9}},
        {ThreeDevices, {0, 48000, 16, 250, 0, 0}, false, {0, 48000, 16, 250, 0, 0}},
        // Unknown values fall back to the first device, 44100 Hz, 16 Bit and 250 ms; speaker
        // bits above 17 have no row.
        {{{-1, "Standardgerät"}, {0, "Karte A"}},
         {3, 12345, 12, 300, 1 << 20, 1},
         false,
         {-1, 44100, 16, 250, 0, 0}},
        {{}, {-1, 44100, 16, 250, 0x3, 2}, false, {7, 7, 7, 7, 7, 7}},  // no device to select
    };
    for (const auto& [devices, stored, accepted, read] : cases) {
        Open(devices, stored);
        EXPECT_EQ(Read(), std::pair(accepted, read)) << stored.SampleRate;
    }
    // A list without selection stops reading: the lists before it are taken, nothing after.
    Open(ThreeDevices, {1, 96000, 24, 50, 0x3F, 6});  // 96000 Hz, 24 Bit, 50 ms
    static_cast<QComboBox*>(dialog->Control(ResolutionListControl))->setCurrentIndex(-1);
    EXPECT_EQ(Read(), std::pair(false, Fields{1, 96000, 7, 7, 7, 7}));
}

}  // namespace
}  // namespace tonquelle::testing
