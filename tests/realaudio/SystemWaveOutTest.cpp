// Which device layer the machine gets: PulseAudio while a server answers, PortAudio otherwise.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "audio/PulseWaveOut.h"
#include "audio/SystemWaveOut.h"
#include "tests/realaudio/TestServer.h"

namespace tonquelle::test {
namespace {

bool ListsTheTestSinks(WaveOutDriver& driver) {
    for (const WaveOutDeviceInfo& device : driver.ListDevices()) {
        if (device.Name == SurroundDescription) {
            return true;
        }
    }
    return false;
}

TEST(SystemWaveOut, PulseAudioWhileTheServerAnswersElsePortAudio) {
    std::string why;
    ASSERT_TRUE(UsePrivateServer(why)) << why;
    const auto pulse = CreateSystemWaveOutDriver();
    ASSERT_NE(pulse, nullptr);
    EXPECT_TRUE(ListsTheTestSinks(*pulse));

    // No server at that address: the PulseAudio layer gives up at once, PortAudio takes over
    // (its ALSA devices do not know the server's sinks by name).
    setenv("PULSE_SERVER", "unix:/nonexistent/tonquelle/native", 1);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(CreatePulseWaveOutDriver(), nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    const auto fallback = CreateSystemWaveOutDriver();
    ASSERT_NE(fallback, nullptr);
    EXPECT_FALSE(ListsTheTestSinks(*fallback));
}

}  // namespace
}  // namespace tonquelle::test
