// `random` through the real binary: with --seed the same events give the same jumps every run,
// without it two runs draw differently.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/e2e_run.h"

namespace textreel::testing {
namespace {

const std::string kTitle = TEXTREEL_TEST_DATA "/e2e/titles/random";

// The title draws twenty times, each draw deciding a jump:
//   $random 1 2
//   $pointjudge 1 1 one01
//   $jmp zero01
// so the labels jumped to spell out the numbers drawn.
std::vector<std::string> Jumps(const RunResult& r) {
    std::vector<std::string> labels;
    for (const TraceEvent& e : r.Events("jump")) {
        labels.push_back(e.Get("label"));
    }
    return labels;
}

TEST(Random, TheSameSeedGivesTheSameTraceAndNoSeedDrawsAfresh) {
    E2eRun run(kTitle);
    const std::string events = "wait\nclose\n";
    std::vector<std::vector<std::string>> seeded;
    std::vector<std::vector<std::string>> unseeded;
    for (int i = 0; i < 2; ++i) {
        RunResult r = run.Run(events, 20000, {"--seed", "4242"});
        ASSERT_FALSE(r.timedOut) << r.stderrText;
        ASSERT_EQ(r.TextLines(), (std::vector<std::string>{"Rolls.", "Done."})) << r.stderrText;
        seeded.push_back(Jumps(r));
        RunResult free = run.Run(events);
        ASSERT_FALSE(free.timedOut) << free.stderrText;
        unseeded.push_back(Jumps(free));
    }
    ASSERT_EQ(seeded[0].size(), 20u);
    EXPECT_EQ(seeded[0], seeded[1]);
    // Both numbers are drawn: twenty draws that all agree would mean a stuck generator.
    int ones = 0;
    for (const std::string& label : seeded[0]) {
        ones += label.rfind("one", 0) == 0 ? 1 : 0;
    }
    EXPECT_GT(ones, 0);
    EXPECT_LT(ones, 20);
    // Without a seed two runs differ (the chance that twenty fair draws agree is one in a million).
    ASSERT_EQ(unseeded[0].size(), 20u);
    EXPECT_NE(unseeded[0], unseeded[1]);

    RunResult other = run.Run(events, 20000, {"--seed", "4243"});
    EXPECT_NE(Jumps(other), seeded[0]);
}

TEST(Random, ASeedThatIsNotANumberIsAUsageError) {
    E2eRun run(kTitle);
    for (const char* bad : {"-1", "4294967296", "12x", ""}) {
        RunResult r = RunBinary({"--headless", "--seed", bad, run.Title()}, run.RuntimeDir());
        EXPECT_EQ(r.exitCode, 2) << bad;
        EXPECT_NE(r.stderrText.find("--seed needs a number"), std::string::npos) << bad;
    }
}

}  // namespace
}  // namespace textreel::testing
