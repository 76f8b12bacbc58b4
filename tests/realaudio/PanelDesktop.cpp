#include "tests/realaudio/PanelDesktop.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

extern char** environ;

namespace tonquelle::test {

namespace {

std::vector<char*> PointersTo(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

pid_t Spawn(std::vector<std::string> args, std::vector<std::string> env,
            posix_spawn_file_actions_t* actions) {
    std::vector<char*> argv = PointersTo(args);
    std::vector<char*> envp = PointersTo(env);
    pid_t pid = -1;
    const int failed = args[0].find('/') == std::string::npos
                           ? posix_spawnp(&pid, argv[0], actions, nullptr, argv.data(), envp.data())
                           : posix_spawn(&pid, argv[0], actions, nullptr, argv.data(), envp.data());
    return failed == 0 ? pid : -1;
}

std::vector<std::string> CurrentEnvironment() {
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        env.emplace_back(*entry);
    }
    return env;
}

int ValueOf(const std::string& shellLines, const std::string& key) {
    std::istringstream lines(shellLines);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(key + "=", 0) == 0) {
            return std::atoi(line.c_str() + key.size() + 1);
        }
    }
    return 0;
}

}  // namespace

bool ChildProcess::Start(const std::vector<std::string>& args,
                         const std::vector<std::string>& extraEnv, const std::string& logPath,
                         int closeInChild) {
    std::vector<std::string> env = CurrentEnvironment();
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logPath.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    if (closeInChild >= 0) {
        posix_spawn_file_actions_addclose(&actions, closeInChild);
    }
    pid_ = Spawn(args, env, &actions);
    posix_spawn_file_actions_destroy(&actions);
    return pid_ > 0;
}

bool ChildProcess::Running() {
    if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) != 0) {
        pid_ = -1;  // ended and reaped: nothing left to stop
    }
    return pid_ > 0;
}

void ChildProcess::Stop() {
    if (pid_ <= 0) {
        return;
    }
    kill(pid_, SIGTERM);
    bool reaped = false;
    for (int wait = 0; wait < 50 && !reaped; ++wait) {
        reaped = waitpid(pid_, nullptr, WNOHANG) != 0;
        if (!reaped) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    if (!reaped) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
}

std::string RunCommand(const std::vector<std::string>& args, int* status) {
    int ends[2];
    if (pipe(ends) != 0) {
        if (status != nullptr) {
            *status = -1;
        }
        return {};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, ends[0]);
    posix_spawn_file_actions_addclose(&actions, ends[1]);
    const pid_t pid = Spawn(args, CurrentEnvironment(), &actions);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    std::string output;
    char chunk[4096];
    for (ssize_t got; pid > 0 && (got = read(ends[0], chunk, sizeof chunk)) > 0;) {
        output.append(chunk, static_cast<std::size_t>(got));
    }
    close(ends[0]);
    int result = -1;
    if (pid > 0 && waitpid(pid, &result, 0) == pid && WIFEXITED(result)) {
        result = WEXITSTATUS(result);
    }
    if (status != nullptr) {
        *status = pid > 0 ? result : -1;
    }
    return output;
}

bool PrivateDisplay::Start() {
    int ends[2];
    if (pipe(ends) != 0) {
        return false;
    }
    // Xvfb picks a free display number and writes it to the descriptor it is given.
    const bool started = server_.Start({"Xvfb", "-displayfd", std::to_string(ends[1]), "-screen",
                                        "0", "1280x1024x24", "-nolisten", "tcp"},
                                       {}, "/dev/null", ends[0]);
    close(ends[1]);
    std::string number;
    char c;
    while (started && read(ends[0], &c, 1) == 1 && c != '\n') {
        number += c;
    }
    close(ends[0]);
    if (number.empty()) {
        return false;
    }
    name_ = ":" + number;
    setenv("DISPLAY", name_.c_str(), 1);
    return true;
}

WindowBox FindWindow(const std::string& titlePattern, int seconds) {
    int status = 0;
    const std::string ids = RunCommand({"timeout", std::to_string(seconds), "xdotool", "search",
                                        "--sync", "--onlyvisible", "--name", titlePattern},
                                       &status);
    WindowBox box;
    if (status != 0 || ids.empty()) {
        return box;
    }
    box.Id = ids.substr(0, ids.find('\n'));
    const std::string shell = RunCommand({"xdotool", "getwindowgeometry", "--shell", box.Id});
    box.X = ValueOf(shell, "X");
    box.Y = ValueOf(shell, "Y");
    box.Width = ValueOf(shell, "WIDTH");
    box.Height = ValueOf(shell, "HEIGHT");
    return box;
}

bool WaitUntilGone(const std::string& titlePattern, int seconds) {
    for (int wait = 0; wait < seconds * 10; ++wait) {
        int status = 0;
        RunCommand({"xdotool", "search", "--onlyvisible", "--name", titlePattern}, &status);
        if (status != 0) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

}  // namespace tonquelle::test
