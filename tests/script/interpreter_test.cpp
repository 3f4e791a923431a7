#include "script/interpreter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "script/commands.h"
#include "support/engine_fixture.h"
#include "support/script_harness.h"

namespace textreel {
namespace {

using testing::ScriptHarness;
using testing::Sj;
using Lines = std::vector<std::string>;

const char* Keyword(const char* line) {
    const CommandEntry* entry = FindCommand(line);
    return entry == nullptr ? "" : entry->keyword;
}

TEST(Dispatch, KeywordsAreTestedInTheirFixedOrderAnywhereInTheLine) {
    EXPECT_STREQ(Keyword("$imgblt bg\\01.png"), "imgblt");
    EXPECT_STREQ(Keyword("$ccblt bg\\01.png"), "ccblt");
    EXPECT_STREQ(Keyword("$blt(0,0,10,10,0,0)"), "blt");
    // A keyword inside an argument captures the line when it comes first in the order.
    EXPECT_STREQ(Keyword("$talk voice\\wave01.ogg"), "wave");
    EXPECT_STREQ(Keyword("$sprite 0 100 cg\\fill.png"), "fill");
    EXPECT_STREQ(Keyword("$imgblt cg\\jmp.png"), "jmp");
    EXPECT_STREQ(Keyword("$setfontcolor FF0000"), "setfontcolor");
    EXPECT_STREQ(Keyword("$windowclose"), "windowclose");
    EXPECT_STREQ(Keyword("$flagselect (a,b,c)"), "flagselect");
    EXPECT_STREQ(Keyword("$eventjudge 1 x"), "eventjudge");
    EXPECT_STREQ(Keyword("$nothing here"), "");
}

TEST(Dispatch, TheTableHoldsAllFortyEightKeywordsOnce) {
    int count = 0;
    const CommandEntry* table = CommandTable(count);
    ASSERT_EQ(count, 48);
    for (int i = 0; i < count; ++i) {
        for (int j = i + 1; j < count; ++j) {
            EXPECT_STRNE(table[i].keyword, table[j].keyword);
        }
        // Each keyword reaches its own entry unless an earlier keyword is part of it.
        std::string line = std::string("$") + table[i].keyword;
        const CommandEntry* found = FindCommand(line.c_str());
        ASSERT_NE(found, nullptr);
        EXPECT_TRUE(found == &table[i] || std::strstr(table[i].keyword, found->keyword) != nullptr)
            << table[i].keyword;
    }
}

TEST(PlayerNameToken, OnlyTheFirstTokenIsReplaced) {
    char line[kLineBufferSize] = {};
    std::string text = Sj("＊＊＊は言った。＊＊＊");
    std::memcpy(line, text.data(), text.size());
    int length = ReplacePlayerNameToken(line, static_cast<int>(text.size()), Sj("青葉"));
    EXPECT_EQ(std::string(line, static_cast<size_t>(length)), Sj("青葉は言った。＊＊＊"));
}

TEST(PlayerNameToken, TheLineStaysWithinItsBuffer) {
    char line[kLineBufferSize] = {};
    std::string text(1017, 'a');
    text += Sj("＊＊＊");
    std::memcpy(line, text.data(), text.size());
    int length = ReplacePlayerNameToken(line, static_cast<int>(text.size()), "0123456789");
    EXPECT_EQ(length, kLineMax);
    EXPECT_EQ(line[kLineMax], '\0');
    EXPECT_EQ(std::string(line + 1017, 6), "012345");
}

TEST(Interpreter, LinesAppearOneClickAtATime) {
    ScriptHarness h("one\r\n$C\r\ntwo\r\n$C\r\nthree\r\n");
    h.Start();
    h.WaitIdle();
    EXPECT_EQ(h.Lines(), (Lines{"one"}));
    EXPECT_TRUE(h.engine.ScriptWaiting());
    EXPECT_EQ(h.engine.WaitIconOn, 1);
    h.Click();
    EXPECT_EQ(h.Lines(), (Lines{"one", "two"}));
    h.Click();
    EXPECT_EQ(h.Lines(), (Lines{"one", "two", "three"}));
    // The end of the scenario closes the program.
    EXPECT_TRUE(h.engine.Quitting());
}

TEST(Interpreter, AWaitCodeTakesTheWholeLineAndAClickWaitThenAStopWaitTwice) {
    ScriptHarness h("shown $C\r\n$C$S\r\nafter\r\n");
    h.Start();
    h.WaitIdle();
    EXPECT_TRUE(h.Lines().empty());
    h.Click();
    EXPECT_TRUE(h.engine.ScriptWaiting());
    EXPECT_EQ(h.engine.AutoStoppable, 1);
    h.Click();
    // Now at the stop: a click while it is pending does not end auto mode.
    EXPECT_EQ(h.engine.AutoStoppable, 0);
    EXPECT_TRUE(h.Lines().empty());
    h.Click();
    EXPECT_EQ(h.Lines(), (Lines{"after"}));
}

TEST(Interpreter, ACommentLineWithAWaitCodeStillWaits) {
    ScriptHarness h(";note $W\r\nB\r\n");
    h.Start();
    h.WaitIdle();
    EXPECT_TRUE(h.engine.ScriptWaiting());
    EXPECT_EQ(h.engine.WaitIconOn, 0);  // $W waits without the icon
    h.Click();
    EXPECT_EQ(h.Lines(), (Lines{"B"}));
}

TEST(Interpreter, LabelsAndCommentsAreNeverShown) {
    ScriptHarness h(":label\r\n;comment\r\n\r\ntext\r\n");
    h.Start();
    h.WaitIdle();
    EXPECT_EQ(h.Lines(), (Lines{"text"}));
}

TEST(Interpreter, AnUnknownCommandShowsItsBoxAndTheStoryGoesOn) {
    ScriptHarness h("$nonsense 1\r\nnext\r\n");
    h.Start();
    h.WaitIdle();
    EXPECT_EQ(h.platform.Messages(), (Lines{"認識できないコマンドです"}));
    EXPECT_EQ(h.Lines(), (Lines{"next"}));
}

TEST(Interpreter, ThePlayerNameReplacesTheTokenInTheLineAndTheBacklog) {
    ScriptHarness h(Sj("＊＊＊です。＊＊＊\r\n$S\r\n"));
    h.engine.flags.SetText(FlagBlock::kPlayerName, FlagBlock::kPlayerNameSize, Sj("青葉"));
    h.Start();
    h.WaitIdle();
    EXPECT_EQ(h.Lines(), (Lines{"青葉です。＊＊＊"}));
    EXPECT_EQ(h.engine.backlog.Slot(0), Sj("青葉です。＊＊＊"));
}

TEST(Interpreter, SkipStopsAtUnreadTextUnlessForcedSkipIsOn) {
    const std::string text = "A\r\n$C\r\nB\r\n$C\r\nC\r\n$C\r\nD\r\n";
    for (int forced : {0, 1}) {
        ScriptHarness h(text);
        // The player has read up to and including line B before.
        std::vector<uint8_t> marks(text.find("$C\r\nC"), 1);
        h.engine.scenario.SetMarks(marks.data(), marks.size());
        h.engine.env.ForcedSkip = forced;
        h.engine.env.SpeedMs = 40;
        h.engine.savedSpeedMs = 40;
        h.engine.AdvanceMode = 1;
        h.engine.env.SpeedMs = 0;
        h.Start();
        h.WaitIdle();
        if (forced == 0) {
            // Line B was read and skipped over; the wait before the unread line C holds.
            EXPECT_EQ(h.Lines(), (Lines{"A", "B"}));
            EXPECT_EQ(h.engine.AdvanceMode, 0);
            EXPECT_EQ(h.engine.env.SpeedMs, 40);
            EXPECT_TRUE(h.engine.ScriptWaiting());
        } else {
            EXPECT_EQ(h.Lines(), (Lines{"A", "B", "C", "D"}));
            EXPECT_EQ(h.engine.AdvanceMode, 1);
        }
    }
}

TEST(Interpreter, AStopEndsSkipModeButNotAutoMode) {
    ScriptHarness h("$S\r\nA\r\n$S\r\nB\r\n$S\r\n");
    h.Start();
    h.WaitIdle();
    h.engine.StartSkipMode();
    h.WaitIdle();
    EXPECT_EQ(h.engine.AdvanceMode, 0);
    EXPECT_EQ(h.Lines(), (Lines{"A"}));
    h.engine.StartAutoMode();
    h.WaitIdle();
    EXPECT_EQ(h.engine.AdvanceMode, 3);
    EXPECT_EQ(h.Lines(), (Lines{"A", "B"}));
}

TEST(Interpreter, AutoModePassesClickWaits) {
    ScriptHarness h("A\r\n$C\r\nB\r\n$P\r\nC\r\n$S\r\n");
    h.engine.AdvanceMode = 3;
    h.Start();
    h.WaitIdle();
    EXPECT_EQ(h.Lines(), (Lines{"A", "B", "C"}));
    // Each passed wait point costs half a second after the voice.
    int halfSeconds = 0;
    for (int64_t ms : h.platform.FakeTime().Sleeps()) {
        halfSeconds += ms == 500 ? 1 : 0;
    }
    EXPECT_EQ(halfSeconds, 2);
}

TEST(Interpreter, TheFiveThousandAndFirstLineGoesToSlotZero) {
    Backlog backlog;
    for (int i = 0; i < Backlog::kSlots; ++i) {
        std::string line = "line " + std::to_string(i);
        backlog.Add(line.c_str(), static_cast<int>(line.size()));
    }
    EXPECT_EQ(backlog.Next(), 5000);
    std::string last(100, 'x');
    backlog.Add(last.c_str(), static_cast<int>(last.size()));
    EXPECT_EQ(backlog.Next(), 1);
    EXPECT_EQ(backlog.Slot(0), std::string(80, 'x'));
    EXPECT_EQ(backlog.Slot(1), "line 1");
}

TEST(Interpreter, RestartStartsTheScenarioAgainFromItsFirstLine) {
    ScriptHarness h("first\r\n$C\r\nsecond\r\n$C\r\n");
    h.Start();
    h.WaitIdle();
    h.Click();
    EXPECT_EQ(h.Lines(), (Lines{"first", "second"}));
    h.engine.Restart();
    h.WaitIdle();
    EXPECT_EQ(h.Lines(), (Lines{"first", "second", "first"}));
    EXPECT_EQ(h.engine.ResetRequest, 0);
    EXPECT_EQ(h.engine.UiState, 0);
}

TEST(Interpreter, ClosingEndsASuspendedScriptThread) {
    ScriptHarness h("$S\r\n");
    h.Start();
    h.WaitIdle();
    h.engine.RequestClose();
    // The harness's destructor joins the thread; reaching the end of the test proves it ended.
    EXPECT_TRUE(h.engine.Quitting());
}

}  // namespace
}  // namespace textreel

