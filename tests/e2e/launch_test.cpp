// How textreel is started: a title's folder, its instance file, or nothing at all; and what it does
// when there is no display to open a window on.
#include <gtest/gtest.h>

#include <filesystem>
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

TEST(Launch, WithNoArgumentAndNoTitleInTheCurrentFolderTheLauncherAsksForADisplay) {
    E2eRun run("");  // an empty folder to start in
    RunResult r = RunBinaryIn({}, run.RuntimeDir(), run.Title(), kNoDisplay);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.stderrText, "no display")) << r.stderrText;
}

// The last `launcher` event of a trace.
TraceEvent LastLauncher(const RunResult& r) {
    std::vector<TraceEvent> shown = r.Events("launcher");
    return shown.empty() ? TraceEvent{} : shown.back();
}

TEST(Launch, TheLauncherAddsAFolderThroughItsBrowserPlaysItAndRemembersIt) {
    // home/ holds a folder without an instance file and a copy of the reading title; the browser
    // lists "Add this folder", the folder above, then "empty" and "reading".
    E2eRun run(kTitles + "reading");
    const std::string home = run.File("home");
    CopyTree(run.Title(), home + "/reading");
    std::filesystem::create_directories(home + "/empty");
    const std::string start = run.File("start");  // no title here: the launcher opens
    std::filesystem::create_directories(start);
    const std::vector<std::string> env = {"HOME=" + home, "LANG=C.UTF-8", "LC_ALL", "LC_MESSAGES"};
    std::string events = WriteEvents(run,
                                     "wait\n"
                                     "key Return\n"          // "Add a title…": the browser at home
                                     "key Down\nkey Down\n"  // "empty"
                                     "key Return\n"          // into it
                                     "key Return\n"          // "Add this folder": no instance file
                                     "wait\n"
                                     "key BackSpace\n"                 // back to home
                                     "key Down\nkey Down\nkey Down\n"  // "reading"
                                     "key Return\nkey Return\n"        // into it, and add it
                                     "wait\n"
                                     "screenshot launcher.png\n"
                                     "key Return\n"  // Play: the title starts
                                     "wait\n"
                                     "close\n"  // the title's close box: the launcher comes back
                                     "wait\n"
                                     "close\n");
    const std::vector<std::string> args = {"--headless", "--fast",  "--events",
                                           events,       "--trace", run.File("trace.jsonl")};
    RunResult r = RunBinaryIn(args, run.RuntimeDir(), start, env, 30000);
    r.trace = run.ReadTrace();
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(r.exitCode, 0) << r.stderrText;
    // The reading title's scenario begins "one" / "$C": it played from the launcher.
    EXPECT_EQ(r.TextLines(), (std::vector<std::string>{"one"}));
    // The empty folder was refused with its reason.
    bool refused = false;
    for (const TraceEvent& e : r.Events("launcher")) {
        refused =
            refused || (e.Get("folder") == home + "/empty" &&
                        e.Get("message") == "このフォルダーにはインスタンスファイル（*.ist）がありません。");
    }
    EXPECT_TRUE(refused);
    // Launcher, title, launcher again: three exits.
    EXPECT_EQ(r.Events("exit").size(), 3u);
    // After the title the launcher lists it by its window name, with Continue (the title closed
    // while its story went on, so it has an automatic save).
    TraceEvent last = LastLauncher(r);
    EXPECT_EQ(last.Get("view"), "list");
    EXPECT_EQ(last.Get("titles"),
              "[{\"name\":\"読書テスト\",\"folder\":\"" + home + "/reading\",\"continue\":true}]");
    Shot shot = LoadShot(start + "/launcher.png");
    EXPECT_EQ(shot.width, 640);
    EXPECT_EQ(shot.height, 480);

    // A second start remembers it; Continue is its first button.
    std::string again = WriteEvents(run, "wait\nkey Return\nwait\nclose\nwait\nclose\n");
    RunResult second =
        RunBinaryIn({"--headless", "--fast", "--events", again, "--trace", run.File("trace.jsonl")},
                    run.RuntimeDir(), start, env, 30000);
    second.trace = run.ReadTrace();
    ASSERT_FALSE(second.timedOut) << second.stderrText;
    EXPECT_EQ(second.exitCode, 0) << second.stderrText;
    ASSERT_FALSE(second.Events("launcher").empty());
    EXPECT_EQ(second.Events("launcher")[0].Get("titles"), last.Get("titles"));
    // Continue loads the automatic save: the story is back at its first wait.
    ASSERT_EQ(second.Events("load").size(), 1u);
    EXPECT_EQ(second.Events("load")[0].Get("slot"), "auto");
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
