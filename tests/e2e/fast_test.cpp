// Virtual time (--fast): waits end at once but in their order, and movies are skipped as by Esc.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/e2e_run.h"
#include "support/movie_maker.h"

namespace textreel::testing {
namespace {

const std::string kTitles = TEXTREEL_TEST_DATA "/e2e/titles/";

// These runs ask for --fast themselves, so that it holds even when TEXTREEL_E2E_TIME=real.
const std::vector<std::string> kFast = {"--fast"};

// The trace without its times, one line per event ("name key=value ..."); the events file's own
// events apart, since its thread writes them beside the game's.
std::vector<std::string> Untimed(const RunResult& r, bool input) {
    std::vector<std::string> out;
    for (const TraceEvent& e : r.trace) {
        if ((e.Name() == "input") != input) {
            continue;
        }
        std::string line = e.Name();
        for (const auto& [key, value] : e.fields) {
            if (key != "ms" && key != "event") {
                line += " " + key + "=" + value;
            }
        }
        out.push_back(line);
    }
    return out;
}

// The fast-time title, with text at 200 ms a character:
//   ゆっくりと表示される一行目です。
//   $C
//   $effect 2
//   $fill white
//   $wait 8000
//   $syncstart
//   $synctiming 3000
//   $syncexit
//   二行目です。
TEST(Fast, SlowTextATransitionAWaitAndSyncTimingTakeNoTimeAndKeepTheirOrder) {
    const std::string events = "wait\nclick 400 300\nwait\nclose\n";
    E2eRun fast(kTitles + "fast-time", Time::kReal);
    RunResult f = fast.Run(events, 20000, kFast);
    E2eRun real(kTitles + "fast-time", Time::kReal);
    RunResult r = real.Run(events, 60000);
    ASSERT_FALSE(f.timedOut) << f.stderrText;
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(f.exitCode, 0);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(f.TextLines(), (std::vector<std::string>{"ゆっくりと表示される一行目です。", "二行目です。"}));
    EXPECT_EQ(Untimed(f, false), Untimed(r, false));
    EXPECT_EQ(Untimed(f, true), Untimed(r, true));

    // The trace's times are the virtual ones: the wait, the timing and the text are all in them.
    ASSERT_EQ(f.Events("exit").size(), 1u);
    const int64_t virtualMs = f.Events("exit")[0].Ms();
    EXPECT_GE(virtualMs, 8000 + 3000 + 16 * 200);
    // The normal run spends the virtual time on top of what both runs spend on their work; the
    // fast one spends at most a small part of it.
    EXPECT_LT(f.wallMs, r.wallMs - virtualMs / 2);
}

// A `sleep` in the events file passes in virtual time too.
TEST(Fast, TheEventsFilesSleepAdvancesVirtualTime) {
    E2eRun run(kTitles + "fast-time", Time::kReal);
    RunResult r = run.Run("wait\nsleep 60000\nclose\n", 20000, kFast);
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    std::vector<TraceEvent> inputs = r.Events("input");
    ASSERT_EQ(inputs.size(), 4u);
    EXPECT_EQ(inputs[3].Get("command"), "close");
    EXPECT_GE(inputs[3].Ms() - inputs[2].Ms(), 60000);
    EXPECT_LT(r.wallMs, 60000 / 5);
}

TEST(Fast, NeedsHeadless) {
    E2eRun run(kTitles + "fast-time");
    RunResult r = RunBinary({"--fast", run.Title()}, run.RuntimeDir());
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.stderrText.find("--fast needs --headless"), std::string::npos) << r.stderrText;
}

// The movie title: "$movieplay movie\red.mpg", "$movieplay movie\wide.avi" (ten-second movies),
// "$movieplay movie\missing.mpg" (its box still opens), "$movieplay movie\corrupt.mpg" and
// "$movieplay movie\short.mpg" (here one-second movies), each followed by a text line and "$C".
TEST(Fast, MoviesAreSkippedAsByEscAtTheirFirstPictureAndTheStoryGoesOn) {
    E2eRun run(kTitles + "movie", Time::kReal);
    std::filesystem::create_directories(run.Title() + "/movie");
    auto make = [&](const std::string& name, int frames) {
        MovieRecipe movie;
        movie.frames = frames;
        movie.sound = true;
        std::string error;
        ASSERT_TRUE(MakeMovie(movie, run.Title() + "/movie/" + name, &error)) << error;
    };
    make("red.mpg", 250);
    make("wide.avi", 250);
    make("corrupt.mpg", 25);
    make("short.mpg", 25);
    RunResult r = run.Run(
        "wait\nclick 10 10\nwait\nclick 10 10\nwait\nclick 10 10\nwait\nanswer ok\nwait\nclick 10 10\nwait\n"
        "click 10 10\n",
        60000, kFast);
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(r.exitCode, 0) << r.stderrText;
    EXPECT_EQ(r.TextLines(), (std::vector<std::string>{"first", "after red", "after wide", "after missing",
                                                       "after corrupt", "after short"}));
    std::vector<std::string> stops;
    for (const TraceEvent& e : r.Events("movie-stop")) {
        stops.push_back(e.Get("path") + " " + e.Get("reason"));
    }
    EXPECT_EQ(stops, (std::vector<std::string>{"movie\\red.mpg key", "movie\\wide.avi key",
                                               "movie\\corrupt.mpg key", "movie\\short.mpg key"}));
    EXPECT_EQ(r.Events("movie-start").size(), 4u);
    // Ten seconds of movie took no time.
    EXPECT_LT(r.wallMs, 10000);
}

}  // namespace
}  // namespace textreel::testing
