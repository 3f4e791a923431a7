// One copy per title, and closing the window ends the process promptly in every state.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/e2e_run.h"

namespace textreel::testing {
namespace {

const std::string kTitles = TEXTREEL_TEST_DATA "/e2e/titles/";

// Waits until the running copy's trace holds an event with this name (the copy then holds the lock).
bool WaitForEvent(E2eRun& run, const std::string& name) {
    for (int i = 0; i < 2000; ++i) {
        for (const TraceEvent& e : run.ReadTrace()) {
            if (e.Name() == name) {
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST(SingleInstance, ASecondCopyOfTheSameTitleSaysItIsRunningAndExitsWith3) {
    E2eRun first(kTitles + "stop", Time::kReal);
    first.Start("wait\nsleep 600000\n");
    ASSERT_TRUE(WaitForEvent(first, "text"));

    // The same title from another folder: the instance name decides. The title has no
    // "WindowName=", so its window is named "DEFAULTIN".
    RunResult second =
        RunBinary({"--headless", "--trace", first.File("second.jsonl"), first.Title()}, first.RuntimeDir());
    EXPECT_EQ(second.exitCode, 3);
    EXPECT_EQ(second.stderrText, "textreel: DEFAULTIN is already running\n");
    std::vector<TraceEvent> secondTrace = first.ReadTrace("second.jsonl");
    ASSERT_EQ(secondTrace.size(), 1u);
    EXPECT_EQ(secondTrace[0].Name(), "exit");
    EXPECT_EQ(secondTrace[0].Get("code"), "3");
    // The checker and the explorer play a title beside its running copy: they take no marker.
    RunResult check = RunBinary({"--check", first.Title()}, first.RuntimeDir(), 60000);
    EXPECT_EQ(check.exitCode, 0) << check.stderrText;
    RunResult explore =
        RunBinary({"--explore", "--max-seconds", "20", first.Title()}, first.RuntimeDir(), 60000);
    EXPECT_EQ(explore.stderrText.find("already running"), std::string::npos) << explore.stderrText;
    EXPECT_NE(explore.exitCode, 3);
    // The first copy was asked to bring its window forward (a signal it takes, not one that ends
    // it) and plays on.
    ASSERT_GT(first.Pid(), 0);
    EXPECT_EQ(kill(first.Pid(), 0), 0);

    // Another title starts normally beside it.
    E2eRun other(kTitles + "reading", Time::kReal);
    RunResult r = other.Run("wait\nclose\n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.TextLines(), (std::vector<std::string>{"one"}));
}

TEST(SingleInstance, TheMarkerDisappearsWithTheProcess) {
    E2eRun run(kTitles + "stop", Time::kReal);
    run.Start("wait\nsleep 600000\n");
    ASSERT_TRUE(WaitForEvent(run, "text"));
    RunResult killed = run.Finish(0);  // killed at once, with no chance to clean up
    EXPECT_TRUE(killed.timedOut);
    RunResult again = run.Run("wait\nclose\n");
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_EQ(again.TextLines(), (std::vector<std::string>{"waiting"}));
}

TEST(Shutdown, CloseEndsTheProcessWithinASecondWhileTheScriptThreadIsSuspended) {
    E2eRun run(kTitles + "stop", Time::kReal);
    RunResult r = run.Run("wait\nclose\n");
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0);
    std::vector<TraceEvent> closes;
    for (const TraceEvent& e : r.Events("input")) {
        if (e.Get("command") == "close") {
            closes.push_back(e);
        }
    }
    ASSERT_EQ(closes.size(), 1u);
    ASSERT_EQ(r.Events("exit").size(), 1u);
    EXPECT_LT(r.Events("exit")[0].Ms() - closes[0].Ms(), 1000);
}

TEST(Shutdown, CloseEndsTheProcessWhileAMessageBoxIsOpen) {
    E2eRun run(kTitles + "reading", Time::kReal);
    RunResult r = run.Run("wait\nclick 1 1\nwait\nclick 1 1\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_EQ(r.Events("message").size(), 1u);
    EXPECT_EQ(r.Events("message")[0].Get("answer"), "cancel");
    EXPECT_LT(r.Events("exit")[0].Ms() - r.Events("message")[0].Ms(), 1000);
}

}  // namespace
}  // namespace textreel::testing

namespace textreel::testing {
namespace {

TEST(Shutdown, CloseEndsTheProcessWithinASecondInTheMiddleOfASlowLine) {
    E2eRun run(TEXTREEL_TEST_DATA "/e2e/titles/slow-text", Time::kReal);
    // The line takes over 20 s at 200 ms per character; the close comes while it is drawn.
    RunResult r = run.Run("sleep 600\nclose\n");
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_EQ(r.TextLines().size(), 1u);
    const TraceEvent* close = nullptr;
    for (const TraceEvent& e : r.trace) {
        if (e.Name() == "input" && e.Get("command") == "close") {
            close = &e;
        }
    }
    ASSERT_NE(close, nullptr);
    EXPECT_GT(close->Ms(), r.Events("text")[0].Ms());
    EXPECT_LT(r.Events("exit")[0].Ms() - close->Ms(), 1000);
}

}  // namespace
}  // namespace textreel::testing

namespace textreel::testing {
namespace {

// SIGTERM, SIGINT and SIGHUP end the engine as the close box does: the trace's exit line, code 0.
class Signals : public ::testing::TestWithParam<int> {};

TEST_P(Signals, ATerminationSignalClosesTheEngineCleanly) {
    E2eRun run(kTitles + "stop", Time::kReal);
    run.Start("wait\nsleep 600000\n");
    ASSERT_TRUE(WaitForEvent(run, "text"));
    ASSERT_EQ(kill(run.Pid(), GetParam()), 0);
    RunResult r = run.Finish(60000);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_EQ(r.Events("exit").size(), 1u);
    EXPECT_EQ(r.Events("exit")[0].Get("code"), "0");
    EXPECT_EQ(r.trace.back().Name(), "exit");
}

INSTANTIATE_TEST_SUITE_P(EachSignal, Signals, ::testing::Values(SIGTERM, SIGINT, SIGHUP));

TEST(SignalDuringABox, AScriptedBoxThatWaitsIsAnsweredWithCancel) {
    E2eRun run(kTitles + "reading", Time::kReal);
    run.Start("wait\nclick 1 1\nwait\nclick 1 1\nwait\nsleep 600000\n");
    ASSERT_TRUE(WaitForEvent(run, "input"));
    // The unknown command's box opens after the second click and waits for the events file.
    for (int i = 0; i < 6000; ++i) {
        int inputs = 0;
        for (const TraceEvent& e : run.ReadTrace()) {
            inputs += e.Name() == "input" && e.Get("command") == "sleep 600000" ? 1 : 0;
        }
        if (inputs > 0) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(kill(run.Pid(), SIGTERM), 0);
    RunResult r = run.Finish(60000);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_EQ(r.Events("message").size(), 1u);
    EXPECT_EQ(r.Events("message")[0].Get("answer"), "cancel");
    ASSERT_EQ(r.Events("exit").size(), 1u);
}

}  // namespace
}  // namespace textreel::testing
