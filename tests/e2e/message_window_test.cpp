// The message window composed over a picture in a real run: the dimmed band with its ramp, the
// frame and button bar of the title's parts, hovering, and hiding the window with its button.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/e2e_run.h"

namespace textreel::testing {
namespace {

const std::string kTitles = TEXTREEL_TEST_DATA "/e2e/titles/";

// The screen above the button bar without the wait icon, which animates on its own between
// screenshots.
std::vector<uint32_t> AwayFromTheIcon(const Shot& shot) {
    std::vector<uint32_t> pixels = shot.Area(0, 0, 800, 550);
    std::vector<uint32_t> left = shot.Area(0, 550, 750, 578);
    pixels.insert(pixels.end(), left.begin(), left.end());
    return pixels;
}

// A title with its own scenario and the demo's interface parts and sounds.
E2eRun WindowTitle() {
    E2eRun run(kTitles + "window");
    for (const char* part : {"bar_a.bmp", "btnprts.bmp", "waiticon.bmp"}) {
        CopyFile(std::string(TEXTREEL_DEMO_DIR) + "/cg/menu/" + part, run.Title() + "/cg/menu/" + part);
    }
    CopyTree(std::string(TEXTREEL_DEMO_DIR) + "/sound", run.Title() + "/sound");
    return run;
}

TEST(MessageWindow, IsComposedOverThePictureWithItsBandRampAndButtonBar) {
    E2eRun run = WindowTitle();
    RunResult r = run.Run("wait\nscreenshot " + run.File("window.png") + "\nmove 80 590\nscreenshot " +
                          run.File("hover.png") + "\nmove 80 300\nclick 200 590\nwait\nscreenshot " +
                          run.File("hidden.png") + "\nclick 400 300\nwait\nscreenshot " +
                          run.File("shown.png") + "\nclick 400 300\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_TRUE(r.Events("message").empty()) << r.stderrText;
    Shot window = LoadShot(run.File("window.png"));
    // White above the band; 255 - 30 in the band; the ramp's 19 and 8 at its top, then nothing.
    EXPECT_EQ(window.At(10, 100), 0xFFFFFFu);
    EXPECT_EQ(window.At(10, 500), 0xE1E1E1u);
    EXPECT_EQ(window.At(10, 439), 0xECECECu);
    EXPECT_EQ(window.At(10, 438), 0xF7F7F7u);
    EXPECT_EQ(window.At(10, 437), 0xFFFFFFu);
    // The frame and the bar lie over the bottom 22 rows, so they are not the plain dimmed white.
    int framed = 0;
    for (int x = 0; x < 640; ++x) {
        framed += window.At(x, 590) != 0xE1E1E1u ? 1 : 0;
    }
    EXPECT_GT(framed, 320);
    // Text in the band.
    int ink = 0;
    for (int x = 40; x < 500; ++x) {
        for (int y = 445; y < 470; ++y) {
            ink += window.At(x, y) != 0xE1E1E1u ? 1 : 0;
        }
    }
    EXPECT_GT(ink, 300);

    // Hovering the skip button changes its look and plays the move sound; the rest stays.
    Shot hover = LoadShot(run.File("hover.png"));
    EXPECT_NE(hover.Area(33, 579, 138, 600), window.Area(33, 579, 138, 600));
    EXPECT_EQ(hover.Area(174, 579, 278, 600), window.Area(174, 579, 278, 600));
    EXPECT_EQ(AwayFromTheIcon(hover), AwayFromTheIcon(window));
    bool moveSound = false;
    bool clickSound = false;
    for (const TraceEvent& e : r.Events("sound")) {
        moveSound |= e.Get("path") == "sound\\move.wav";
        clickSound |= e.Get("path") == "sound\\click.wav";
    }
    EXPECT_TRUE(moveSound);
    EXPECT_TRUE(clickSound);

    // The hide button shows the clean picture; the next click brings the window back without
    // advancing the story.
    Shot hidden = LoadShot(run.File("hidden.png"));
    EXPECT_EQ(hidden.At(10, 500), 0xFFFFFFu);
    EXPECT_EQ(hidden.At(300, 455), 0xFFFFFFu);
    Shot shown = LoadShot(run.File("shown.png"));
    EXPECT_EQ(AwayFromTheIcon(shown), AwayFromTheIcon(window));
    EXPECT_EQ(r.TextLines().size(), 2u);
}

}  // namespace
}  // namespace textreel::testing
