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

TEST(ScriptGate, AnExpectedResumeThatComesFirstIsKeptForTheNextSuspendOnly) {
    ScriptGate gate;
    gate.KeepEarlyResume();
    EXPECT_TRUE(gate.Resume());   // kept...
    EXPECT_FALSE(gate.Resume());  // ...once
    EXPECT_TRUE(gate.Suspend());  // passes at once
    // The next suspension waits for a resume of its own; an early one is dropped again.
    EXPECT_FALSE(gate.Resume());
    std::atomic<int> passed{0};
    std::thread worker([&] {
        gate.Suspend();
        passed = 1;
    });
    while (!gate.Waiting()) {
        std::this_thread::yield();
    }
    EXPECT_EQ(passed, 0);
    EXPECT_TRUE(gate.Resume());
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
