#pragma once

namespace tonquelle {

// Sends the process's standard error to the null device for a scope, so that the chatter of
// sound libraries while they probe their back ends (JACK, ALSA plug-ins) stays off the user's
// terminal. Does nothing where there is no such terminal (Windows).
class QuietStderr {
  public:
    QuietStderr();
    ~QuietStderr();
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

  private:
    int saved_ = -1;  // the original descriptor 2, while redirected
};

}  // namespace tonquelle
