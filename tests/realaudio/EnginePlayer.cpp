#include "tests/realaudio/EnginePlayer.h"

#include <gtest/gtest.h>

#include <thread>

#include "audio/StreamEngine.h"
#include "synth/Renderer.h"
#include "tests/realaudio/MonitorRecorder.h"

namespace tonquelle::test {

Playback PlayAndRecord(WaveOutDriver& driver, const OutputConfig& config,
                       const std::vector<Tone>& tones, const Monitor& monitor,
                       std::chrono::milliseconds duration) {
    Playback playback;
    OutputStream stream;
    stream.Config = config;
    stream.Driver = &driver;
    for (std::size_t k = 0; k < tones.size(); ++k) {
        ChannelSettings& settings = stream.Channels[k].EditSettings;
        settings = ChannelSettings{};
        settings.Flags = 0;  // unmuted, no modulation
        settings.Frequency = tones[k].Frequency;
        settings.Amplitude = tones[k].Amplitude;
    }
    PublishChannel(stream, -1);

    MonitorRecorder recorder(monitor.Sink, monitor.ChannelMap, monitor.Channels, 44100);
    if (!recorder.Start()) {
        ADD_FAILURE() << "parec could not be started";
        return playback;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // parec connects
    playback.Started = StartOutput(stream);
    if (playback.Started) {
        std::this_thread::sleep_for(duration);
        playback.Stopped = StopOutput(stream);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    playback.Recorded = recorder.Stop();
    return playback;
}

void ExpectSpeakers(const Recording& recording, const std::vector<Tone>& expected) {
    ASSERT_EQ(static_cast<std::size_t>(recording.Channels), expected.size());
    const std::size_t onset = FirstLoudFrame(recording, 0.01);
    const auto first = onset + static_cast<std::size_t>(0.15 * recording.SampleRate);
    const auto count = static_cast<std::size_t>(0.5 * recording.SampleRate);
    ASSERT_LE(first + count, recording.Frames())
        << "too little sound recorded: " << recording.Frames() << " frames, onset " << onset;
    for (std::int32_t channel = 0; channel < recording.Channels; ++channel) {
        const std::vector<double> signal = recording.Channel(channel, first, count);
        const Tone& tone = expected[static_cast<std::size_t>(channel)];
        const double rms = MeasureRms(signal);
        if (tone.Frequency == 0.0) {
            EXPECT_LT(rms, 0.001) << "monitor channel " << channel << " should be silent";
            continue;
        }
        const double frequency = MeasureFrequency(signal, recording.SampleRate);
        EXPECT_NEAR(frequency, tone.Frequency, tone.Frequency * 0.005)
            << "monitor channel " << channel;
        EXPECT_NEAR(LevelDb(rms, tone.Amplitude), 0.0, 1.0) << "monitor channel " << channel;
    }
}

}  // namespace tonquelle::test
