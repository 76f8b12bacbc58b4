#include "audio/SystemWaveOut.h"

#include "audio/PortAudioWaveOut.h"
#include "audio/PulseWaveOut.h"

namespace tonquelle {

std::unique_ptr<WaveOutDriver> CreateSystemWaveOutDriver() {
    if (auto pulse = CreatePulseWaveOutDriver()) {
        return pulse;
    }
    return CreatePortAudioWaveOutDriver();
}

}  // namespace tonquelle
