#pragma once

#include <sys/types.h>

#include <string>
#include <thread>
#include <vector>

#include "tests/realaudio/ToneAnalysis.h"

namespace tonquelle::test {

// Records a sink's monitor with parec as signed 16-bit frames in an explicit channel map (so
// parec does not remix the channels into a layout of its own), from Start until Stop.
class MonitorRecorder {
  public:
    MonitorRecorder(std::string sink, std::string channelMap, int channels, int sampleRate);
    ~MonitorRecorder();

    // Starts parec; false if it could not be started.
    bool Start();
    // Ends parec and returns what it recorded.
    Recording Stop();

  private:
    std::string sink_;
    std::string channelMap_;
    int channels_;
    int sampleRate_;
    pid_t pid_ = -1;
    int pipe_ = -1;
    std::vector<char> bytes_;  // written by reader_ until it ends, then read by Stop
    std::thread reader_;
};

}  // namespace tonquelle::test
