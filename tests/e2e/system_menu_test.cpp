// The system menu from the player's side: a right click opens it over the picture, `menu ID`
// chooses, the settings land in env.dat, the confirmations guard the way back to the title and
// the exit, and a choice that cannot be made fails clearly.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/e2e_run.h"

namespace textreel::testing {
namespace {

const std::string kTitle = TEXTREEL_TEST_DATA "/e2e/titles/system-menu";

// The popup's colours as screenshots give them (0x00BBGGRR): its outline and its panel.
constexpr uint32_t kOutline = 0x5A5A5A;
constexpr uint32_t kPanel = 0xF7F7F7;

std::vector<std::string> MenuEvents(const RunResult& r) {
    std::vector<std::string> out;
    for (const TraceEvent& e : r.trace) {
        if (e.Name() == "menu") {
            out.push_back("menu " + e.Get("action"));
        } else if (e.Name() == "command") {
            out.push_back("command " + e.Get("id"));
        }
    }
    return out;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(SystemMenu, ARightClickDrawsThePopupThereAndEscapeTakesItAway) {
    E2eRun run(kTitle);
    RunResult r = run.Run(
        "wait\nscreenshot " + run.File("before.png") + "\nrclick 100 100\nwait\nscreenshot " +
        run.File("open.png") + "\nkey Escape\nwait\nscreenshot " + run.File("closed.png") +
        "\nrclick 639 479\nwait\nscreenshot " + run.File("corner.png") + "\nclick 5 5\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(MenuEvents(r),
              (std::vector<std::string>{"menu open", "menu close", "menu open", "menu close"}));
    Shot before = LoadShot(run.File("before.png"));
    Shot open = LoadShot(run.File("open.png"));
    Shot closed = LoadShot(run.File("closed.png"));
    Shot corner = LoadShot(run.File("corner.png"));
    // The outline's corner at the click, the light panel inside it (the gutter, left of the text).
    EXPECT_EQ(open.At(100, 100), kOutline);
    EXPECT_EQ(open.At(104, 104), kPanel);
    EXPECT_EQ(open.At(104, 130), kPanel);
    EXPECT_NE(before.At(104, 104), kPanel);
    // Text is drawn in the panel: dark pixels right of the gutter in the first row.
    bool ink = false;
    for (int x = 123; x < 180; ++x) {
        for (int y = 104; y < 122; ++y) {
            ink = ink || open.At(x, y) == 0;
        }
    }
    EXPECT_TRUE(ink);
    EXPECT_EQ(closed.Area(90, 90, 300, 300), before.Area(90, 90, 300, 300));
    // In the bottom-right corner it opens to the left of and above the point.
    EXPECT_EQ(corner.At(638, 478), kOutline);
    EXPECT_EQ(corner.At(634, 474), kPanel);
}

// The outline pixels on row y right of x0, where a panel's left or right edge stands. The row is
// taken where neither panel has text (a blend of text could match the outline's grey).
int OutlinesOnRow(const Shot& shot, int x0, int y) {
    int n = 0;
    for (int x = x0; x < shot.width; ++x) {
        n += shot.At(x, y) == kOutline ? 1 : 0;
    }
    return n;
}

TEST(SystemMenu, HoverOpensASubmenuAndAClickChooses) {
    // Opened at (100, 100), the rows lie 20 pixels apart from y 103: 設定 second, then a separator
    // of 7 pixels, and "システム確認" last at y 197..216.
    E2eRun run(kTitle);
    RunResult r = run.Run("wait\nrclick 100 100\nwait\nscreenshot " + run.File("top.png") +
                          "\nmove 110 133\nscreenshot " + run.File("sub.png") +
                          "\nclick 110 207\nwait\nkey Return\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    Shot top = LoadShot(run.File("top.png"));
    Shot sub = LoadShot(run.File("sub.png"));
    // One panel: its left and right edges. The submenu beside it covers the parent's right edge
    // and adds its own two.
    EXPECT_EQ(OutlinesOnRow(top, 100, 168), 2);
    EXPECT_EQ(OutlinesOnRow(sub, 100, 168), 3);
    EXPECT_EQ(MenuEvents(r), (std::vector<std::string>{"menu open", "menu close", "command 40002"}));
    ASSERT_EQ(r.Events("dialog").size(), 1u);
    EXPECT_EQ(r.Events("dialog")[0].Get("kind"), "version");
}

TEST(SystemMenu, SettingsChosenWithMenuLandInEnvDat) {
    E2eRun run(kTitle);
    RunResult r = run.Run(
        "wait\nrclick 50 50\nwait\nmenu 40029\nwait\nrclick 50 50\nwait\nmenu 40034\nwait\nrclick 50 50\n"
        "wait\nmenu 40042\nwait\nrclick 50 50\nwait\nmenu 40036\nwait\nrclick 50 50\nwait\nmenu 40031\nwait\n"
        "close\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(MenuEvents(r), (std::vector<std::string>{
                                 "menu open", "menu close", "command 40029", "menu open", "menu close",
                                 "command 40034", "menu open", "menu close", "command 40042", "menu open",
                                 "menu close", "command 40036", "menu open", "menu close", "command 40031"}));
    std::vector<uint8_t> env = ReadBytes(run.Title() + "/save/env.dat");
    ASSERT_GE(env.size(), 64u);
    std::vector<uint8_t> expected(64, 0);
    expected[4] = 1;    // windowed
    expected[12] = 0;   // SE 0%
    expected[14] = 50;  // BGM 50%
    expected[60] = 1;   // forced skip; speed "行表示" is 0 and effects are off
    EXPECT_EQ(std::vector<uint8_t>(env.begin(), env.begin() + 64), expected);
}

TEST(SystemMenu, ReturnToTheTitleAsksAndStartsTheStoryAgain) {
    E2eRun run(kTitle);
    RunResult r = run.Run(
        "wait\nclick 5 5\nwait\nrclick 50 50\nwait\nmenu 40010\nanswer cancel\nwait\nclick 5 5\nwait\n"
        "rclick 50 50\nwait\nmenu 40010\nanswer ok\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(r.TextLines(), (std::vector<std::string>{"first", "second", "third", "first"}));
    std::vector<std::string> boxes;
    for (const TraceEvent& e : r.Events("message")) {
        boxes.push_back(e.Get("caption") + ":" + e.Get("text") + ":" + e.Get("answer"));
    }
    EXPECT_EQ(boxes,
              (std::vector<std::string>{"確認:タイトルに戻ります:cancel", "確認:タイトルに戻ります:ok"}));
}

TEST(SystemMenu, ExitAsksAndEndsTheProgram) {
    E2eRun run(kTitle);
    RunResult r = run.Run(
        "wait\nrclick 50 50\nwait\nmenu 40001\nanswer cancel\nwait\nrclick 50 50\nwait\n"
        "menu 40001\nanswer ok\nwait\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_EQ(r.Events("message").size(), 2u);
    EXPECT_EQ(r.Events("message")[0].Get("text"), "終了します。");
    EXPECT_EQ(r.Events("message")[1].Get("answer"), "ok");
    ASSERT_FALSE(r.Events("exit").empty());
}

TEST(SystemMenu, VersionAndFullScreenCommands) {
    E2eRun run(kTitle);
    RunResult r = run.Run(
        "wait\nrclick 50 50\nwait\nmenu 40002\nwait\nkey Return\nwait\nrclick 50 50\nwait\n"
        "menu 40005\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    ASSERT_EQ(r.Events("dialog").size(), 1u);
    EXPECT_EQ(r.Events("dialog")[0].Get("kind"), "version");
    ASSERT_FALSE(r.Events("display").empty());
    EXPECT_EQ(r.Events("display").back().Get("mode"), "full-screen");
    std::vector<uint8_t> env = ReadBytes(run.Title() + "/save/env.dat");
    ASSERT_GE(env.size(), 8u);
    EXPECT_EQ(env[4], 0);  // windowed 0: full screen is stored
}

TEST(SystemMenu, AChoiceWithoutAMenuOrOfAnUnknownIdFailsClearly) {
    E2eRun run(kTitle);
    RunResult r = run.Run("wait\nmenu 40029\nrclick 50 50\nwait\nmenu 12345\nkey Escape\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_NE(r.stderrText.find("events line 3: menu 40029: no popup menu is open"), std::string::npos)
        << r.stderrText;
    EXPECT_NE(r.stderrText.find("menu 12345: the popup menu has no command 12345"), std::string::npos);
    std::vector<std::string> refused;
    for (const TraceEvent& e : r.Events("menu")) {
        if (e.Get("action") == "refused") {
            refused.push_back(e.Get("id") + ":" + e.Get("reason"));
        }
    }
    EXPECT_EQ(refused, (std::vector<std::string>{"40029:no popup menu is open",
                                                 "12345:the popup menu has no command 12345"}));
    EXPECT_TRUE(r.Events("command").empty());
}

}  // namespace
}  // namespace textreel::testing
