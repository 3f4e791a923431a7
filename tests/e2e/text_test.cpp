// Message text on the screen: glyphs appear inside the text area and nowhere else, and the backlog
// viewer opens, pages and closes from the keyboard and the mouse.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/e2e_run.h"

namespace textreel::testing {
namespace {

const std::string kTitles = TEXTREEL_TEST_DATA "/e2e/titles/";

TEST(TextOnScreen, GlyphsAppearInsideTheTextAreaAndNowhereElse) {
    E2eRun run(kTitles + "text-page");
    RunResult r = run.Run("wait\nscreenshot " + run.File("page.png") + "\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    Shot page = LoadShot(run.File("page.png"));
    ASSERT_EQ(page.width, 800);
    ASSERT_EQ(page.height, 600);
    int inside = 0;
    int outside = 0;
    int grey = 0;
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 800; ++x) {
            uint32_t c = page.At(x, y);
            if (c == 0) {
                continue;
            }
            // The three lines start at y 445, 472 and 499; glyphs start at x 36 (half width) or 40.
            bool inText = x >= 36 && x < 800 && y >= 445 && y < 526;
            (inText ? inside : outside)++;
            uint32_t red = c & 0xFF;
            grey += red > 0 && red < 250 ? 1 : 0;
        }
    }
    EXPECT_GT(inside, 2000);
    EXPECT_EQ(outside, 0);
    // Anti-aliased edges: many partly covered pixels, and full cover stops at 250.
    EXPECT_GT(grey, 500);
    EXPECT_EQ(page.At(10, 10), 0u);
}

TEST(TextOnScreen, PageUpOpensTheBacklogAndPageDownOrAClickLeavesIt) {
    E2eRun run(kTitles + "text-page");
    RunResult r = run.Run("wait\nscreenshot " + run.File("page.png") + "\nkey PageUp\nwait\nscreenshot " +
                          run.File("backlog.png") + "\nkey PageDown\nwait\nscreenshot " +
                          run.File("closed.png") + "\nwheel 1\nwait\nclick 400 300\nwait\nscreenshot " +
                          run.File("left.png") + "\nclick 400 300\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    Shot page = LoadShot(run.File("page.png"));
    Shot backlog = LoadShot(run.File("backlog.png"));
    Shot closed = LoadShot(run.File("closed.png"));
    Shot left = LoadShot(run.File("left.png"));
    // The newest line stands at the bottom of the viewer, black on an opaque white background.
    int white = 0;
    int dark = 0;
    for (int y = 460; y < 541; ++y) {
        for (int x = 10; x < 200; ++x) {
            uint32_t c = backlog.At(x, y);
            white += c == 0xFFFFFF ? 1 : 0;
            dark += c == 0 ? 1 : 0;
        }
    }
    EXPECT_GT(white, 1000);
    EXPECT_GT(dark, 100);
    EXPECT_NE(backlog.rgb, page.rgb);
    // Page Down on the newest page, and a click, each give back the screen as it was.
    EXPECT_EQ(closed.rgb, page.rgb);
    EXPECT_EQ(left.rgb, page.rgb);
    // The click that left the viewer did not advance the story; the next one did.
    EXPECT_EQ(r.TextLines().size(), 4u);
}

}  // namespace
}  // namespace textreel::testing
