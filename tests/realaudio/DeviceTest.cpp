// Both device layers on a private PulseAudio server with null sinks (PortAudio through ALSA's
// pulse plug-in); what the engine plays is recorded from the sinks' monitors.
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "audio/PortAudioWaveOut.h"
#include "audio/PulseWaveOut.h"
#include "audio/StreamEngine.h"
#include "audio/SystemWaveOut.h"
#include "synth/Renderer.h"
#include "tests/realaudio/RealAudio.h"

namespace tonquelle::test {
namespace {

using namespace std::chrono_literals;

enum class Layer { Pulse, PortAudio };

std::unique_ptr<WaveOutDriver> DriverFor(Layer layer) {
    EXPECT_TRUE(UsePrivateServer()) << "no private PulseAudio server (run through ctest)";
    return layer == Layer::Pulse ? CreatePulseWaveOutDriver() : CreatePortAudioWaveOutDriver();
}

// Per case: the layer, the engine's configuration, one tone per channel, the sink recorded and
// what each of its monitor channels must hear (stereo: FL FR; 7.1: FL FR FC LFE RL RR SL SR;
// AUX4: AUX0..AUX3; mono), or, for a refused start, what the device says.
struct ToneCase {
    Layer layer;
    OutputConfig config;
    std::vector<Tone> played;
    MonitorSink sink;
    std::vector<Tone> heard;
    WaveRefusal refusal{};
    std::vector<std::string> channelNames{};
};

// Plays `test` for a second and checks what the sink's monitor heard.
void PlayAndListen(const ToneCase& test, OutputStream& stream) {
    MonitorRecorder recorder;
    ASSERT_TRUE(recorder.Start(test.sink));
    std::this_thread::sleep_for(300ms);  // parec connects
    ASSERT_TRUE(StartOutput(stream));
    EXPECT_EQ(stream.DeviceChannelNames, test.channelNames);
    std::this_thread::sleep_for(1000ms);
    EXPECT_TRUE(StopOutput(stream));
    std::this_thread::sleep_for(100ms);
    const Recording recording = recorder.Stop();
    ExpectTones(recording, FirstLoudFrame(recording, 0.01) + 44100 * 15 / 100, test.heard);
}

void PublishTones(OutputStream& stream, const std::vector<Tone>& tones) {
    for (std::size_t k = 0; k < tones.size(); ++k) {
        stream.Channels[k].EditSettings = ChannelSettings{};
        stream.Channels[k].EditSettings.Flags = 0;  // unmuted, no modulation
        stream.Channels[k].EditSettings.Frequency = tones[k].Frequency;
        stream.Channels[k].EditSettings.Amplitude = tones[k].Amplitude;
    }
    PublishChannel(stream, -1);
}

// On a sink without speaker positions channel k plays on the sink's channel k, whatever the
// mask; a start the sink cannot take is refused with the reason.
TEST(EngineOnDevice, EachChannelSoundsOnTheSpeakerOfItsMaskBitWithItsPitchAndLevel) {
    const Tone a{300, 0.5}, b{400, 0.4}, c{500, 0.3}, d{600, 0.2}, e{1000, 0.3}, _{};
    const std::vector<Tone> eight = {{200, 0.4}, {250, 0.4}, {300, 0.4}, {350, 0.4},
                                     {400, 0.4}, {450, 0.4}, {500, 0.4}, {550, 0.4}};
    const WaveRefusal lacksBoth{.Kind = WaveRefusalKind::MissingSpeakers, .MissingSpeakers = 0x14};
    const WaveRefusal fourOnly{.Kind = WaveRefusalKind::TooManyChannels, .DeviceChannels = 4};
    const std::vector<ToneCase> cases = {
        {Layer::Pulse, {-1, 44100, 16, 100, 0x3, 2}, {a, d}, StereoSink, {a, d}},
        {Layer::Pulse,
         {1, 44100, 8, 100, 0x33, 4},
         {a, b, c, d},
         SurroundSink,
         {a, b, _, _, c, d, _, _}},
        {Layer::Pulse,
         {1, 44100, 24, 100, 0x14, 2},
         {a, c},
         SurroundSink,
         {_, _, a, _, c, _, _, _}},
        {Layer::Pulse, {1, 44100, 32, 100, 0x63F, 8}, eight, SurroundSink, eight},
        {Layer::Pulse, {0, 48000, 16, 100, 0x3, 2}, {e, b}, StereoSink, {e, b}},  // resampled
        {Layer::Pulse,
         {2, 44100, 16, 100, 0x30, 2},
         {a, c},
         Aux4Sink,
         {a, c, _, _},
         {},
         {"AUX0", "AUX1"}},
        {Layer::Pulse, {3, 44100, 16, 250, 0x4, 1}, {b}, MonoSink, {b}, {}, {"Mono"}},
        {Layer::Pulse, {-1, 44100, 16, 100, 0x14, 2}, {a, c}, StereoSink, {}, lacksBoth},
        {Layer::Pulse, {2, 44100, 16, 100, 0x1F, 5}, {a, b, c, d, e}, Aux4Sink, {}, fourOnly},
        {Layer::PortAudio, {-1, 44100, 16, 100, 0x3, 2}, {a, d}, StereoSink, {a, d}},
        {Layer::PortAudio, {-1, 48000, 32, 250, 0x3, 2}, {e, b}, StereoSink, {e, b}},
    };
    for (const ToneCase& test : cases) {
        SCOPED_TRACE(::testing::Message() << "case " << &test - cases.data());
        const auto driver = DriverFor(test.layer);
        ASSERT_NE(driver, nullptr);
        driver->ListDevices();  // as the dialog does before every start
        OutputStream stream;
        stream.Config = test.config;
        stream.Driver = driver.get();
        PublishTones(stream, test.played);
        if (test.heard.empty()) {
            EXPECT_FALSE(StartOutput(stream) || IsRunning(stream));
            EXPECT_EQ(stream.StartRefusal, test.refusal);
            continue;
        }
        PlayAndListen(test, stream);
    }
}

bool WaitForHealth(const OutputStream& stream, StreamHealth health,
                   std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (ReadStreamStatus(stream).Health != health && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(10ms);
    }
    return ReadStreamStatus(stream).Health == health;
}

// The server crashes while the generator plays a tone on the back-right speaker of the 7.1 sink
// and is back a few seconds later: within two seconds of its return the same sink plays the same
// tone again, and the gap is counted.
TEST(EngineOnDevice, AServerThatCrashesAndComesBackIsReconnectedWithTheSameSignal) {
    const auto driver = DriverFor(Layer::Pulse);
    ASSERT_NE(driver, nullptr);
    driver->ListDevices();
    OutputStream stream;
    stream.Config = {1, 44100, 16, 100, 0x30, 2};
    stream.Driver = driver.get();
    stream.ReconnectLimit = 30s;  // the server's restart takes some seconds here
    const Tone heard{700, 0.4}, _{};
    PublishTones(stream, {_, heard});
    ASSERT_TRUE(StartOutput(stream));
    std::this_thread::sleep_for(500ms);
    ASSERT_EQ(ReadStreamStatus(stream).Health, StreamHealth::Playing);

    ServerOutage outage;
    ASSERT_TRUE(outage.Begin());
    EXPECT_TRUE(WaitForHealth(stream, StreamHealth::Reconnecting, 2s));
    EXPECT_EQ(ReadStreamStatus(stream).LossReason, WaveLossReason::ServerGone);
    EXPECT_TRUE(IsRunning(stream));
    ASSERT_TRUE(outage.End());
    const auto back = std::chrono::steady_clock::now();
    EXPECT_TRUE(WaitForHealth(stream, StreamHealth::Playing, 2s));
    EXPECT_LE(std::chrono::steady_clock::now() - back, 2s);
    EXPECT_GE(ReadStreamStatus(stream).Dropouts, 1u);

    MonitorRecorder recorder;
    ASSERT_TRUE(recorder.Start(SurroundSink));
    std::this_thread::sleep_for(1000ms);
    const Recording recording = recorder.Stop();
    EXPECT_TRUE(StopOutput(stream));
    ExpectTones(recording, FirstLoudFrame(recording, 0.01) + 44100 / 10,
                {_, _, _, _, _, heard, _, _});
}

TEST(DeviceList, PulseAudioListsTheDefaultSinkThenTheSinksAndIsChosenWhileItAnswers) {
    ASSERT_NE(DriverFor(Layer::Pulse), nullptr);
    // The two sinks described alike are told apart by their names.
    const std::vector<WaveOutDeviceInfo> sinks = {{-1, "Standardgerät (TestStereo)"},
                                                  {0, "TestStereo"},
                                                  {1, "TestSurround"},
                                                  {2, "Null Output (tq_aux4)"},
                                                  {3, "Null Output (tq_mono)"}};
    const auto chosen = CreateSystemWaveOutDriver();
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen->ListDevices(), sinks);  // the server's sinks: the PulseAudio layer
    setenv("PULSE_SERVER", "unix:/nonexistent/tonquelle/native", 1);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(CreatePulseWaveOutDriver(), nullptr);  // gives up at once
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
    const auto fallback = CreateSystemWaveOutDriver();  // PortAudio: ALSA's devices
    ASSERT_NE(fallback, nullptr);
    for (const WaveOutDeviceInfo& device : fallback->ListDevices()) {
        EXPECT_NE(device.Name, "TestSurround");
    }
}

// Done notifications, each with the flags its header carried at that moment.
struct RecordingSink final : WaveDoneSink {
    using Done = std::vector<std::pair<WaveHeader*, std::uint32_t>>;
    void BufferDone(WaveHeader* header) override {
        const std::lock_guard lock(mutex);
        done.emplace_back(header, header->Flags);
    }
    void DeviceLost(WaveLossReason reason) override {
        const std::lock_guard lock(mutex);
        losses.push_back(reason);
    }
    Done Get() {
        const std::lock_guard lock(mutex);
        return done;
    }
    bool WaitFor(std::size_t count) {
        for (int wait = 0; wait < 300 && Get().size() < count; ++wait) {
            std::this_thread::sleep_for(10ms);
        }
        return Get().size() >= count;
    }
    std::mutex mutex;
    Done done;
    std::vector<WaveLossReason> losses;

