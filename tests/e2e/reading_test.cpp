// The story is read one click at a time; message boxes appear and the story goes on; the command
// line is checked.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/e2e_run.h"

namespace textreel::testing {
namespace {

const std::string kTitles = TEXTREEL_TEST_DATA "/e2e/titles/";

TEST(Reading, LinesAppearOneClickAtATimeAndAnUnknownCommandDoesNotStopTheStory) {
    E2eRun run(kTitles + "reading");
    RunResult r = run.Run("wait\nclick 10 10\nwait\nclick 10 10\nwait\nanswer ok\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(r.TextLines(), (std::vector<std::string>{"one", "二行目です。", "three", "four"}));
    // Between two lines stands exactly one click, and the box comes between three and four.
    std::vector<std::string> order;
    for (const TraceEvent& e : r.trace) {
        if (e.Name() == "text") {
            order.push_back("text");
        } else if (e.Name() == "message") {
            order.push_back("message:" + e.Get("text") + ":" + e.Get("caption") + ":" + e.Get("answer"));
        } else if (e.Name() == "input" && e.Get("command") == "click 10 10") {
            order.push_back("click");
        }
    }
    EXPECT_EQ(order, (std::vector<std::string>{"text", "click", "text", "click", "text",
                                               "message:認識できないコマンドです:読書テスト:ok", "text"}));
}

TEST(Reading, TheEndOfTheScenarioClosesTheProgram) {
    E2eRun run(kTitles + "reading");
    RunResult r = run.Run("wait\nclick 1 1\nwait\nclick 1 1\nwait\nanswer ok\nwait\nclick 1 1\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_FALSE(r.Events("exit").empty());
    EXPECT_EQ(r.Events("exit").back().Get("code"), "0");
}

TEST(Reading, AMissingLabelEndsTheProgramAfterItsMessage) {
    E2eRun run(kTitles + "missing-label");
    RunResult r = run.Run("wait\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.TextLines(), (std::vector<std::string>{"before"}));
    ASSERT_EQ(r.Events("message").size(), 1u);
    EXPECT_EQ(r.Events("message")[0].Get("text"), ":nowhere");
    EXPECT_EQ(r.Events("message")[0].Get("caption"), "DEFAULTIN");
}

TEST(Reading, AMissingScenarioShowsItsMessageAndExitsWithZero) {
    E2eRun run(kTitles + "no-scenario");
    RunResult r = run.Run("wait\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_EQ(r.Events("message").size(), 1u);
    EXPECT_EQ(r.Events("message")[0].Get("text"), "スクリプトファイルが見つかりません。");
    EXPECT_EQ(r.Events("message")[0].Get("caption"), "NoScenario");
    EXPECT_TRUE(r.TextLines().empty());
}

TEST(Reading, ATitleWithoutAnInstanceFileRunsWithTheDefaults) {
    E2eRun run("");
    std::vector<uint8_t> scenario = {'h', 'i', '\r', '\n', '$', 'S', '\r', '\n'};
    std::string path = run.Title() + "/story.txt";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(scenario.data(), 1, scenario.size(), f);
    std::fclose(f);
    RunResult r = run.Run("wait\nscreenshot " + run.File("shot.png") + "\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.TextLines(), (std::vector<std::string>{"hi"}));
    std::vector<uint8_t> rgb;
    int w = 0;
    int h = 0;
    ASSERT_TRUE(ReadPng(run.File("shot.png"), rgb, w, h));
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
}

TEST(CommandLine, BadUsageExitsWithTwoAndAUsageLine) {
    E2eRun run("");
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--bogus"},
                                                 {"--events"},
                                                 {"--trace"},
                                                 {"/nonexistent-title-folder"},
                                                 {"a", "b"}}) {
        RunResult r = RunBinary(args, run.RuntimeDir());
        EXPECT_EQ(r.exitCode, 2) << args[0];
        EXPECT_NE(r.stderrText.find("usage: textreel"), std::string::npos) << args[0];
    }
    EXPECT_EQ(RunBinary({"--help"}, run.RuntimeDir()).exitCode, 0);
    EXPECT_EQ(RunBinary({"--version"}, run.RuntimeDir()).exitCode, 0);
}

TEST(CommandLine, ABadEventsFileNamesItsLineAndExitsWithTwo) {
    E2eRun run(kTitles + "stop");
    RunResult r = run.Run("wait\nclick ten 10\n", 20000, {}, true);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.stderrText.find("line 2"), std::string::npos) << r.stderrText;
    EXPECT_TRUE(r.TextLines().empty());
}

}  // namespace
}  // namespace textreel::testing
