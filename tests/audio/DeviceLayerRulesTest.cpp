// Rules shared by the real device layers that need no sound server: telling list entries apart
// and asking for real-time scheduling.
#include <gtest/gtest.h>

#include <bit>
#include <thread>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <pthread.h>
#include <sched.h>
#endif

#include "audio/DeviceRules.h"
#include "audio/RealtimeScheduling.h"

namespace tonquelle {
namespace {

// Four null sinks described alike, PortAudio's ALSA and JACK entries of one card: each shared
// name gets its detail; a name of its own stays bare, even with a detail.
TEST(DistinctNames, EntriesThatWouldReadTheSameGetTheirDetailInParentheses) {
    EXPECT_EQ(DistinctNames({{"Null Output", "tq_a"},
                             {"Built-in Audio", "alsa_output.pci"},
                             {"Null Output", "tq_b"},
                             {"Null Output", "tq_c"}}),
              (std::vector<std::string>{"Null Output (tq_a)", "Built-in Audio",
                                        "Null Output (tq_b)", "Null Output (tq_c)"}));
    EXPECT_EQ(
        DistinctNames({{"HDA Intel: ALC892", "ALSA"}, {"HDA Intel: ALC892", "JACK Audio"}}),
        (std::vector<std::string>{"HDA Intel: ALC892 (ALSA)", "HDA Intel: ALC892 (JACK Audio)"}));
    EXPECT_EQ(DistinctNames({}), std::vector<std::string>{});
}

// Windows lists one host API, so entries of one name have no detail to tell them apart (Wine
// names every null sink without a description "Null Output"); nor do ALSA's and JACK's entries
// of two identical cards. They are numbered in list order, the first staying bare.
TEST(DistinctNames, EntriesThatReadTheSameEvenSoAreNumberedFromTheSecondOn) {
    EXPECT_EQ(
        DistinctNames(
            {{"Null Output", ""}, {"TestStereo", ""}, {"Null Output", ""}, {"Null Output", ""}}),
        (std::vector<std::string>{"Null Output", "TestStereo", "Null Output (2)",
                                  "Null Output (3)"}));
    EXPECT_EQ(
        DistinctNames({{"USB Audio", "ALSA"}, {"USB Audio", "ALSA"}, {"USB Audio", "JACK Audio"}}),
        (std::vector<std::string>{"USB Audio (ALSA)", "USB Audio (ALSA) (2)",
                                  "USB Audio (JACK Audio)"}));
}

// A stream on some speakers of a device that takes frames of all of them (Windows' shared
// WASAPI): each stream sample lands in its speaker's place, every other place is silence.
TEST(FrameSpread, EachSampleGoesToItsSpeakersPlaceAndTheOtherPlacesAreSilent) {
    const auto spread = [](std::uint16_t bits, std::uint32_t mask, std::uint32_t deviceMask,
                           const std::vector<std::uint8_t>& in, std::uint32_t deviceBytes = 0) {
        const auto channels = static_cast<std::uint16_t>(std::popcount(mask));
        const WaveFormat format{.Channels = channels,
                                .BitsPerSample = bits,
                                .ValidBitsPerSample = bits,
                                .ChannelMask = mask};
        const FrameSpread how = SpreadOf(format, deviceMask, deviceBytes);
        const std::size_t frames = in.size() / (channels * bits / 8u);
        std::vector<std::uint8_t> out(frames * how.DeviceChannels * how.DeviceBytesPerSample, 0xEE);
        SpreadFrames(how, in.data(), out.data(), frames);
        return out;
    };
    using Bytes = std::vector<std::uint8_t>;
    // 16 bits, front centre and back left (bits 2, 4) on a 7.1 device (0x63F: FL FR FC LFE BL
    // BR SL SR): places 2 and 4 of eight, two frames.
    EXPECT_EQ(spread(16, 0x14, 0x63F, {1, 2, 3, 4, 5, 6, 7, 8}),
              (Bytes{0, 0, 0, 0, 1, 2, 0, 0, 3, 4, 0, 0, 0, 0, 0, 0,  //
                     0, 0, 0, 0, 5, 6, 0, 0, 7, 8, 0, 0, 0, 0, 0, 0}));
    // 24 bits, the side pair (bits 9, 10): the last two places of eight.
    EXPECT_EQ(spread(24, 0x600, 0x63F, {1, 2, 3, 4, 5, 6}),
              (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6}));
    // 24-bit samples carried in 32 bits: 0x030201 is 0x03020100 there, the same level.
    EXPECT_EQ(spread(24, 0x3, 0x3, {1, 2, 3, 4, 5, 6}, 4), (Bytes{0, 1, 2, 3, 0, 4, 5, 6}));
    EXPECT_EQ(spread(24, 0x2, 0x33, {1, 2, 3}, 4),
              (Bytes{0, 0, 0, 0, 0, 1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0}));
    // 8 bits, unsigned: silence is 0x80. Front right alone on a quad device (FL FR BL BR).
    EXPECT_EQ(spread(8, 0x2, 0x33, {9, 10}), (Bytes{0x80, 9, 0x80, 0x80, 0x80, 10, 0x80, 0x80}));
    // The device's own speakers, all of them: the frames as they are.
    EXPECT_EQ(spread(32, 0x3, 0x3, {1, 2, 3, 4, 5, 6, 7, 8}), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_TRUE(
        SpreadOf(WaveFormat{.Channels = 2, .BitsPerSample = 16, .ChannelMask = 0x3}, 0x3).Identity);
    EXPECT_FALSE(SpreadOf(WaveFormat{.Channels = 2, .BitsPerSample = 16, .ChannelMask = 0x3}, 0x33)
                     .Identity);
}

// What the calling thread's scheduling says of being raised: a real-time policy on Linux, the
// time-critical priority on Windows.
#if defined(_WIN32)
bool RunsRaised() {
    return GetThreadPriority(GetCurrentThread()) == THREAD_PRIORITY_TIME_CRITICAL;
}
#else
bool RunsRaised() {
    int policy = -1;
    sched_param parameter{};
    pthread_getschedparam(pthread_self(), &policy, &parameter);
    return (policy & ~SCHED_RESET_ON_FORK) == SCHED_RR;
}
#endif

// Whether the system grants it or not (a container without RealtimeKit, a desktop with it), the
// answer matches the thread's scheduling afterwards, and the thread goes on working.
TEST(RealtimeScheduling, TheAnswerMatchesTheThreadsSchedulingAndTheThreadRunsOn) {
    bool granted = false;
    bool raised = false;
    int sum = 0;
    std::thread worker([&] {
        granted = RequestRealtimeScheduling();
        raised = RunsRaised();
        for (int i = 1; i <= 100; ++i) {
            sum += i;
        }
    });
    worker.join();
    EXPECT_EQ(raised, granted);
    EXPECT_EQ(sum, 5050);
    // The asking thread's own scheduling is untouched.
    EXPECT_FALSE(RunsRaised());
}

}  // namespace
}  // namespace tonquelle
