#include "shell/trace.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/fake_platform.h"

namespace textreel {
namespace {

// An endless loop of jumps writes one `jump` line per label per 100 ms; another event between two
// jumps lets the next one through at once.
TEST(Trace, JumpLinesOfOneLabelComeAtMostOnceEvery100Ms) {
    const struct Step {
        int64_t ms;
        const char* label;  // nullptr: a `text` event
        bool written;
    } steps[] = {
        {0, "loop", true},    {1, "loop", false},    {99, "loop", false},  {100, "loop", true},
        {150, "other", true}, {160, "other", false}, {199, "loop", false}, {200, "loop", true},
        {210, nullptr, true}, {211, "loop", true},   {212, "loop", false}, {311, "loop", true},
    };
    testing::FakeClock clock;
    Trace trace(clock);
    trace.Capture();
    size_t expected = 0;
    for (const Step& step : steps) {
        clock.Advance(step.ms - clock.NowMs());
        if (step.label != nullptr) {
            trace.Jump(step.label);
        } else {
            trace.Event("text", {{"line", std::string("a")}});
        }
        expected += step.written ? 1 : 0;
        std::vector<std::string> lines = trace.CapturedLines();
        ASSERT_EQ(lines.size(), expected) << step.ms;
        if (step.written && step.label != nullptr) {
            EXPECT_EQ(lines.back(), "{\"ms\":" + std::to_string(step.ms) +
                                        ",\"event\":\"jump\",\"label\":\"" + step.label + "\"}");
        }
    }
}

}  // namespace
}  // namespace textreel
