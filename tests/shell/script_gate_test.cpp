#include "shell/script_gate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace textreel {
namespace {

TEST(ScriptGate, AResumeWhileTheThreadRunsIsDroppedNotStored) {
    ScriptGate gate;
    EXPECT_FALSE(gate.Resume());
    std::atomic<int> passed{0};
    std::thread worker([&] {
        gate.Suspend();
        passed = 1;
    });
    while (!gate.Waiting()) {
        std::this_thread::yield();
    }
    // The earlier resume did not let it through.
    EXPECT_EQ(passed, 0);
    EXPECT_TRUE(gate.Resume());
    EXPECT_FALSE(gate.Resume());  // a second resume finds no waiter
    worker.join();
    EXPECT_EQ(passed, 1);
}

TEST(ScriptGate, ShutdownReleasesTheWaiterAndEveryLaterSuspend) {
    ScriptGate gate;
    std::atomic<bool> result{true};
    std::thread worker([&] { result = gate.Suspend(); });
    while (!gate.Waiting()) {
        std::this_thread::yield();
    }
    gate.Shutdown();
    worker.join();
    EXPECT_FALSE(result);
    EXPECT_FALSE(gate.Suspend());
}

}  // namespace
}  // namespace textreel
