// Plays 440 Hz on two speakers (front left and right) of the system's default output until
// Enter is pressed: the engine on the device layer of this machine, or with --portaudio on the
// PortAudio device.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "audio/PortAudioWaveOut.h"
#include "audio/StreamEngine.h"
#include "audio/SystemWaveOut.h"
#include "synth/Renderer.h"

int main(int argc, char** argv) {
    using namespace tonquelle;
    const bool portAudio = argc > 1 && std::strcmp(argv[1], "--portaudio") == 0;
    const auto driver = portAudio ? CreatePortAudioWaveOutDriver() : CreateSystemWaveOutDriver();
    if (driver == nullptr) {
        std::cerr << "No sound output available.\n";
        return 1;
    }
    OutputStream stream;
    stream.Driver = driver.get();
    stream.Config = {-1, 44100, 16, 100, 0x3, 2};
    for (std::int32_t channel = 0; channel < stream.Config.ChannelCount; ++channel) {
        stream.Channels[channel].EditSettings.Flags = 0;  // unmuted 440 Hz sine
    }
    PublishChannel(stream, -1);
    if (!StartOutput(stream)) {
        std::cerr << "The output could not be started.\n";
        return 1;
    }
    std::cout << "Playing 440 Hz on " << driver->ListDevices().front().Name
              << ". Press Enter to stop.\n";
    std::string line;
    std::getline(std::cin, line);
    return StopOutput(stream) ? 0 : 1;
}
