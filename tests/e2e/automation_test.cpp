// The events file drives the engine exactly: the same script gives the same story every run, and
// its relative paths are taken from the folder textreel was started in.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/e2e_run.h"

namespace textreel::testing {
namespace {

const std::string kTitles = TEXTREEL_TEST_DATA "/e2e/titles/";

#ifdef TEXTREEL_SANITIZED
constexpr int kRepeats = 8;
#else
constexpr int kRepeats = 60;
#endif

// What a player saw, in order: text lines, message boxes with their answers, and the exit code.
std::vector<std::string> Story(const RunResult& r) {
    std::vector<std::string> out;
    for (const TraceEvent& e : r.trace) {
        if (e.Name() == "text") {
            out.push_back("text:" + e.Get("line"));
        } else if (e.Name() == "message") {
            out.push_back("message:" + e.Get("text") + ":" + e.Get("answer"));
        } else if (e.Name() == "exit") {
            out.push_back("exit:" + e.Get("code"));
        }
    }
    return out;
}

// The title has no logo picture, so start-up shows a box before the story; two unknown commands
// show boxes between its lines.
constexpr char kScript[] =
    "answer ok\n"   // covers the logo's box: the wait below does not stop at it
    "wait\n"        // the first line waits for a click
    "click 1 1\n"   // the story goes on and stops at the first unknown command's box
    "wait\n"        //
    "key Return\n"  // a key on an open box answers it with ok; the story sees neither press nor release
    "wait\n"        // the second line waits
    "click 1 1\n"   // the story goes on to the second unknown command's box
    "wait\n"
    "answer cancel\n"  // answers the open box
    "wait\n"           // the third line waits
    "click 1 1\n"
    "wait\n"  // the fourth line, at the stop
    "close\n";

TEST(Automation, TheSameEventsFileGivesTheSameStoryEveryRun) {
    E2eRun run(kTitles + "exact");
    const std::string logo = "message:" + run.Title() + "/cg/menu/logo.bmp:ok";
    const std::vector<std::string> expected = {logo,
                                               "text:first",
                                               "message:認識できないコマンドです:ok",
                                               "text:second",
                                               "message:認識できないコマンドです:cancel",
                                               "text:third",
                                               "text:fourth",
                                               "exit:0"};
    for (int i = 0; i < kRepeats; ++i) {
        RunResult r = run.Run(kScript, 60000, {}, /*watchLogo=*/true);
        ASSERT_FALSE(r.timedOut) << "run " << i;
        ASSERT_EQ(Story(r), expected) << "run " << i << "\n" << r.stderrText;
    }
}

TEST(Automation, ARelativeScreenshotPathIsTakenFromTheStartFolder) {
    E2eRun run(kTitles + "exact");
    std::string startDir = run.File("started-here");
    std::filesystem::create_directories(startDir);
    run.SetStartDir(startDir);
    RunResult r = run.Run("answer ok\nwait\nscreenshot shot.png\nclose\n", 60000, {}, true);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(std::filesystem::is_regular_file(startDir + "/shot.png"));
    EXPECT_FALSE(std::filesystem::exists(run.Title() + "/shot.png"));
    Shot shot = LoadShot(startDir + "/shot.png");
    EXPECT_EQ(shot.width, 640);
    EXPECT_EQ(shot.height, 480);
}

}  // namespace
}  // namespace textreel::testing