namespace textreel {
namespace {

TEST(Jumps, AJumpGoesToTheLineAfterTheLabelAndCanReturn) {
    testing::ScriptHarness h(
        "$jmp sub return back here\r\nskipped\r\n:sub\r\nin sub\r\n$returnto\r\n:back "
        "here\r\nback\r\n$S\r\n");
    h.engine.text.TextCursor.Set(300, 500);
    h.Start();
    h.WaitIdle();
    EXPECT_EQ(h.Lines(), (std::vector<std::string>{"in sub", "back"}));
    EXPECT_EQ(h.engine.flags.Text(FlagBlock::kReturnLabel, FlagBlock::kReturnLabelSize), "");
}

TEST(Jumps, AMissingLabelShowsWhatWasSoughtAndEndsTheGame) {
    testing::ScriptHarness h("$jmp shop return back\r\nnever\r\n");
    h.Start();
    h.WaitIdle();
    EXPECT_EQ(h.platform.Messages(), (std::vector<std::string>{":shop return back"}));
    EXPECT_TRUE(h.Lines().empty());
    EXPECT_TRUE(h.engine.Quitting());
}

TEST(Jumps, TheEndMarkClosesTheWindowEvenAfterAJumpOnTheLastLine) {
    testing::ScriptHarness h(":top\r\nline\r\n$jmp top");
    h.Start();
    h.WaitIdle();
    EXPECT_EQ(h.Lines(), (std::vector<std::string>{"line"}));
    EXPECT_TRUE(h.platform.Messages().empty());
    EXPECT_TRUE(h.engine.Quitting());
}

TEST(Jumps, ALabelOnTheLastLineWithoutLineEndCannotBeReached) {
    testing::ScriptHarness h("$jmp end\r\nskipped\r\n:end");
    h.Start();
    h.WaitIdle();
    EXPECT_EQ(h.platform.Messages(), (std::vector<std::string>{":end"}));
    EXPECT_TRUE(h.engine.Quitting());
}

TEST(Jumps, ReturnToWithoutAReturnLabelDoesNothing) {
    testing::ScriptHarness h("$returnto\r\nnext\r\n");
    h.Start();
    h.WaitIdle();
    EXPECT_EQ(h.Lines(), (std::vector<std::string>{"next"}));
    EXPECT_TRUE(h.platform.Messages().empty());
}

}  // namespace
}  // namespace textreel

