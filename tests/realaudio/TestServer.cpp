#include "tests/realaudio/TestServer.h"

#include <cstdlib>
#include <fstream>

namespace tonquelle::test {

bool UsePrivateServer(std::string& why) {
    const char* stateFile = std::getenv("TONQUELLE_PULSE_STATE");
    if (stateFile == nullptr) {
        why = "TONQUELLE_PULSE_STATE is not set (run the test through ctest)";
        return false;
    }
    std::ifstream state(stateFile);
    std::string folder;
    if (!std::getline(state, folder) || folder.empty()) {
        why = std::string("no private PulseAudio server: ") + stateFile + " is missing";
        return false;
    }
    setenv("PULSE_SERVER", ("unix:" + folder + "/native").c_str(), 1);
    setenv("ALSA_CONFIG_PATH", (folder + "/asound.conf").c_str(), 1);
    return true;
}

}  // namespace tonquelle::test
