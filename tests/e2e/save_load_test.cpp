// Saving and loading through the real binary: the save screen from the button bar, a load in a
// later run that brings back the same page as a run that never stopped, and the files it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/e2e_run.h"
#include "support/test_files.h"

namespace textreel::testing {
namespace {

const std::string kTitles = TEXTREEL_TEST_DATA "/e2e/titles/";

bool ReadBytes(const std::string& path, std::vector<uint8_t>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// The screens' pictures: grey with the slots left plain, and the lit look in yellow.
void ScreenPictures(E2eRun& run) {
    for (const char* kind : {"save", "load"}) {
        std::string base = run.Title() + "/cg/menu/" + kind;
        WriteBytes(base + "_off.png", MakePng(1600, 600, 0x808080, {{800, 0, 800, 600, 0x000000}}));
        WriteBytes(base + "_on.png", MakePng(1600, 600, 0x00FFFF, {{800, 0, 800, 600, 0x000000}}));
    }
}

// The save button and the load button of the bar, and slot 1.
const std::string kSaveButton = "click 400 590\n";
const std::string kLoadButton = "click 545 590\n";
const std::string kSlot1 = "click 100 200\n";

// Every pixel above the button bar, but for the wait icon's corner, whose frame follows the clock.
bool SamePage(const Shot& a, const Shot& b, int& x, int& y) {
    for (y = 0; y < 578; ++y) {
        for (x = 0; x < 800; ++x) {
            if (x >= 700 && y >= 500) {
                continue;
            }
            if (a.At(x, y) != b.At(x, y)) {
                return false;
            }
        }
    }
    return true;
}

std::vector<std::string> Since(const RunResult& r, size_t from) {
    std::vector<std::string> lines = r.TextLines();
    return std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(std::min(from, lines.size())),
                                    lines.end());
}

TEST(SaveLoad, ALoadInALaterRunShowsThePageOfTheRunThatNeverStopped) {
    E2eRun run(kTitles + "save-load");
    ScreenPictures(run);
    RunResult whole = run.Run("wait\nclick 400 300\nwait\nclick 400 300\nwait\nscreenshot " +
                              run.File("whole.png") + "\nclick 400 300\nwait\nclose\n");
    ASSERT_FALSE(whole.timedOut) << whole.stderrText;
    ASSERT_EQ(whole.TextLines().size(), 4u);

    RunResult saving = run.Run("wait\nclick 400 300\nwait\nclick 400 300\nwait\n" + kSaveButton +
                               "wait\nmove 100 200\nscreenshot " + run.File("before.png") + "\n" + kSlot1 +
                               "wait\nscreenshot " + run.File("after.png") + "\nclick 60 110\nwait\nclose\n");
    ASSERT_FALSE(saving.timedOut) << saving.stderrText;
    std::vector<TraceEvent> saves = saving.Events("save");
    ASSERT_EQ(saves.size(), 1u) << saving.stderrText;
    EXPECT_EQ(saves[0].Get("slot"), "1");
    EXPECT_EQ(saves[0].Get("ok"), "true");
    std::vector<TraceEvent> screens = saving.Events("screen");
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(screens[0].Get("action"), "open");
    EXPECT_EQ(screens[0].Get("mode"), "10");
    EXPECT_EQ(screens[1].Get("action"), "close");
    // The slot shows its new date and title at once, with the pointer where it was.
    EXPECT_NE(LoadShot(run.File("before.png")).Area(41, 176, 373, 217),
              LoadShot(run.File("after.png")).Area(41, 176, 373, 217));
    std::vector<uint8_t> file;
    ASSERT_TRUE(ReadBytes(run.Title() + "/save/save01.sav", file));
    EXPECT_EQ(file.size(), 1424u);

    RunResult loading = run.Run("wait\n" + kLoadButton + "wait\n" + kSlot1 + "wait\nscreenshot " +
                                run.File("loaded.png") + "\nclick 400 300\nwait\nclose\n");
    ASSERT_FALSE(loading.timedOut) << loading.stderrText;
    std::vector<TraceEvent> loads = loading.Events("load");
    ASSERT_EQ(loads.size(), 1u) << loading.stderrText;
    EXPECT_EQ(loads[0].Get("ok"), "true");
    EXPECT_TRUE(loading.Events("message").empty());
    // The page since the last page boundary is drawn again, then reading goes on as before.
    std::vector<std::string> wholeLines = whole.TextLines();
    EXPECT_EQ(Since(loading, 1), std::vector<std::string>(wholeLines.begin() + 2, wholeLines.end()));
    int x = 0;
    int y = 0;
    EXPECT_TRUE(SamePage(LoadShot(run.File("whole.png")), LoadShot(run.File("loaded.png")), x, y))
        << "first difference at " << x << "," << y;
}

TEST(SaveLoad, AFileThatCannotBeUsedChangesNothingAndSaysSo) {
    E2eRun run(kTitles + "save-load");
    ScreenPictures(run);
    // A truncated slot 1: listed, but refused when loaded.
    WriteBytes(run.Title() + "/save/save01.sav", std::vector<uint8_t>(1000, 0));
    RunResult r = run.Run("wait\n" + kLoadButton + "wait\nanswer ok\n" + kSlot1 +
                          "wait\nclick 60 110\nwait\nclick 400 300\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    std::vector<TraceEvent> loads = r.Events("load");
    ASSERT_EQ(loads.size(), 1u);
    EXPECT_EQ(loads[0].Get("ok"), "false");
    std::vector<TraceEvent> messages = r.Events("message");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].Get("text"), "ロードに失敗しました");
    // The game goes on from where it stood: the second line follows the first.
    ASSERT_EQ(r.TextLines().size(), 2u);
}

TEST(SaveLoad, CancelOnTheOverwriteQuestionKeepsTheOldFile) {
    E2eRun run(kTitles + "save-load");
    ScreenPictures(run);
    std::vector<uint8_t> old(1424, 0);
    old[1373] = 'o';
    WriteBytes(run.Title() + "/save/save01.sav", old);
    RunResult r = run.Run("wait\n" + kSaveButton + "wait\nanswer cancel\n" + kSlot1 +
                          "wait\nclick 60 110\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    std::vector<TraceEvent> messages = r.Events("message");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].Get("text"), "上書きしてもよろしいですか？");
    std::vector<uint8_t> now;
    ASSERT_TRUE(ReadBytes(run.Title() + "/save/save01.sav", now));
    EXPECT_EQ(now, old);
}

TEST(SaveLoad, AWriteThatFailsLeavesWhatStoodThereAndSaysSo) {
    E2eRun run(kTitles + "save-load");
    ScreenPictures(run);
    // A folder stands where slot 1's file would go: the new file cannot be renamed over it.
    WriteBytes(run.Title() + "/save/save01.sav/keep", {1, 2, 3});
    RunResult r =
        run.Run("wait\n" + kSaveButton + "wait\nanswer ok\nanswer ok\n" + kSlot1 + "wait\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    std::vector<TraceEvent> messages = r.Events("message");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].Get("text"), "上書きしてもよろしいですか？");
    EXPECT_EQ(messages[1].Get("text"), "セーブに失敗しました");
    ASSERT_EQ(r.Events("save").size(), 1u);
    EXPECT_EQ(r.Events("save")[0].Get("ok"), "false");
    std::vector<uint8_t> kept;
    ASSERT_TRUE(ReadBytes(run.Title() + "/save/save01.sav/keep", kept));
    EXPECT_EQ(kept, (std::vector<uint8_t>{1, 2, 3}));
    // No temporary is left beside it (auto.sav is the automatic save of the close).
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(run.Title() + "/save")) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"auto.sav", "env.dat", "save01.sav"}));
}

