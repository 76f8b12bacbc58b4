#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "audio/OutputStream.h"
#include "audio/WaveOut.h"
#include "tests/realaudio/ToneAnalysis.h"

namespace tonquelle::test {

// A sine for one channel of the stream.
struct Tone {
    double Frequency = 0.0;
    double Amplitude = 0.0;
};

// The sink monitor to record, in its own channel order.
struct Monitor {
    std::string Sink;
    std::string ChannelMap;
    int Channels = 0;
};

struct Playback {
    bool Started = false;  // StartOutput's result
    bool Stopped = false;  // StopOutput's result
    Recording Recorded;
};

// Starts the engine on `driver` with `config` and one unmuted sine per channel, lets it play
// for `duration` while `monitor` is recorded, stops it and returns the recording.
Playback PlayAndRecord(WaveOutDriver& driver, const OutputConfig& config,
                       const std::vector<Tone>& tones, const Monitor& monitor,
                       std::chrono::milliseconds duration = std::chrono::milliseconds(1000));

// Expected content of one monitor channel: a tone, or silence when Frequency is 0.
// Checks frequency within 0.5 %, level within 1 dB and silence below -60 dBFS in the steady
// part of the recording (from 150 ms after the sound begins, for 500 ms).
void ExpectSpeakers(const Recording& recording, const std::vector<Tone>& expected);

}  // namespace tonquelle::test
