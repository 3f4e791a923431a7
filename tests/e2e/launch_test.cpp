// How textreel is started: a title's folder, its instance file, or nothing at all; and what it does
// when there is no display to open a window on.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/e2e_run.h"

namespace textreel::testing {
namespace {

const std::string kTitles = TEXTREEL_TEST_DATA "/e2e/titles/";

// The reading title's scenario begins
//   one
//   $C
// so a run that reaches its first wait shows the text "one".
constexpr char kFirstLine[] = "rclick 0 0\nwait\nclose\n";

// The variables a desktop session sets for its display, all taken away.
const std::vector<std::string> kNoDisplay = {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"};

std::string WriteEvents(const E2eRun& run, const std::string& events) {
    std::string path = run.File("events.txt");
    std::ofstream(path) << events;
    return path;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(Launch, WithNoArgumentAndNoTitleInTheCurrentFolderItPrintsUsageAndExitsWith2) {
    E2eRun run("");  // an empty folder to start in
    // No display either: the missing title is the first thing said.
    RunResult r = RunBinaryIn({}, run.RuntimeDir(), run.Title(), kNoDisplay);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(Contains(r.stderrText, "usage: textreel")) << r.stderrText;
    EXPECT_TRUE(Contains(r.stderrText, "example: textreel ")) << r.stderrText;
    EXPECT_FALSE(Contains(r.stderrText, "no display")) << r.stderrText;
}

TEST(Launch, WithNoArgumentTheTitleInTheCurrentFolderPlays) {
    E2eRun run(kTitles + "reading");
    std::string events = WriteEvents(run, kFirstLine);
    RunResult r = RunBinaryIn({"--headless", "--events", events, "--trace", run.File("trace.jsonl")},
                              run.RuntimeDir(), run.Title(), {});
    r.trace = run.ReadTrace();
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(r.exitCode, 0) << r.stderrText;
    EXPECT_EQ(r.TextLines(), (std::vector<std::string>{"one"}));
}

TEST(Launch, AnInstanceFileGivenPlaysItsFolderWithThatInstanceFile) {
    E2eRun run(kTitles + "reading");
    // A second instance file that the folder alone would never pick ("title.ist" comes first).
    std::ofstream(run.Title() + "/zz.ist", std::ios::binary)
        << "InstanceName=\"e2e-second\"\r\nWindowName=\"Second\"\r\nWindowWidth=\"640\"\r\nWindowHeight="
           "\"480\"\r\n";
    // After "three" the scenario's "$nonsense command" shows a box captioned with the window name.
    std::string events =
        WriteEvents(run,
                    "rclick 0 0\nwait\nclick 10 10\nwait\nclick 10 10\nwait\nanswer ok\nwait\n"
                    "close\n");
    // A relative path, taken from the folder textreel starts in.
    RunResult r =
        RunBinaryIn({"--headless", "--events", events, "--trace", run.File("trace.jsonl"), "title/zz.ist"},
                    run.RuntimeDir(), run.File(""), {});
    r.trace = run.ReadTrace();
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(r.exitCode, 0) << r.stderrText;
    EXPECT_EQ(r.TextLines(), (std::vector<std::string>{"one", "二行目です。", "three", "four"}));
    ASSERT_EQ(r.Events("message").size(), 1u);
    EXPECT_EQ(r.Events("message")[0].Get("caption"), "Second");
}

TEST(Launch, APathThatIsNeitherAFolderNorAnInstanceFileIsABadCommandLine) {
    E2eRun run(kTitles + "reading");
    for (const std::string& path : {run.Title() + "/scenario.txt", run.Title() + "/missing.ist"}) {
        RunResult r = RunBinaryIn({"--headless", path}, run.RuntimeDir(), {}, {});
        ASSERT_FALSE(r.timedOut) << path;
        EXPECT_EQ(r.exitCode, 2) << path;
        EXPECT_TRUE(Contains(r.stderrText, path)) << r.stderrText;
    }
}

TEST(Launch, WithoutADisplayItSaysSoAndExitsWith1) {
    E2eRun run(kTitles + "reading");
    RunResult r = RunBinaryIn({run.Title()}, run.RuntimeDir(), {}, kNoDisplay);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.stderrText,
              "textreel: no display: start it from a desktop session (set DISPLAY or WAYLAND_DISPLAY)\n");
    // An empty variable is no display either.
    r = RunBinaryIn({run.Title()}, run.RuntimeDir(), {}, {"DISPLAY=", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"});
    EXPECT_EQ(r.exitCode, 1);
}

TEST(Launch, WithoutADisplayAnExplicitVideoDriverIsHonoured) {
    E2eRun run(kTitles + "reading");
    std::string events = WriteEvents(run, kFirstLine);
    RunResult r = RunBinaryIn(
        {"--events", events, "--trace", run.File("trace.jsonl"), run.Title()}, run.RuntimeDir(), {},
        {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy"}, 30000);
    r.trace = run.ReadTrace();
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(r.exitCode, 0) << r.stderrText;
    EXPECT_EQ(r.TextLines(), (std::vector<std::string>{"one"}));
}

}  // namespace
}  // namespace textreel::testing