TEST(SaveLoad, AScreenWhosePictureIsMissingDoesNotOpen) {
    E2eRun run(kTitles + "save-load");
    RunResult r =
        run.Run("wait\nanswer ok\n" + kSaveButton + "wait\n" + kSlot1 + "wait\nclick 400 300\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_TRUE(r.Events("screen").empty());
    EXPECT_TRUE(r.Events("save").empty());
    ASSERT_FALSE(r.Events("message").empty());
    EXPECT_EQ(r.Events("message")[0].Get("text"), "画像の読み込み失敗");
    // The click on the slot's place advanced the text instead of saving.
    EXPECT_GE(r.TextLines().size(), 2u);
}

// The title menu of save-title: a blue screen whose lit look is red, with "begin" and "*GameLoad".
void TitleMenuPictures(E2eRun& run) {
    WriteBytes(run.Title() + "/bg/plain.png", MakePng(800, 600, 0xFF0000));
    WriteBytes(run.Title() + "/bg/lit.png", MakePng(800, 600, 0x0000FF));
    ScreenPictures(run);
}

const std::string kTitleLoad = "click 400 395\n";
const std::string kTitleStart = "click 400 325\n";

int Count(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

TEST(SaveLoad, TheTitleMenusLoadScreenReturnsToTheMenu) {
    E2eRun run(kTitles + "save-title");
    TitleMenuPictures(run);
    RunResult r =
        run.Run("wait\n" + kTitleLoad + "wait\nclick 60 110\nwait\n" + kTitleStart + "wait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    std::vector<TraceEvent> screens = r.Events("screen");
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(screens[0].Get("mode"), "30");
    EXPECT_EQ(screens[1].Get("action"), "close");
    // Back in the menu, its entries still answer.
    EXPECT_EQ(r.TextLines(), std::vector<std::string>{"物語の始まり。"});
}

TEST(SaveLoad, AGameSavedInOneRunIsLoadedFromTheTitleMenuOfTheNext) {
    E2eRun run(kTitles + "save-title");
    TitleMenuPictures(run);
    RunResult saving = run.Run("wait\n" + kTitleStart + "wait\nclick 400 300\nwait\n" + kSaveButton +
                               "wait\n" + kSlot1 + "wait\nclose\n");
    ASSERT_FALSE(saving.timedOut) << saving.stderrText;
    ASSERT_EQ(saving.Events("save").size(), 1u);
    RunResult loading =
        run.Run("wait\n" + kTitleLoad + "wait\n" + kSlot1 + "wait\nclick 400 300\nwait\nclose\n");
    ASSERT_FALSE(loading.timedOut) << loading.stderrText;
    std::vector<TraceEvent> loads = loading.Events("load");
    ASSERT_EQ(loads.size(), 1u);
    EXPECT_EQ(loads[0].Get("ok"), "true");
    EXPECT_TRUE(loading.Events("message").empty());
    // The picture command before the saved line runs again, and the story goes on from there.
    std::vector<std::string> lines = loading.TextLines();
    EXPECT_EQ(Count(lines, "物語の始まり。"), 1);
    EXPECT_EQ(Count(lines, "続きの行。"), 1);
    EXPECT_EQ(loading.Events("choices").size(), 1u);
}

}  // namespace
}  // namespace textreel::testing
