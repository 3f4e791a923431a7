// Timed waits from the player's side: clicks do not cut them short, closing does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/e2e_run.h"

namespace textreel::testing {
namespace {

const std::string kTitle = TEXTREEL_TEST_DATA "/e2e/titles/timed";

TEST(TimedWaits, ClosingEndsATenMinuteSyncTimingAndClicksDoNot) {
    E2eRun run(kTitle, Time::kReal);
    // The run's own limit is far below the wait: only the close can end it in time. The clicks
    // after the first come while the story waits on the clock.
    RunResult r =
        run.Run("wait\nclick 400 300\nsleep 200\nclick 400 300\nkey Return\nsleep 200\nclose\n", 60000);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.TextLines(), (std::vector<std::string>{"before"}));
}

TEST(TimedWaits, ClosingEndsATenMinuteWait) {
    E2eRun run(TEXTREEL_TEST_DATA "/e2e/titles/long-wait", Time::kReal);
    RunResult r = run.Run("wait\nclick 400 300\nsleep 200\nclick 400 300\nsleep 200\nclose\n", 60000);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.TextLines(), (std::vector<std::string>{"before"}));
}

}  // namespace
}  // namespace textreel::testing
