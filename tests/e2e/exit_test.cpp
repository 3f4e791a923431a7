// env.dat after each way a run ends: the lines read and the settings since the last write are kept.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/e2e_run.h"

namespace textreel::testing {
namespace {

const std::string kTitle = TEXTREEL_TEST_DATA "/e2e/titles/exit-paths";
const std::string kScenario = "one\r\n$C\r\ntwo\r\n$C\r\n$exit_game\r\nthree\r\n$C\r\n";

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Whether the read mark of the first byte of text in the scenario is set.
bool Read(const std::vector<uint8_t>& env, const std::string& text) {
    size_t at = kScenario.find(text);
    return env.at(64 + at) == 1;
}

int32_t Speed(const std::vector<uint8_t>& env) {
    return static_cast<int32_t>(env[0] | (env[1] << 8) | (env[2] << 16) |
                                (static_cast<uint32_t>(env[3]) << 24));
}

TEST(EnvAtExit, TheCloseBoxKeepsTheLinesReadSoFar) {
    E2eRun run(kTitle);
    RunResult r = run.Run("wait\nclose\n");
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0);
    std::vector<uint8_t> env = ReadBytes(run.Title() + "/save/env.dat");
    ASSERT_EQ(env.size(), 64 + kScenario.size());
    EXPECT_EQ(Speed(env), 1);
    EXPECT_TRUE(Read(env, "one"));
    EXPECT_FALSE(Read(env, "two"));
}

TEST(EnvAtExit, ExitGameKeepsTheLinesReadSoFar) {
    E2eRun run(kTitle);
    RunResult r = run.Run("wait\nclick 1 1\nwait\nclick 1 1\nwait\nanswer ok\n");
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_EQ(r.Events("message").size(), 1u);
    EXPECT_EQ(r.Events("message")[0].Get("text"), "終了します。");
    EXPECT_EQ(r.TextLines(), (std::vector<std::string>{"one", "two"}));
    std::vector<uint8_t> env = ReadBytes(run.Title() + "/save/env.dat");
    ASSERT_EQ(env.size(), 64 + kScenario.size());
    EXPECT_TRUE(Read(env, "two"));
    EXPECT_TRUE(Read(env, "$exit_game"));
    EXPECT_FALSE(Read(env, "three"));
}

TEST(EnvAtExit, TheEndOfTheScenarioKeepsEveryLine) {
    E2eRun run(TEXTREEL_TEST_DATA "/e2e/titles/story-end");
    const std::string scenario = "one\r\n$C\r\ntwo\r\n$C\r\nthree\r\n";
    RunResult r = run.Run("wait\nclick 1 1\nwait\nclick 1 1\nwait\n");
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.TextLines(), (std::vector<std::string>{"one", "two", "three"}));
    std::vector<uint8_t> env = ReadBytes(run.Title() + "/save/env.dat");
    ASSERT_EQ(env.size(), 64 + scenario.size());
    // Every byte was passed, the last line's end included.
    for (size_t i = 0; i < scenario.size(); ++i) {
        EXPECT_EQ(env[64 + i], 1) << i;
    }
}

TEST(EnvAtExit, ClosingDuringSkipModeStoresThePlayersSpeed) {
    E2eRun run(TEXTREEL_TEST_DATA "/e2e/titles/skip-exit");
    // 40 ms per character and forced skip, so that skip mode runs on over unread text.
    std::vector<uint8_t> env(64, 0);
    env[0] = 40;
    env[4] = 1;
    env[8] = 1;
    env[12] = 100;
    env[14] = 75;
    env[60] = 1;
    std::filesystem::create_directories(run.Title() + "/save");
    std::ofstream(run.Title() + "/save/env.dat", std::ios::binary)
        .write(reinterpret_cast<const char*>(env.data()), static_cast<std::streamsize>(env.size()));
    // The skip button; skip mode runs on into a ten-minute wait, which it does not shorten, and the
    // close comes while skip mode still runs.
    RunResult r = run.Run("wait\nclick 40 590\nsleep 300\nclose\n");
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0);
    std::vector<std::string> lines = r.TextLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "one");
    EXPECT_NE(lines.back(), "four");
    std::vector<uint8_t> stored = ReadBytes(run.Title() + "/save/env.dat");
    ASSERT_GE(stored.size(), 64u);
    EXPECT_EQ(Speed(stored), 40);
    EXPECT_EQ(stored[60], 1);
}

}  // namespace
}  // namespace textreel::testing
