// Rules shared by the real device layers that need no sound server: telling list entries apart
// and asking for real-time scheduling.
#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>

#include <thread>

#include "audio/DeviceRules.h"
#include "audio/RealtimeScheduling.h"

namespace tonquelle {
namespace {

// Four null sinks described alike, PortAudio's ALSA and JACK entries of one card: each shared
// name gets its detail; a name of its own stays bare, even with a detail.
TEST(DistinctNames, EntriesThatWouldReadTheSameGetTheirDetailInParentheses) {
    EXPECT_EQ(DistinctNames({{"Null Output", "tq_a"},
                             {"Built-in Audio", "alsa_output.pci"},
                             {"Null Output", "tq_b"},
                             {"Null Output", "tq_c"}}),
              (std::vector<std::string>{"Null Output (tq_a)", "Built-in Audio",
                                        "Null Output (tq_b)", "Null Output (tq_c)"}));
    EXPECT_EQ(
        DistinctNames({{"HDA Intel: ALC892", "ALSA"}, {"HDA Intel: ALC892", "JACK Audio"}}),
        (std::vector<std::string>{"HDA Intel: ALC892 (ALSA)", "HDA Intel: ALC892 (JACK Audio)"}));
    EXPECT_EQ(DistinctNames({}), std::vector<std::string>{});
}

// Whether the system grants it or not (a container without RealtimeKit, a desktop with it), the
// answer matches the thread's scheduling afterwards, and the thread goes on working.
TEST(RealtimeScheduling, TheAnswerMatchesTheThreadsPolicyAndTheThreadRunsOn) {
    bool granted = false;
    int policy = -1;
    int sum = 0;
    std::thread worker([&] {
        granted = RequestRealtimeScheduling();
        sched_param parameter{};
        pthread_getschedparam(pthread_self(), &policy, &parameter);
        for (int i = 1; i <= 100; ++i) {
            sum += i;
        }
    });
    worker.join();
    EXPECT_EQ((policy & ~SCHED_RESET_ON_FORK) == SCHED_RR, granted) << "policy " << policy;
    EXPECT_EQ(sum, 5050);
    // The asking thread's own scheduling is untouched.
    int ownPolicy = -1;
    sched_param ownParameter{};
    pthread_getschedparam(pthread_self(), &ownPolicy, &ownParameter);
    EXPECT_EQ(ownPolicy, SCHED_OTHER);
}

}  // namespace
}  // namespace tonquelle
