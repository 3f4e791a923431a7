#include "platform/repeat_limiter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace textreel {
namespace {

// Each line offered at its time, and what comes out: the line itself, the summary of a line's
// held-back repeats ("line xN"), or of lines over the byte budget ("left out xN").
TEST(RepeatLimiter, ALineIsWrittenAFewTimesAWindowThenToldOnceWithItsCount) {
    RepeatLimiter::Limits limits;
    limits.windowMs = 1000;
    limits.perLine = 2;
    limits.bytesPerWindow = 60;
    RepeatLimiter limiter(limits, [](std::string_view line, int64_t count, int64_t) {
        return (line.empty() ? std::string("left out") : std::string(line)) + " x" + std::to_string(count);
    });
    const struct Step {
        int64_t ms;
        const char* line;  // nullptr: the end of the run
        std::vector<std::string> out;
    } steps[] = {
        {0, "a", {"a"}},
        {10, "a", {"a"}},
        {20, "a", {}},  // the third in the window is held back
        {30, "a", {}},
        {40, "b", {"b"}},  // another line is no repeat
        {999, "a", {}},
        // The window of "a" has ended: its three repeats are told, then it starts again.
        {1000, "a", {"a x3", "a"}},
        {1001, "a", {"a"}},
        {1002, "a", {}},
        // The budget of 60 bytes a window, each line counted with 16 bytes for the time a writer
        // adds, summaries aside: "a" twice and "ccccc" take 55 of them.
        {1003, "ccccc", {"ccccc"}},
        {1004, "ddddd", {}},  // over the budget: left out
        {1005, "eeeee", {}},
        // A new window: what was left out is told first; "a"'s repeat was told by the sweep.
        {2003, "f", {"left out x2", "a x1", "f"}},
        {2004, "f", {"f"}},
        {2005, "f", {}},
        {2006, nullptr, {"f x1"}},
    };
    for (const Step& step : steps) {
        std::vector<std::string> out;
        if (step.line != nullptr) {
            limiter.Offer(step.line, step.ms, out);
        } else {
            limiter.Finish(step.ms, out);
        }
        EXPECT_EQ(out, step.out) << step.ms;
    }
}

// A flood of distinct lines (a jump cycle over thousands of labels) stays within the budget.
TEST(RepeatLimiter, ManyDistinctLinesStayWithinTheBytesOfAWindow) {
    RepeatLimiter::Limits limits;
    RepeatLimiter limiter(limits, [](std::string_view line, int64_t count, int64_t) {
        return std::string(line) + " x" + std::to_string(count) + "\n";
    });
    size_t bytes = 0;
    for (int64_t ms = 0; ms < 10000; ++ms) {
        for (int i = 0; i < 50; ++i) {
            std::vector<std::string> out;
            limiter.Offer(
                "{\"event\":\"jump\",\"label\":\"label" + std::to_string((ms * 50 + i) % 5000) + "\"}\n", ms,
                out);
            for (const std::string& line : out) {
                bytes += line.size();
            }
        }
    }
    EXPECT_LT(bytes, 10 * 100 * 1024u);
    EXPECT_GT(bytes, 10 * limits.bytesPerWindow / 2);
}

}  // namespace
}  // namespace textreel
