// The movie helper process as a player meets it: the movie's decoder runs locked down in a process
// of its own, and when that process dies or hangs the movie ends with "再生失敗" and the story
// goes on.
#include <gtest/gtest.h>
#include <signal.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/e2e_run.h"
#include "support/movie_maker.h"

namespace textreel::testing {
namespace {

const std::string kTitle = TEXTREEL_TEST_DATA "/e2e/titles/movie";

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The engine's child processes (every thread's).
std::vector<int> Children(int pid) {
    std::vector<int> out;
    std::error_code ec;
    for (const auto& task :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        std::istringstream in(ReadText(task.path().string() + "/children"));
        for (int child = 0; in >> child;) {
            out.push_back(child);
        }
    }
    return out;
}

// Waits until the trace holds count events of that name; false after 20 s or when the run ended.
bool AwaitEvents(const E2eRun& run, const std::string& name, size_t count) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < until) {
        size_t seen = 0;
        for (const TraceEvent& e : run.ReadTrace()) {
            seen += e.Name() == name ? 1 : 0;
        }
        if (seen >= count) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// The movie helper of the running engine: its one child, which must be locked down.
int Helper(const E2eRun& run) {
    std::vector<int> children = Children(run.Pid());
    EXPECT_EQ(children.size(), 1u);
    if (children.size() != 1) {
        return -1;
    }
    const std::string status = ReadText("/proc/" + std::to_string(children[0]) + "/status");
    EXPECT_NE(status.find("Name:\ttextreel-movie\n"), std::string::npos) << status;
    EXPECT_NE(status.find("Seccomp:\t2\n"), std::string::npos) << status;
    EXPECT_NE(status.find("NoNewPrivs:\t1\n"), std::string::npos) << status;
    return children[0];
}

// What a player sees when the helper is sent sig while the movie plays:
//   first / $C / $movieplay movie\red.mpg / after movie / $C
// The run's events end with the click that starts the movie and an answer for the next message
// box; once the story has gone on, the run is ended with SIGTERM (as the close box ends it).
struct Broken {
    RunResult run;
    int64_t silentMs = 0;  // from the signal to the end of the movie
    bool reaped = false;   // the helper was gone (not even a zombie) when the movie's end was told
};

Broken BreakHelper(int sig) {
    Broken out;
    E2eRun run(kTitle, Time::kReal);
    MovieRecipe red;
    red.frames = 250;
    red.colour = [](int) { return std::array<uint8_t, 3>{230, 20, 20}; };
    red.sound = true;
    std::filesystem::create_directories(run.Title() + "/movie");
    std::string error;
    EXPECT_TRUE(MakeMovie(red, run.Title() + "/movie/red.mpg", &error)) << error;
    std::ofstream(run.Title() + "/scenario.txt", std::ios::binary)
        << "first\r\n$C\r\n$movieplay movie\\red.mpg\r\nafter movie\r\n$C\r\n";

    run.Start("wait\nclick 10 10\nwait\nanswer ok\n");
    int helper = -1;
    if (AwaitEvents(run, "movie-start", 1)) {
        helper = Helper(run);
    }
    const auto signalledAt = std::chrono::steady_clock::now();
    if (helper > 0 && kill(helper, sig) == 0 && AwaitEvents(run, "movie-stop", 1)) {
        out.silentMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - signalledAt)
                           .count();
        out.reaped = kill(helper, 0) == -1 && errno == ESRCH;
        AwaitEvents(run, "text", 2);
    }
    kill(run.Pid(), SIGTERM);
    out.run = run.Finish(20000);
    return out;
}

// A helper that is killed, or that hangs (stopped), ends the ten-second movie with "再生失敗" (the
// hanging one after two silent seconds), is reaped, and the story goes on after the movie.
TEST(MovieHelper, AKilledOrHangingHelperEndsTheMovieWithAFailureAndTheStoryGoesOn) {
    for (int sig : {SIGKILL, SIGSTOP}) {
        SCOPED_TRACE(sig == SIGKILL ? "killed" : "stopped");
        Broken b = BreakHelper(sig);
        const RunResult& r = b.run;
        ASSERT_FALSE(r.timedOut) << r.stderrText;
        EXPECT_EQ(r.exitCode, 0) << r.stderrText;
        EXPECT_EQ(r.TextLines(), (std::vector<std::string>{"first", "after movie"}));
        std::vector<std::string> stops;
        std::vector<std::string> messages;
        for (const TraceEvent& e : r.trace) {
            if (e.Name() == "movie-stop") {
                stops.push_back(e.Get("reason"));
            } else if (e.Name() == "message") {
                messages.push_back(e.Get("text"));
            }
        }
        EXPECT_EQ(stops, (std::vector<std::string>{"error"}));
        EXPECT_EQ(messages, (std::vector<std::string>{"再生失敗"}));
        EXPECT_TRUE(b.reaped);
        if (sig == SIGSTOP) {
            // The hang was waited out: not less, and not the movie's ten seconds.
            EXPECT_GE(b.silentMs, 1900);
            EXPECT_LT(b.silentMs, 8000);
        } else {
            EXPECT_LT(b.silentMs, 1500);
        }
    }
}

// A helper that hangs while it opens the movie (stopped before it answers) holds nothing up: the
// window side goes on, and SIGTERM ends the run within a second, the helper with it.
//   first / $C / $movieplay movie\red.mpg / after movie / $C
// FIXME: the run outlives the 20 s limit here once the helper is stopped during its open; whether
// the engine or the run's pipes, which the stopped helper still holds, keep it is not found yet.
TEST(MovieHelper, DISABLED_SigtermEndsTheRunAtOnceWhileTheHelperOpensTheMovie) {
    E2eRun run(kTitle, Time::kReal);
    MovieRecipe red;
    red.frames = 25;
    std::filesystem::create_directories(run.Title() + "/movie");
    std::string error;
    ASSERT_TRUE(MakeMovie(red, run.Title() + "/movie/red.mpg", &error)) << error;
    std::ofstream(run.Title() + "/scenario.txt", std::ios::binary)
        << "first\r\n$C\r\n$movieplay movie\\red.mpg\r\nafter movie\r\n$C\r\n";
    run.Start("wait\nclick 10 10\n");
    // The helper is stopped as soon as it exists, before it has read the movie's header.
    int helper = -1;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (helper < 0 && std::chrono::steady_clock::now() < until) {
        for (int child : Children(run.Pid())) {
            if (kill(child, SIGSTOP) == 0) {
                helper = child;
            }
        }
    }
    ASSERT_GT(helper, 0);
    const auto sent = std::chrono::steady_clock::now();
    kill(run.Pid(), SIGTERM);
    RunResult r = run.Finish(20000);
    const auto tookMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - sent)
            .count();
    EXPECT_LT(tookMs, 1000);
    EXPECT_EQ(r.exitCode, 0) << r.stderrText;
    EXPECT_TRUE(r.Events("movie-start").empty()) << "the helper answered before it was stopped";
    kill(helper, SIGKILL);
}

}  // namespace
}  // namespace textreel::testing
