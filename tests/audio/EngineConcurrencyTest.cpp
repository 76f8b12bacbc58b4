#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "audio/StreamEngine.h"
#include "audio/VirtualWaveOut.h"
#include "synth/Renderer.h"
#include "tests/audio/EngineTestSupport.h"
#include "waveform/WaveformLoader.h"

namespace tonquelle {
namespace {

// The UI thread publishes settings and loads user waveforms while the stream thread renders
// and the device plays: every buffer must come out of one consistent set of settings and
// tables. Channel 0 plays a one-point user table (a constant) at a changing amplitude, so a
// buffer that mixed two hand-overs would hold two different sample values. Runs under
// ThreadSanitizer in the test script.
TEST(EngineConcurrency, PublishingAndLoadingWhileRenderingNeverTearsABuffer) {
    const auto folder =
        std::filesystem::temp_directory_path() /
        ("tonquelle-engine-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(folder);
    std::vector<std::filesystem::path> files;
    for (int i = 1; i <= 8; ++i) {
        files.push_back(folder / ("level" + std::to_string(i) + ".txt"));
        std::ofstream(files.back()) << (i / 8.0) << "\r\n";
    }

    VirtualWaveOutDriver driver;
    OutputStream stream;
    testing::Configure(stream, driver, 2);
    stream.Channels[0].EditSettings.Flags = 0;
    stream.Channels[0].EditSettings.Waveform = WaveformIndex::User;
    stream.Channels[1].EditSettings.Flags = 0;
    PublishChannel(stream, -1);
    ASSERT_TRUE(StartOutput(stream));

    constexpr int Buffers = 300;
    std::atomic<bool> playing = true;
    std::thread device([&] {
        driver.PlayBuffers(Buffers);
        playing = false;
    });
    int edits = 0;
    while (playing) {
        ChannelSettings& settings = stream.Channels[0].EditSettings;
        settings.Amplitude = 0.5 + 0.05 * (edits % 10);
        PublishChannel(stream, edits % 2 == 0 ? 0 : -1);
        ASSERT_TRUE(LoadWaveformFile(stream, 0, WaveformSlotCarrier, files[edits % 8]));
        ASSERT_TRUE(LoadWaveformFile(stream, 1, WaveformSlotAM, files[(edits + 3) % 8]));
        ++edits;
    }
    device.join();
    ASSERT_TRUE(StopOutput(stream));
    std::filesystem::remove_all(folder);

    const auto bytes = driver.PlayedBytes();
    ASSERT_EQ(bytes.size(), std::size_t{Buffers} * 80 * 4);
    // Interpolating a one-point table may be one ulp off, which can move a sample by one code;
    // two hand-overs differ by at least 0.125 * 0.5 of full scale, some 2000 codes.
    const auto sample = [&bytes](std::size_t frame) {
        return static_cast<std::int16_t>(bytes[4 * frame] | bytes[4 * frame + 1] << 8);
    };
    int buffersWithSound = 0;
    for (int b = 0; b < Buffers; ++b) {
        const std::size_t first = std::size_t{80} * b;
        for (std::size_t frame = first + 1; frame < first + 80; ++frame) {
            ASSERT_LE(std::abs(sample(frame) - sample(first)), 1)
                << "buffer " << b << " changes at frame " << frame - first;
        }
        buffersWithSound += sample(first) != 0;
    }
    EXPECT_GT(edits, 0);
    EXPECT_GT(buffersWithSound, 0);
}

}  // namespace
}  // namespace tonquelle
