#include "audio/SystemWaveOut.h"

#include "audio/PortAudioWaveOut.h"
#ifdef TONQUELLE_HAVE_PULSE
#include "audio/PulseWaveOut.h"
#endif

namespace tonquelle {

namespace {

// The device layer of a machine where neither PulseAudio nor PortAudio can be used: no devices,
// so the device dialog's list stays empty and no start is accepted.
class NoDeviceDriver final : public WaveOutDriver {
  public:
    std::vector<WaveOutDeviceInfo> ListDevices() override { return {}; }
    WaveResult Open(std::unique_ptr<WaveOut>&, const WaveOpenRequest&, WaveDoneSink&,
                    WaveRefusal& refusal) override {
        refusal.Kind = WaveRefusalKind::NoServer;
        return WaveBadDevice;
    }
};

}  // namespace

std::unique_ptr<WaveOutDriver> CreateSystemWaveOutDriver() {
#ifdef TONQUELLE_HAVE_PULSE
    if (auto pulse = CreatePulseWaveOutDriver()) {
        return pulse;
    }
#endif
    if (auto portAudio = CreatePortAudioWaveOutDriver()) {
        return portAudio;
    }
    return std::make_unique<NoDeviceDriver>();
}

}  // namespace tonquelle
