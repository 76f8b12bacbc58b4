// Lists PortAudio's host APIs and output devices with PortAudio's Windows build. Succeeds when
// PortAudio starts and both host APIs Tonquelle uses (MME, WASAPI) are built in.
#include <portaudio.h>

#include <cstdio>

int main() {
    if (const PaError error = Pa_Initialize(); error != paNoError) {
        std::fprintf(stderr, "Pa_Initialize: %s\n", Pa_GetErrorText(error));
        return 1;
    }
    std::printf("%s\n", Pa_GetVersionText());
    const bool haveMme = Pa_HostApiTypeIdToHostApiIndex(paMME) >= 0;
    const bool haveWasapi = Pa_HostApiTypeIdToHostApiIndex(paWASAPI) >= 0;
    for (PaHostApiIndex api = 0; api < Pa_GetHostApiCount(); ++api) {
        const PaHostApiInfo* info = Pa_GetHostApiInfo(api);
        std::printf("host API %d: %s, %d devices\n", api, info->name, info->deviceCount);
    }
    for (PaDeviceIndex device = 0; device < Pa_GetDeviceCount(); ++device) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
        if (info->maxOutputChannels > 0) {
            std::printf("output device %d (%s): %s, %d channels, %.0f Hz\n", device,
                        Pa_GetHostApiInfo(info->hostApi)->name, info->name, info->maxOutputChannels,
                        info->defaultSampleRate);
        }
    }
    Pa_Terminate();
    return haveMme && haveWasapi ? 0 : 1;
}
