#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/clock.h"

namespace textreel {
namespace {

// Sleepers with deadlines given out of order wake in the order of their deadlines, each at its
// own deadline, when the clock may move only once every one of them is held.
TEST(VirtualClock, SleepersWakeInDeadlineOrderAtTheirDeadlines) {
    const std::vector<int64_t> deadlines = {300, 100, 200, 100};
    VirtualClock clock;
    std::atomic<int> actors{static_cast<int>(deadlines.size())};
    clock.SetQuiescence([&](int held, int outside) { return held + outside == actors; });
    std::mutex mutex;
    std::vector<std::pair<int64_t, int64_t>> woke;  // deadline, time at waking
    std::vector<std::thread> threads;
    for (int64_t deadline : deadlines) {
        threads.emplace_back([&, deadline] {
            EXPECT_TRUE(clock.SleepUntil(deadline));
            {
                std::lock_guard lock(mutex);
                woke.emplace_back(deadline, clock.NowMs());
            }
            --actors;
            clock.Poke();
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    EXPECT_EQ(woke.size(), deadlines.size());
    for (size_t i = 0; i < woke.size(); ++i) {
        EXPECT_EQ(woke[i].first, woke[i].second);
        if (i > 0) {
            EXPECT_LE(woke[i - 1].first, woke[i].first);
        }
    }
    EXPECT_EQ(clock.NowMs(), 300);
}

// Time stands still while the owner says a thread can still act, and moves once it says none can.
TEST(VirtualClock, TimeMovesOnlyWhenNothingElseCanAct) {
    VirtualClock clock;
    std::mutex mutex;
    std::condition_variable asked;
    int questions = 0;
    int lastOutside = -1;
    std::atomic<bool> allow{false};
    clock.AddActors(1);
    clock.SetQuiescence([&](int, int outside) {
        {
            std::lock_guard lock(mutex);
            ++questions;
            lastOutside = outside;
        }
        asked.notify_all();
        return allow.load();
    });
    std::atomic<bool> reached{false};
    std::thread sleeper([&] { reached = clock.SleepUntil(5000); });
    {
        std::unique_lock lock(mutex);
        asked.wait(lock, [&] { return questions > 0; });
        EXPECT_EQ(lastOutside, 1);
    }
    EXPECT_EQ(clock.NowMs(), 0);
    allow = true;
    clock.Poke();
    sleeper.join();
    EXPECT_TRUE(reached);
    EXPECT_EQ(clock.NowMs(), 5000);
}

// A wake cuts a sleep short without moving time; a shutdown ends every sleep at once.
TEST(VirtualClock, WakeAndShutdownEndSleepsWithoutMovingTime) {
    VirtualClock clock;
    clock.SetQuiescence([](int, int) { return false; });
    uint64_t token = clock.WakeToken();
    clock.WakeSleepers();
    EXPECT_FALSE(clock.SleepUntil(1000, token));
    clock.Shutdown();
    EXPECT_FALSE(clock.SleepUntil(1000));
    EXPECT_EQ(clock.NowMs(), 0);
}

}  // namespace
}  // namespace textreel
