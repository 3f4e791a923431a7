// The display mode from the player's side: Alt+Enter switches and the mode is kept in env.dat; the
// next run starts in it; the scale and full screen leave screenshots in game pixels.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/e2e_run.h"

namespace textreel::testing {
namespace {

const std::string kTitle = TEXTREEL_TEST_DATA "/e2e/titles/stop";

std::vector<std::string> Modes(const RunResult& r) {
    std::vector<std::string> out;
    for (const TraceEvent& e : r.Events("display")) {
        out.push_back(e.Get("mode") + " " + e.Get("width") + "x" + e.Get("height") + " x" + e.Get("scale"));
    }
    return out;
}

TEST(DisplayMode, AltEnterSwitchesAndTheNextRunStartsInTheStoredMode) {
    setenv("TEXTREEL_HEADLESS_DISPLAY", "1920x1080", 1);
    E2eRun run(kTitle);
    RunResult first = run.Run("wait\nkey Alt+Return\nwait\nscreenshot " + run.File("full.png") + "\nclose\n",
                              20000, {"--scale", "1"});
    ASSERT_FALSE(first.timedOut) << first.stderrText;
    EXPECT_EQ(Modes(first), (std::vector<std::string>{"window 640x480 x1", "full-screen 1920x1080 x1"}));
    // The key that switched did not advance the story.
    EXPECT_EQ(first.TextLines(), (std::vector<std::string>{"waiting"}));
    Shot full = LoadShot(run.File("full.png"));
    EXPECT_EQ(full.width, 640);
    EXPECT_EQ(full.height, 480);

    RunResult second = run.Run("wait\nkey Alt+Return\nwait\nclose\n");
    ASSERT_FALSE(second.timedOut) << second.stderrText;
    // Automatic scale on a 1920 x 1080 display: 2.
    EXPECT_EQ(Modes(second), (std::vector<std::string>{"full-screen 1920x1080 x2", "window 1280x960 x2"}));
    unsetenv("TEXTREEL_HEADLESS_DISPLAY");
}

TEST(DisplayMode, ABadScaleIsAUsageError) {
    E2eRun run(kTitle);
    for (const char* bad : {"0", "9", "x", "12"}) {
        RunResult r = RunBinary({"--headless", "--scale", bad, run.Title()}, run.RuntimeDir());
        EXPECT_EQ(r.exitCode, 2) << bad;
    }
}

}  // namespace
}  // namespace textreel::testing
