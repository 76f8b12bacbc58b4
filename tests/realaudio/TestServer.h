#pragma once

#include <string>

namespace tonquelle::test {

// Points this process's PulseAudio clients (libpulse, parec, ALSA's pulse plug-in) at the
// private server the test fixture started. False, with `why` filled, when there is none.
bool UsePrivateServer(std::string& why);

// The private server's sinks and their monitors' channel maps.
inline constexpr const char* StereoSink = "tq_stereo";  // the default sink
inline constexpr const char* StereoDescription = "TestStereo";
inline constexpr const char* StereoMap = "front-left,front-right";
inline constexpr const char* SurroundSink = "tq_surround";
inline constexpr const char* SurroundDescription = "TestSurround";
inline constexpr const char* SurroundMap =
    "front-left,front-right,front-center,lfe,rear-left,rear-right,side-left,side-right";

}  // namespace tonquelle::test
