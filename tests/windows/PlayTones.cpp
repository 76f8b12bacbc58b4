// Plays tones through the device layer of this machine (on Windows: PortAudio's WASAPI, or MME
// where WASAPI is missing) with the program's engine, for the real-audio test that records them
// on the Linux side under Wine (tests/realaudio/WindowsDeviceTest.cpp):
//
//   tonquelle_play_tones <device name | -> <mask> <rate> <bits> <buffer ms> <play ms>
//   <Hz>:<amplitude>...
//
// The device is looked up by name as a stored configuration is ("-": the system's default
// output). Prints the device list, one "device <id> <name>" a line, then either "playing" and
// plays channel k's tone for the given time, or "refused <kind> <missing speakers> <device
// channels>" (the WaveRefusal). Exit status 0 after playing, 3 when the start was refused, 2 for
// bad arguments, 1 without any sound output.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "audio/DeviceChoice.h"
#include "audio/StreamEngine.h"
#include "audio/SystemWaveOut.h"
#include "synth/Renderer.h"

namespace tonquelle {
namespace {

struct Request {
    OutputConfig Config;
    int PlayMs = 0;
    std::vector<ChannelSettings> Channels;
};

bool ReadRequest(int argc, char** argv, Request& request) {
    if (argc < 8) {
        return false;
    }
    OutputConfig& config = request.Config;
    config.OutputDevice = -1;
    config.OutputDeviceName = std::string(argv[1]) == "-" ? "" : argv[1];
    config.ChannelMask = static_cast<std::int32_t>(std::strtol(argv[2], nullptr, 0));
    config.SampleRate = std::atoi(argv[3]);
    config.Resolution = std::atoi(argv[4]);
    config.BufferLength = std::atoi(argv[5]);
    request.PlayMs = std::atoi(argv[6]);
    for (int i = 7; i < argc; ++i) {
        ChannelSettings channel;
        channel.Flags = 0;  // unmuted sine, no modulation
        if (std::sscanf(argv[i], "%lf:%lf", &channel.Frequency, &channel.Amplitude) != 2) {
            return false;
        }
        request.Channels.push_back(channel);
    }
    config.ChannelCount = static_cast<std::int32_t>(request.Channels.size());
    return config.ChannelCount <= MaxChannels;
}

int Play(Request& request, WaveOutDriver& driver) {
    const std::vector<WaveOutDeviceInfo> devices = driver.ListDevices();
    for (const WaveOutDeviceInfo& device : devices) {
        std::printf("device %d %s\n", device.Id, device.Name.c_str());
    }
    request.Config.OutputDevice =
        request.Config.OutputDeviceName.empty() ? -1 : StoredDeviceId(devices, request.Config);
    OutputStream stream;
    stream.Driver = &driver;
    stream.Config = request.Config;
    for (std::size_t k = 0; k < request.Channels.size(); ++k) {
        stream.Channels[k].EditSettings = request.Channels[k];
    }
    PublishChannel(stream, -1);
    if (!StartOutput(stream)) {
        const WaveRefusal& refusal = stream.StartRefusal;
        std::printf("refused %u 0x%X %d\n", static_cast<unsigned>(refusal.Kind),
                    refusal.MissingSpeakers, refusal.DeviceChannels);
        return 3;
    }
    std::printf("playing\n");
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::milliseconds(request.PlayMs));
    return StopOutput(stream) ? 0 : 1;
}

}  // namespace
}  // namespace tonquelle

int main(int argc, char** argv) {
    using namespace tonquelle;
    Request request;
    if (!ReadRequest(argc, argv, request)) {
        std::fprintf(stderr,
                     "usage: %s <device name | -> <mask> <rate> <bits> <buffer ms> <play ms> "
                     "<Hz>:<amplitude>...\n",
                     argv[0]);
        return 2;
    }
    const auto driver = CreateSystemWaveOutDriver();
    return driver != nullptr ? Play(request, *driver) : 1;
}
