// Quick save (F5), its load (F9), the automatic save at the end of a run and --continue, through
// the real binary.
//
// save-load: $windowopen / $fill white / 最初の行です。 / $C / 二番目の行です。 / $P /
//   三番目の行、ここでセーブします。 / $C / 四番目の行です。 / $C / $S
// story-end: one / $C / two / $C / three (the scenario ends)
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/e2e_run.h"

namespace textreel::testing {
namespace {

const std::string kTitles = TEXTREEL_TEST_DATA "/e2e/titles/";
const std::string kNext = "click 400 300\nwait\n";

std::vector<std::string> Notices(const RunResult& r) {
    std::vector<std::string> out;
    for (const TraceEvent& t : r.Events("notice")) {
        out.push_back(t.Get("text"));
    }
    return out;
}

// Every pixel above the button bar, but for the wait icon's corner and the notice's corner.
bool SamePage(const Shot& a, const Shot& b) {
    for (int y = 0; y < 578; ++y) {
        for (int x = 0; x < 800; ++x) {
            bool icon = x >= 700 && y >= 500;
            bool notice = x < 400 && y < 40;
            if (!icon && !notice && a.At(x, y) != b.At(x, y)) {
                return false;
            }
        }
    }
    return true;
}

TEST(QuickSave, F9TakesTheGameBackToWhereF5KeptIt) {
    E2eRun run(kTitles + "save-load");
    RunResult r =
        run.Run("wait\n" + kNext + kNext + "key F5\nwait\nscreenshot " + run.File("kept.png") + "\n" + kNext +
                "key F9\nwait\nscreenshot " + run.File("back.png") + "\n" + kNext + "close\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    ASSERT_EQ(r.Events("save").size(), 1u);
    EXPECT_EQ(r.Events("save")[0].Get("slot"), "quick");
    EXPECT_EQ(r.Events("save")[0].Get("ok"), "true");
    ASSERT_EQ(r.Events("load").size(), 1u);
    EXPECT_EQ(r.Events("load")[0].Get("slot"), "quick");
    EXPECT_EQ(r.Events("load")[0].Get("ok"), "true");
    EXPECT_EQ(Notices(r), (std::vector<std::string>{"クイックセーブしました", "ロードしました"}));
    // F5 and F9 do not advance; after the load the page is the kept one and reading goes on.
    EXPECT_EQ(r.TextLines(),
              (std::vector<std::string>{"最初の行です。", "二番目の行です。",
                                        "三番目の行、ここでセーブします。", "四番目の行です。",
                                        "三番目の行、ここでセーブします。", "四番目の行です。"}));
    EXPECT_TRUE(SamePage(LoadShot(run.File("kept.png")), LoadShot(run.File("back.png"))));
}

TEST(QuickSave, WithoutAFileTheKeysOnlySaySo) {
    E2eRun run(kTitles + "save-load");
    RunResult r = run.Run("wait\nkey F9\nwait\nkey F8\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_TRUE(r.Events("load").empty());
    EXPECT_EQ(Notices(r),
              (std::vector<std::string>{"クイックセーブがありません", "オートセーブがありません"}));
    EXPECT_EQ(r.TextLines().size(), 1u);
}

TEST(QuickSave, ContinueGoesOnFromWhereTheLastRunWasClosed) {
    E2eRun run(kTitles + "save-load");
    RunResult first =
        run.Run("wait\n" + kNext + kNext + "screenshot " + run.File("closed.png") + "\nclose\n");
    ASSERT_FALSE(first.timedOut) << first.stderrText;
    EXPECT_TRUE(std::filesystem::exists(run.Title() + "/save/auto.sav"));

    RunResult again = run.Run("wait\nscreenshot " + run.File("continued.png") + "\n" + kNext + "close\n",
                              20000, {"--continue"});
    ASSERT_FALSE(again.timedOut) << again.stderrText;
    ASSERT_EQ(again.Events("load").size(), 1u);
    EXPECT_EQ(again.Events("load")[0].Get("slot"), "auto");
    EXPECT_TRUE(SamePage(LoadShot(run.File("closed.png")), LoadShot(run.File("continued.png"))));
    std::vector<std::string> lines = again.TextLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "四番目の行です。");
}

TEST(QuickSave, AStoryThatEndedLeavesNoAutomaticSave) {
    E2eRun run(kTitles + "story-end");
    RunResult r = run.Run("wait\n" + kNext + kNext + "wait\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_TRUE(r.Events("save").empty());
    EXPECT_FALSE(std::filesystem::exists(run.Title() + "/save/auto.sav"));
}

}  // namespace
}  // namespace textreel::testing
