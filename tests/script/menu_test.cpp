// The choice menus: item lines, the table each command builds, and the click that jumps.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/menu.h"
#include "script/menu_lines.h"
#include "support/script_harness.h"

namespace textreel {
namespace {

using testing::ScriptHarness;
using testing::Sj;
using Lines = std::vector<std::string>;

struct AreaCase {
    const char* line;
    bool flagEndsAtComma;
    bool ok;
    MenuEntry entry;
    int32_t flag;
};

TEST(MenuLines, AreaItemsNeedEdgesAndFlagsOfOneToFourCharacters) {
    const AreaCase cases[] = {
        {"(10,20,110,60,start,0)", false, true, {10, 110, 20, 60, "start"}, 0},
        {"  (0,0,9999,-100,a b,7)", false, true, {0, 9999, 0, -100, "a b"}, 7},
        {"(1,2,3,4,gallery,12,)", true, true, {1, 3, 2, 4, "gallery"}, 12},
        {"", false, true, {}, 0},  // an empty line is an empty item
        {"(1,2,3,4,,0)", false, true, {1, 3, 2, 4, ""}, 0},
        {"(12345,2,3,4,a,0)", false, false, {}, 0},
        {"(,2,3,4,a,0)", false, false, {}, 0},
        {"(1,2,3,4,a,00000)", false, false, {}, 0},
        {"(1,2,3,4,a,)", false, false, {}, 0},
        {"(1,2,3,4,a,0", false, false, {}, 0},  // no ")"
        {"(1,2,3,4,a,0)", true, false, {}, 0},  // flagselect wants a comma after the flag
        {"(1,2,3,4)", false, false, {}, 0},
        {"1,2,3,4,a,0", false, false, {}, 0},
        {"selend?", false, false, {}, 0},
    };
    for (const AreaCase& c : cases) {
        MenuItemLine item;
        ASSERT_EQ(ParseAreaItem(c.line, c.flagEndsAtComma, TextEncoding::kShiftJis, item), c.ok) << c.line;
        if (!c.ok) {
            continue;
        }
        EXPECT_EQ(item.entry.left, c.entry.left) << c.line;
        EXPECT_EQ(item.entry.top, c.entry.top) << c.line;
        EXPECT_EQ(item.entry.right, c.entry.right) << c.line;
        EXPECT_EQ(item.entry.bottom, c.entry.bottom) << c.line;
        EXPECT_EQ(item.entry.label, c.entry.label) << c.line;
        EXPECT_EQ(item.flag, c.flag) << c.line;
    }
}

TEST(MenuLines, WordItemsAndTheCuttingOfLongLabelsAndTexts) {
    MenuItemLine item;
    ASSERT_TRUE(ParseWordItem(Sj("(left,0,左へ行く)"), TextEncoding::kShiftJis, item));
    EXPECT_EQ(item.entry.label, "left");
    EXPECT_EQ(item.text, Sj("左へ行く"));
    ASSERT_TRUE(
        ParseWordItem("(x,12,ab", TextEncoding::kShiftJis, item));  // no ")": the text runs to the end
    EXPECT_EQ(item.flag, 12);
    EXPECT_EQ(item.text, "ab");
    EXPECT_FALSE(ParseWordItem("x,0,ab)", TextEncoding::kShiftJis, item));
    EXPECT_FALSE(ParseWordItem("(x,,ab)", TextEncoding::kShiftJis, item));
    EXPECT_FALSE(ParseWordItem("(x,12345,ab)", TextEncoding::kShiftJis, item));
    EXPECT_FALSE(ParseWordItem("(x)", TextEncoding::kShiftJis, item));
    // Labels keep 63 bytes, texts 47, and a two-byte character is never split.
    ASSERT_TRUE(ParseWordItem("(" + std::string(80, 'L') + ",0," + Sj(std::string(30 * 3, 'a')) + ")",
                              TextEncoding::kShiftJis, item));
    EXPECT_EQ(item.entry.label, std::string(63, 'L'));
    EXPECT_EQ(item.text.size(), 47u);
    std::string wide;
    for (int i = 0; i < 30; ++i) {
        wide += Sj("あ");
    }
    ASSERT_TRUE(ParseWordItem("(x,0,a" + wide + ")", TextEncoding::kShiftJis, item));
    EXPECT_EQ(item.text, "a" + wide.substr(0, 46));
}

std::vector<MenuEntry> Table(ScriptHarness& h) {
    return h.engine.menu.Entries();
}

TEST(SelArea, FlagsHideItemsAndEmptyLinesTakeASlot) {
    ScriptHarness h(
        "$eventflag 7\r\n$selarea none.png\r\n(0,0,99,99,a,0)\r\n(0,0,50,50,b,7)\r\n(0,0,50,50,c,8)\r\n\r\n"
        "selend\r\n:a\r\nA\r\n$S\r\n:b\r\nB\r\n$S\r\n");
    h.Start();
    h.WaitIdle();
    std::vector<MenuEntry> table = Table(h);
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table[1].label, "b");
    EXPECT_EQ(table[2].label, "");
    EXPECT_EQ(table[2].right, 0);
    EXPECT_EQ(h.engine.UiState, 1);
    // The missing picture is reported, and the menu still waits.
    EXPECT_EQ(h.platform.Messages(), (Lines{"画像の読み込み失敗"}));
    ASSERT_EQ(h.TraceEvents("choices").size(), 1u);
    EXPECT_NE(
        h.TraceEvents("choices")[0].find(
            R"("kind":"selarea","entries":[{"label":"a","rect":[0,0,99,99]},{"label":"b","rect":[0,0,50,50]},)"),
        std::string::npos)
        << h.TraceEvents("choices")[0];
    // Outside every item nothing happens; overlapping items: the first listed wins.
    EXPECT_FALSE(MenuClick(h.engine, 200, 200));
    EXPECT_EQ(h.engine.UiState, 1);
    EXPECT_TRUE(MenuClick(h.engine, 10, 10));
    h.WaitIdle();
    EXPECT_EQ(h.Lines(), (Lines{"A"}));
    EXPECT_EQ(h.engine.UiState, 0);
}

TEST(SelArea, AMalformedLineKeepsTheItemsBeforeItAndMoreThan48AreDropped) {
    std::string many = "$selarea none.png\r\n";
    for (int i = 0; i < 60; ++i) {
        many += "(" + std::to_string(i) + ",0," + std::to_string(i) + ",0,l" + std::to_string(i) + ",0)\r\n";
    }
    many += "selend\r\n:l47\r\nlast\r\n$S\r\n";
    ScriptHarness h(many);
    h.Start();
    h.WaitIdle();
    ASSERT_EQ(Table(h).size(), 48u);
    EXPECT_TRUE(MenuClick(h.engine, 47, 0));
    h.WaitIdle();
    EXPECT_EQ(h.Lines(), (Lines{"last"}));

    ScriptHarness bad("$selarea none.png\r\n(0,0,9,9,a,0)\r\n(0,0,9,a,0)\r\n(0,0,9,9,c,0)\r\nselend\r\n");
    bad.Start();
    bad.WaitIdle();
    EXPECT_EQ(Table(bad).size(), 1u);
    EXPECT_EQ(bad.platform.Messages(), (Lines{"画像の読み込み失敗", "メニューの範囲指定に誤りがあります"}));
    EXPECT_EQ(bad.engine.UiState, 1);
}

TEST(SelArea, AMenuWithoutItsEndLineWaitsOnWhatItHas) {
    ScriptHarness h("$selarea none.png\r\n(0,0,9,9,go,0)\r\n:go\r\nthere\r\n$S\r\n");
    h.Start();
    h.WaitIdle();
    // The label line and the lines after it are malformed items: the message, and the menu waits.
    EXPECT_EQ(Table(h).size(), 1u);
    EXPECT_TRUE(MenuClick(h.engine, 5, 5));
    h.WaitIdle();
    EXPECT_EQ(h.Lines(), (Lines{"there"}));
}

TEST(SelArea, AClickOnAMissingLabelShowsItAndEndsTheGame) {
    ScriptHarness h("$selarea none.png\r\n(0,0,9,9,lost,0)\r\nselend\r\n");
    h.Start();
    h.WaitIdle();
    EXPECT_TRUE(MenuClick(h.engine, 5, 5));
    EXPECT_EQ(h.platform.Messages().back(), ":lost");
    EXPECT_TRUE(h.engine.Quitting());
}

TEST(SelWord, ButtonsStepDownAndRightAndTheStoryGoesOnAfterTheClick) {
    ScriptHarness h(
        Sj("$eventflag 3\r\n$selword\r\n(a,0,一)\r\n(b,3,二)\r\n(x,4,隠)\r\n(c,0,三)\r\nselend\r\n:c\r\n"
           "三番\r\n$S\r\n"));
    h.Start();
    h.WaitIdle();
    std::vector<MenuEntry> table = Table(h);
    ASSERT_EQ(table.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(table[k].left, 240 + k);
        EXPECT_EQ(table[k].right, 640 + k);
        EXPECT_EQ(table[k].top, 70 + 50 * k);
        EXPECT_EQ(table[k].bottom, 105 + 50 * k);
    }
    EXPECT_EQ(h.engine.MessageDrawn, 1);
    EXPECT_EQ(h.engine.MessageVisible, 1);
    EXPECT_TRUE(MenuClick(h.engine, 300, 180));
    h.WaitIdle();
    EXPECT_EQ(h.Lines(), (Lines{"三番"}));
    Lines jumps = h.TraceEvents("jump");
    ASSERT_EQ(jumps.size(), 1u);
    EXPECT_NE(jumps[0].find("\"label\":\"c\""), std::string::npos);
}

TEST(FlagSelect, ItemsUnlockBySeenPicturesInCgModeAndByRecordFlagsOtherwise) {
    const char* items = "(0,0,9,9,one,0,)\r\n(10,0,19,9,three,3,)\r\n(20,0,29,9,far,22,)\r\n$flagselend\r\n";
    ScriptHarness cg(std::string("$flagselect (a.png,b.png,c.png) CGMODE\r\n") + items);
    cg.engine.persistentFlags.Set(2, 1);   // picture 3 seen
    cg.engine.persistentFlags.Set(44, 1);  // nothing lies there
    cg.Start();
    cg.WaitIdle();
    std::vector<MenuEntry> table = Table(cg);
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table[1].label, "three");

    ScriptHarness rec(std::string("$flagselect (a.png,b.png,c.png)\r\n") + items);
    rec.engine.persistentFlags.Set(2, 1);
    rec.engine.persistentFlags.Set(PersistentFlags::kRecordBase + 3, 1);
    rec.Start();
    rec.WaitIdle();
    ASSERT_EQ(Table(rec).size(), 2u);
    EXPECT_EQ(Table(rec)[1].label, "three");
}

}  // namespace
}  // namespace textreel