    std::vector<WaveLossReason> Losses() {
        const std::lock_guard lock(mutex);
        return losses;
    }
    bool WaitForLoss() {
        for (int wait = 0; wait < 300 && Losses().empty(); ++wait) {
            std::this_thread::sleep_for(10ms);
        }
        return !Losses().empty();
    }
};

// What the engine relies on from either device layer, on 16-bit stereo buffers of silence.
class DeviceContract : public ::testing::TestWithParam<Layer> {
  protected:
    void SetUp() override {
        driver_ = DriverFor(GetParam());
        ASSERT_NE(driver_, nullptr);
        const WaveOpenRequest request{.DeviceId = -1,
                                      .Format = WaveFormatOf({-1, 44100, 16, 100, 0x3, 2}),
                                      .BufferBytes = 44100 / 10 * 4};
        WaveRefusal refusal;
        ASSERT_EQ(driver_->Open(device_, request, sink_, refusal), WaveOk);
    }
    void TearDown() override {
        if (device_ != nullptr) {
            device_->Reset();
            device_->Close();
        }
    }
    // Prepares and writes `count` more headers of `milliseconds` each (a deque keeps the
    // earlier ones in place).
    void Play(std::size_t count, std::uint32_t milliseconds) {
        for (std::size_t i = 0; i < count; ++i) {
            headers_.push_back({block_.data(), 44100 * milliseconds / 1000 * 4, 0});
            EXPECT_EQ(device_->Prepare(headers_.back()), WaveOk);
        }
        for (std::size_t i = headers_.size() - count; i < headers_.size(); ++i) {
            EXPECT_EQ(device_->Write(headers_[i]), WaveOk);
        }
    }
    // Each of the first `count` headers returned once, in order, marked prepared and done.
    RecordingSink::Done Returned(std::size_t count) {
        RecordingSink::Done done;
        for (std::size_t i = 0; i < count; ++i) {
            done.emplace_back(&headers_[i], WaveHeaderPrepared | WaveHeaderDone);
        }
        return done;
    }
    std::vector<std::uint8_t> block_ = std::vector<std::uint8_t>(44100 / 2 * 4);
    std::deque<WaveHeader> headers_;
    RecordingSink sink_;
    std::unique_ptr<WaveOutDriver> driver_;
    std::unique_ptr<WaveOut> device_;
};

TEST_P(DeviceContract, PlayedBuffersComeBackOnceEachInWriteOrderAsTheyArePlayed) {
    const bool portAudio = GetParam() == Layer::PortAudio;
    const auto start = std::chrono::steady_clock::now();
    Play(4, 50);
    ASSERT_TRUE(sink_.WaitFor(4));
    // 200 ms of sound: the server or card holds at most about one buffer ahead.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 80ms);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(sink_.Get(), Returned(4));
    // Since then the queue is empty: PortAudio's callback plays silence and counts underruns.
    EXPECT_TRUE(!portAudio || PortAudioUnderruns(*device_) > 0);
    ASSERT_EQ(device_->Write(headers_[0]), WaveOk);  // a returned buffer can go again
    ASSERT_TRUE(sink_.WaitFor(5));
    EXPECT_EQ(sink_.Get().back().first, &headers_[0]);
}

TEST_P(DeviceContract, HeaderRulesResetReturnsEverythingAndCloseEndsNotifications) {
    WaveHeader unprepared{block_.data(), 4, 0};
    EXPECT_EQ(device_->Unprepare(unprepared), WaveOk);  // nothing to undo
    EXPECT_EQ(unprepared.Flags, 0u);
    EXPECT_EQ(device_->Write(unprepared), WaveUnprepared);
    WaveHeader halfFrame{block_.data(), 6, WaveHeaderPrepared};
    EXPECT_EQ(device_->Write(halfFrame), WaveError);  // 1.5 frames would shift the channels
    EXPECT_EQ(halfFrame.Flags, WaveHeaderPrepared);
    Play(3, 500);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(headers_[2].Flags, WaveHeaderPrepared | WaveHeaderInQueue);
    EXPECT_EQ(device_->Write(headers_[2]), WaveStillPlaying);
    EXPECT_EQ(device_->Unprepare(headers_[2]), WaveStillPlaying);
    EXPECT_EQ(device_->Close(), WaveStillPlaying);
    ASSERT_EQ(device_->Reset(), WaveOk);
    // All of them, in order, before Reset returned.
    EXPECT_EQ(sink_.Get(), Returned(3));
    for (WaveHeader& header : headers_) {
        EXPECT_EQ(device_->Unprepare(header), WaveOk);
        EXPECT_EQ(header.Flags, WaveHeaderDone);
    }
    Play(1, 300);  // still usable after a reset
    ASSERT_EQ(device_->Reset(), WaveOk);
    ASSERT_EQ(device_->Close(), WaveOk);
    device_.reset();
    std::this_thread::sleep_for(400ms);
    ASSERT_EQ(sink_.Get().size(), 4u);
    EXPECT_EQ(sink_.Get().back().first, &headers_[3]);
}

// The server crashes while buffers play: the device says so once (PulseAudio knows the server
// went; PortAudio only sees its callback stop), and Reset and Close still give everything back.
TEST_P(DeviceContract, ALostServerIsReportedOnceAndResetStillReturnsEveryBuffer) {
    Play(4, 500);
    std::this_thread::sleep_for(300ms);
    ServerOutage outage;
    ASSERT_TRUE(outage.Begin());
    ASSERT_TRUE(sink_.WaitForLoss());
    const WaveLossReason expected =
        GetParam() == Layer::Pulse ? WaveLossReason::ServerGone : WaveLossReason::StreamFailed;
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(sink_.Losses(), std::vector{expected});
    ASSERT_EQ(device_->Reset(), WaveOk);
    EXPECT_EQ(sink_.Get().size(), 4u);
    EXPECT_EQ(device_->Close(), WaveOk);
    device_.reset();
    EXPECT_TRUE(outage.End());
}

INSTANTIATE_TEST_SUITE_P(Layers, DeviceContract, ::testing::Values(Layer::Pulse, Layer::PortAudio),
                         [](const auto& info) {
                             return info.param == Layer::Pulse ? "Pulse" : "PortAudio";
                         });

// A sink unloaded under a playing stream: the stream is not moved to another sink (whose
// speakers could differ) but reported lost, as a removed device.
TEST(DeviceLoss, ASinkRemovedWhilePlayingIsReportedAsARemovedDevice) {
    const auto driver = DriverFor(Layer::Pulse);
    ASSERT_NE(driver, nullptr);
    ASSERT_EQ(std::system("pactl load-module module-null-sink sink_name=tq_gone channels=2 "
                          "channel_map=front-left,front-right rate=44100 > tq_gone.module"),
              0);
    std::string module;
    std::getline(std::ifstream("tq_gone.module"), module);
    std::filesystem::remove("tq_gone.module");
    const std::vector<WaveOutDeviceInfo> devices = driver->ListDevices();
    ASSERT_EQ(devices.size(), 6u);  // the default entry, four sinks, tq_gone
    RecordingSink sink;
    std::unique_ptr<WaveOut> device;
    WaveRefusal refusal;
    ASSERT_EQ(driver->Open(device,
                           {.DeviceId = 4,
                            .Format = WaveFormatOf({4, 44100, 16, 250, 0x3, 2}),
                            .BufferBytes = 44100 / 4 * 4},
                           sink, refusal),
              WaveOk);
    std::vector<std::uint8_t> block(44100 / 4 * 4);
    std::array<WaveHeader, 2> headers{};
    for (WaveHeader& header : headers) {
        header = {block.data(), static_cast<std::uint32_t>(block.size()), 0};
        ASSERT_EQ(device->Prepare(header), WaveOk);
        ASSERT_EQ(device->Write(header), WaveOk);
    }
    std::this_thread::sleep_for(100ms);
    ASSERT_EQ(std::system(("pactl unload-module " + module).c_str()), 0);
    ASSERT_TRUE(sink.WaitForLoss());
    EXPECT_EQ(sink.Losses(), std::vector{WaveLossReason::DeviceRemoved});
    ASSERT_EQ(device->Reset(), WaveOk);
    EXPECT_EQ(sink.Get().size(), 2u);
    EXPECT_EQ(device->Close(), WaveOk);
}

}  // namespace
}  // namespace tonquelle::test
