// Titles a translation has changed through textreel.ini: rows that wrap at words. The trace's
// `text` event tells every title's rows, so that wrapping can be checked without pixels.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/e2e_run.h"

namespace textreel::testing {
namespace {

const std::string kTitles = TEXTREEL_TEST_DATA "/e2e/titles/";

// The ink (any lit pixel) in a rectangle of a screenshot.
int Ink(const Shot& shot, int x0, int y0, int x1, int y1) {
    int lit = 0;
    for (uint32_t c : shot.Area(x0, y0, x1, y1)) {
        lit += c != 0 ? 1 : 0;
    }
    return lit;
}

TEST(Translation, ARowWrapsBeforeAWordThatWouldBeCut) {
    // textreel.ini: "[text]" / "wrap = words"; scenario line 1:
    // "The dawn train ran along the sea while the sky turned slowly to gold as morning came over ..."
    // "morning" starts at x 760, so wrapping by character would cut it after "mor".
    E2eRun run(kTitles + "word-wrap");
    RunResult r = run.Run("wait\nscreenshot " + run.File("wrapped.png") + "\nclick 400 300\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    std::vector<TraceEvent> text = r.Events("text");
    ASSERT_EQ(text.size(), 2u);
    EXPECT_EQ(text[0].Get("rows"),
              "[\"The dawn train ran along the sea while the sky turned slowly to gold as \","
              "\"morning came over the water and the passengers woke one by one.\"]");
    EXPECT_EQ(text[1].Get("rows"), "[\"A short line stays on one row.\"]");
    Shot shot = LoadShot(run.File("wrapped.png"));
    // Nothing stands where "mor" would have been, and the word begins the second row at x 40.
    EXPECT_EQ(Ink(shot, 752, 445, 800, 471), 0);
    EXPECT_GT(Ink(shot, 36, 472, 106, 498), 100);
    EXPECT_GT(Ink(shot, 36, 445, 106, 471), 100);
    EXPECT_EQ(r.stderrText.find("textreel.ini"), std::string::npos) << r.stderrText;
}

TEST(Translation, AnUntouchedTitleTellsItsRowsAsItAlwaysCutThem) {
    // text-page has no textreel.ini; its lines are short Japanese lines, one row each.
    E2eRun run(kTitles + "text-page");
    RunResult r = run.Run("wait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    std::vector<TraceEvent> text = r.Events("text");
    ASSERT_FALSE(text.empty());
    for (const TraceEvent& e : text) {
        EXPECT_EQ(e.Get("rows"), "[\"" + e.Get("line") + "\"]");
    }
}

}  // namespace
}  // namespace textreel::testing