namespace textreel {
namespace {

TEST(RecNameLoad, TakesTheNameFromSlotOneOrTheDefault) {
    testing::EngineFixture f;
    CmdRecNameLoad(f.engine, "$RecNameLoad", 12);
    EXPECT_EQ(f.engine.flags.PlayerName(), testing::Sj("青葉"));
    std::vector<uint8_t> slot(FlagBlock::kSize, 0);
    std::string name = testing::Sj("ゆうき");
    std::copy(name.begin(), name.end(), slot.begin() + FlagBlock::kPlayerName);
    slot[0] = 0x55;  // nothing else of the file is used
    f.title.Write("save/save01.sav", slot);
    CmdRecNameLoad(f.engine, "$RecNameLoad", 12);
    EXPECT_EQ(f.engine.flags.PlayerName(), name);
    EXPECT_EQ(f.engine.flags.U32(0), 0u);
    // A name filling the whole field without its zero byte is cut to the field.
    std::fill(slot.begin() + FlagBlock::kPlayerName, slot.begin() + FlagBlock::kReturnLabel + 5, 'n');
    f.title.Write("save/save01.sav", slot);
    CmdRecNameLoad(f.engine, "$RecNameLoad", 12);
    EXPECT_EQ(f.engine.flags.PlayerName(), std::string(10, 'n'));
}

}  // namespace
}  // namespace textreel

