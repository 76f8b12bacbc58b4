#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace tonquelle::test {

// A process started with extra environment entries; ended (SIGTERM, then reaped) when the
// object goes.
class ChildProcess {
  public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() { Stop(); }

    // Starts `args` (args[0] looked up in PATH unless it holds a "/") with its output going to
    // `logPath`. It inherits this process's open descriptors except `closeInChild`. False if it
    // could not be started.
    bool Start(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv = {},
               const std::string& logPath = "/dev/null", int closeInChild = -1);
    bool Running();
    void Stop();

  private:
    pid_t pid_ = -1;
};

// Runs a command to its end and returns what it wrote to stdout; `status` receives its exit
// status (-1 if it could not be run).
std::string RunCommand(const std::vector<std::string>& args, int* status = nullptr);

// A private X server (Xvfb) on a display number it picks itself. DISPLAY of this process points
// at it from a successful Start on, so that xdotool and the program started later use it.
class PrivateDisplay {
  public:
    bool Start();
    void Stop() { server_.Stop(); }
    const std::string& Name() const { return name_; }

  private:
    ChildProcess server_;
    std::string name_;
};

// Window geometry as xdotool reports it, in screen pixels.
struct WindowBox {
    std::string Id;
    int X = 0, Y = 0, Width = 0, Height = 0;
};

// Waits up to `seconds` for a visible window whose title matches `titlePattern` (a regular
// expression); an empty Id when none appeared.
WindowBox FindWindow(const std::string& titlePattern, int seconds = 10);
// True when no visible window matches `titlePattern` within `seconds`.
bool WaitUntilGone(const std::string& titlePattern, int seconds = 10);

}  // namespace tonquelle::test
