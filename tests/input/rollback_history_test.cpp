// The rollback history: how many waits it keeps, what a step back takes and drops, and what its
// records cost.
#include <gtest/gtest.h>

#include <cstdint>

#include "input/rollback_history.h"

namespace textreel {
namespace {

RollbackRecord At(uint32_t position) {
    RollbackRecord r;
    r.block.SetU32(FlagBlock::kSavedPosition, position);
    r.block.SetEventFlag(0, static_cast<int32_t>(position));
    return r;
}

TEST(RollbackHistory, AHundredStepsBackAndNoMoreCostUnderOneMegabyte) {
    RollbackHistory h;
    for (uint32_t p = 1; p <= 250; ++p) {
        h.Push(At(p * 10));
    }
    // The wait the story stands at and the hundred before it.
    ASSERT_EQ(h.Count(), 101u);
    EXPECT_LT(h.RecordBytes(), 1024u * 1024u);
    EXPECT_EQ(h.RecordBytes(), 101u * At(0).Bytes());
    RollbackRecord target;
    uint32_t here = 2500;
    for (int step = 1; step <= 100; ++step) {
        ASSERT_TRUE(h.StepBack(here, target)) << step;
        EXPECT_EQ(target.Position(), here - 10);
        EXPECT_EQ(target.block.EventFlag(0), static_cast<int32_t>(here - 10));
        EXPECT_EQ(h.Steps(), step);
        here = target.Position();
    }
    // The oldest record kept is the wait a hundred steps back; there is none before it.
    EXPECT_EQ(here, 1500u);
    EXPECT_FALSE(h.StepBack(here, target));
    EXPECT_EQ(h.Count(), 1u);
    EXPECT_EQ(h.Steps(), 100);
}

TEST(RollbackHistory, AStepBackDropsOnlyTheWaitTheStoryStandsAt) {
    struct Case {
        const char* what;
        uint32_t here;      // where the story waits
        bool ok;            // a step back is possible
        uint32_t target;    // the record it takes the story to
        size_t countAfter;  // records left
    };
    const Case cases[] = {
        {"at the newest wait: back to the one before", 30, true, 20, 2},
        {"at a stop that left no record: back to the newest wait", 35, true, 30, 3},
    };
    for (const Case& c : cases) {
        RollbackHistory h;
        for (uint32_t p : {10u, 20u, 30u}) {
            h.Push(At(p));
        }
        RollbackRecord target;
        ASSERT_EQ(h.StepBack(c.here, target), c.ok) << c.what;
        EXPECT_EQ(target.Position(), c.target) << c.what;
        EXPECT_EQ(h.Count(), c.countAfter) << c.what;
    }
}

TEST(RollbackHistory, ANewWaitStartsTheStepsAgainAndNothingIsLeftAfterClear) {
    RollbackHistory h;
    RollbackRecord target;
    EXPECT_FALSE(h.StepBack(0, target));
    h.Push(At(10));
    // At the only wait there is nowhere to go back to.
    EXPECT_FALSE(h.StepBack(10, target));
    h.Push(At(20));
    h.Push(At(30));
    ASSERT_TRUE(h.StepBack(30, target));
    EXPECT_EQ(h.Steps(), 1);
    // Reading on from the wait taken back to: the new wait counts from nought.
    h.Push(At(40));
    EXPECT_EQ(h.Steps(), 0);
    ASSERT_TRUE(h.StepBack(40, target));
    EXPECT_EQ(target.Position(), 20u);
    h.Clear();
    EXPECT_EQ(h.Count(), 0u);
    EXPECT_FALSE(h.StepBack(20, target));
}

}  // namespace
}  // namespace textreel