namespace textreel {
namespace {

int32_t PointAfter(int32_t before, const char* line, int counter = 3) {
    testing::EngineFixture f;
    f.engine.flags.SetPointCounter(counter, before);
    CmdPointFlag(f.engine, line, static_cast<int>(std::strlen(line)));
    return f.engine.flags.PointCounter(counter);
}

TEST(PointFlag, AddsClampsAtZeroAndResets) {
    EXPECT_EQ(PointAfter(3, "$pointflag 3 -5"), 0);
    EXPECT_EQ(PointAfter(7, "$pointflag 3 -5"), 2);
    EXPECT_EQ(PointAfter(7, "$pointflag 3 10"), 17);
    EXPECT_EQ(PointAfter(7, "$pointflag 3 reset"), 0);
    EXPECT_EQ(PointAfter(7, "$pointflag 3  5"), 7);  // a second blank: the number is 0
    EXPECT_EQ(PointAfter(INT32_MAX - 1, "$pointflag 3 10"), INT32_MAX);
    // The second field ends at byte 21 of the line.
    EXPECT_EQ(PointAfter(0, "$pointflag 3 1234567890"), 123456789);
}

TEST(PointFlag, CountersOutsideTheBlockAreNeverWritten) {
    testing::EngineFixture f;
    std::array<uint8_t, FlagBlock::kSize> before = f.engine.flags.bytes;
    CmdPointFlag(f.engine, "$pointflag 23 5", 15);
    CmdPointFlag(f.engine, "$pointflag -1 5", 15);
    CmdPointFlag(f.engine, "$pointflag 99999 5", 18);
    EXPECT_EQ(f.engine.flags.bytes, before);
    // Counter 22 is the second sprite value: writing it is allowed, as the layout shares the cell.
    CmdPointFlag(f.engine, "$pointflag 22 5", 15);
    EXPECT_EQ(f.engine.flags.U32(FlagBlock::kSpriteValues + 4), 5u);
}

}  // namespace
}  // namespace textreel
