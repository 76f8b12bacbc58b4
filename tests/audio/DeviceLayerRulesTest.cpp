// Rules shared by the real device layers that need no sound server: telling list entries apart
// and asking for real-time scheduling.
#include <gtest/gtest.h>

#include <thread>

#if defined(_WIN32)
#include <windows.h>
#else
#include <pthread.h>
#include <sched.h>
#endif

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

// What the calling thread's scheduling says of being raised: a real-time policy on Linux, the
// time-critical priority on Windows.
#if defined(_WIN32)
bool RunsRaised() {
    return GetThreadPriority(GetCurrentThread()) == THREAD_PRIORITY_TIME_CRITICAL;
}
#else
bool RunsRaised() {
    int policy = -1;
    sched_param parameter{};
    pthread_getschedparam(pthread_self(), &policy, &parameter);
    return (policy & ~SCHED_RESET_ON_FORK) == SCHED_RR;
}
#endif

// Whether the system grants it or not (a container without RealtimeKit, a desktop with it), the
// answer matches the thread's scheduling afterwards, and the thread goes on working.
TEST(RealtimeScheduling, TheAnswerMatchesTheThreadsSchedulingAndTheThreadRunsOn) {
    bool granted = false;
    bool raised = false;
    int sum = 0;
    std::thread worker([&] {
        granted = RequestRealtimeScheduling();
        raised = RunsRaised();
        for (int i = 1; i <= 100; ++i) {
            sum += i;
        }
    });
    worker.join();
    EXPECT_EQ(raised, granted);
    EXPECT_EQ(sum, 5050);
    // The asking thread's own scheduling is untouched.
    EXPECT_FALSE(RunsRaised());
}

}  // namespace
}  // namespace tonquelle
