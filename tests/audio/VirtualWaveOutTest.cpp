#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "audio/VirtualWaveOut.h"

namespace tonquelle {
namespace {

// Records the order of done notifications.
struct RecordingSink final : WaveDoneSink {
    std::vector<WaveHeader*> done;
    void BufferDone(WaveHeader* header) override { done.push_back(header); }
};

WaveFormat StereoFormat(std::uint32_t rate = 8000) {
    OutputConfig config{-1, static_cast<std::int32_t>(rate), 16, 10, 0x3, 2};
    return WaveFormatOf(config);
}

TEST(VirtualWaveOut, ListsItsDevicesAndRefusesUnknownIdsAndFormats) {
    VirtualWaveOutDriver driver;
    const std::vector<WaveOutDeviceInfo> defaults{{-1, "Virtuelles Standardgerät"},
                                                  {0, "Virtuelles Gerät 1"}};
    EXPECT_EQ(driver.ListDevices(), defaults);

    RecordingSink sink;
    std::unique_ptr<WaveOut> device;
    EXPECT_EQ(driver.Open(device, 1, StereoFormat(), sink), WaveBadDevice);
    EXPECT_EQ(device, nullptr);
    WaveFormat odd = StereoFormat();
    odd.BitsPerSample = 12;
    EXPECT_EQ(driver.Open(device, 0, odd, sink), WaveBadFormat);

    driver.SetDevices({{-1, "A"}, {0, "B"}, {1, "C"}});
    EXPECT_EQ(driver.ListDevices().size(), 3u);
    ASSERT_EQ(driver.Open(device, 1, StereoFormat(), sink), WaveOk);
    EXPECT_EQ(driver.LastDeviceId(), 1);
    EXPECT_EQ(driver.LastFormat(), StereoFormat());
    std::unique_ptr<WaveOut> second;
    EXPECT_NE(driver.Open(second, 0, StereoFormat(), sink), WaveOk);  // opened exclusively
    EXPECT_EQ(device->Close(), WaveOk);
    EXPECT_FALSE(driver.DeviceOpen());
}

TEST(VirtualWaveOut, KeepsTheHeaderContract) {
    VirtualWaveOutDriver driver;
    RecordingSink sink;
    std::unique_ptr<WaveOut> device;
    ASSERT_EQ(driver.Open(device, -1, StereoFormat(), sink), WaveOk);
    std::vector<std::uint8_t> a{1, 2, 3, 4}, b{5, 6, 7, 8};
    WaveHeader first{a.data(), 4, 0}, second{b.data(), 4, 0};

    EXPECT_EQ(device->Unprepare(first), WaveOk);  // never prepared: succeeds, no effect
    EXPECT_EQ(device->Write(first), WaveUnprepared);
    ASSERT_EQ(device->Prepare(first), WaveOk);
    ASSERT_EQ(device->Prepare(second), WaveOk);
    EXPECT_EQ(driver.PreparedHeaders(), 2);
    ASSERT_EQ(device->Write(first), WaveOk);
    ASSERT_EQ(device->Write(second), WaveOk);
    EXPECT_EQ(first.Flags, WaveHeaderPrepared | WaveHeaderInQueue);
    EXPECT_EQ(device->Unprepare(first), WaveStillPlaying);
    EXPECT_EQ(device->Close(), WaveStillPlaying);

    ASSERT_TRUE(driver.PlayNextBuffer());
    EXPECT_EQ(first.Flags, WaveHeaderPrepared | WaveHeaderDone);
    EXPECT_EQ(driver.PlayedBytes(), a);
    ASSERT_EQ(device->Reset(), WaveOk);  // returns the second without playing it
    EXPECT_EQ(sink.done, (std::vector<WaveHeader*>{&first, &second}));
    EXPECT_EQ(driver.ResetReturnedCount(), 1);
    EXPECT_FALSE(driver.PlayNextBuffer());
    EXPECT_EQ(driver.PlayedBytes(), a);

    EXPECT_EQ(device->Unprepare(first), WaveOk);
    EXPECT_EQ(device->Unprepare(second), WaveOk);
    EXPECT_EQ(driver.PreparedHeaders(), 0);
    EXPECT_EQ(device->Close(), WaveOk);
}

TEST(VirtualWaveOut, FailsEachCallOnRequestAndCountsIt) {
    VirtualWaveOutDriver driver;
    RecordingSink sink;
    std::unique_ptr<WaveOut> device;
    driver.SetFailure(VirtualCall::Open, WaveBadFormat);
    EXPECT_EQ(driver.Open(device, -1, StereoFormat(), sink), WaveBadFormat);
    EXPECT_FALSE(driver.DeviceOpen());
    driver.SetFailure(VirtualCall::Open, WaveOk);
    ASSERT_EQ(driver.Open(device, -1, StereoFormat(), sink), WaveOk);
    EXPECT_EQ(driver.CallCount(VirtualCall::Open), 2);

    std::uint8_t byte = 0;
    WaveHeader header{&byte, 1, 0};
    for (VirtualCall call : {VirtualCall::Prepare, VirtualCall::Write, VirtualCall::Unprepare,
                             VirtualCall::Reset, VirtualCall::Close}) {
        driver.SetFailure(call);
    }
    EXPECT_EQ(device->Prepare(header), WaveError);
    EXPECT_EQ(header.Flags, 0u);
    EXPECT_EQ(device->Write(header), WaveError);
    EXPECT_EQ(device->Unprepare(header), WaveError);
    EXPECT_EQ(device->Reset(), WaveError);
    EXPECT_EQ(device->Close(), WaveError);
    EXPECT_TRUE(driver.DeviceOpen());
    driver.SetFailure(VirtualCall::Close, WaveOk);
    EXPECT_EQ(device->Close(), WaveOk);
    EXPECT_EQ(driver.CallCount(VirtualCall::Close), 2);
}

TEST(VirtualWaveOut, RealTimeClockPlaysEachBufferForItsDuration) {
    VirtualWaveOutDriver driver(VirtualClock::RealTime);
    RecordingSink sink;
    std::unique_ptr<WaveOut> device;
    ASSERT_EQ(driver.Open(device, -1, StereoFormat(), sink), WaveOk);
    // 8000 frames/s at 4 bytes: 1600 bytes play for 50 ms.
    std::vector<std::uint8_t> data(1600, 7);
    WaveHeader header{data.data(), 1600, 0};
    ASSERT_EQ(device->Prepare(header), WaveOk);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(device->Write(header), WaveOk);
    while (driver.PlayedBufferCount() == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
    EXPECT_EQ(driver.PlayedBytes(), data);
    EXPECT_EQ(device->Unprepare(header), WaveOk);
    EXPECT_EQ(device->Close(), WaveOk);
}

}  // namespace
}  // namespace tonquelle
