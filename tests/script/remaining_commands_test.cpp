// The remaining commands on the test platform, whose clock jumps to each sleep's deadline.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/address_rule.h"
#include "script/commands.h"
#include "script/interpreter.h"
#include "support/engine_fixture.h"
#include "support/script_harness.h"

namespace textreel {
namespace {

using testing::EngineFixture;
using testing::ScriptHarness;
using testing::Sj;
using Lines = std::vector<std::string>;

InputEvent LeftClick() {
    InputEvent click;
    click.kind = InputEvent::Kind::kButtonUp;
    click.button = InputEvent::kLeftButton;
    click.x = 400;
    click.y = 300;
    return click;
}

TEST(Wait, SleepsItsMillisecondsOnceAndWithoutANumberNotAtAll) {
    ScriptHarness h("$wait 5000\r\nA\r\n$wait\r\n$wait -20\r\nB\r\n$S\r\n");
    h.engine.WaitIconOn = 1;
    h.engine.env.SpeedMs = 0;  // lines at once: the only sleeps are the waits'
    h.Start();
    h.WaitIdle();
    EXPECT_EQ(h.Lines(), (Lines{"A", "B"}));
    EXPECT_EQ(h.platform.FakeTime().NowMs(), 5000);
    // One sleep to the deadline: no polling.
    std::vector<int64_t> sleeps = h.platform.FakeTime().Sleeps();
    EXPECT_EQ(sleeps, (std::vector<int64_t>{5000}));
}

TEST(Wait, ItTurnsTheWaitIconOff) {
    ScriptHarness h("A\r\n$C\r\n$wait 700\r\n$S\r\n");
    h.engine.env.SpeedMs = 0;
    h.Start();
    h.WaitIdle();
    EXPECT_EQ(h.engine.WaitIconOn, 1);
    h.Click();
    EXPECT_EQ(h.engine.WaitIconOn, 0);
    EXPECT_EQ(h.platform.FakeTime().NowMs(), 700);
}

TEST(SyncTiming, WaitsForItsOffsetFromSyncStartHoweverLongTheLinesBetweenTook) {
    ScriptHarness h(
        "$wait 100\r\n$syncstart\r\n$wait 1000\r\n$synctiming 3000\r\nA\r\n$synctiming 500\r\nB\r\n"
        "$syncexit\r\n$S\r\n");
    h.engine.env.SpeedMs = 0;
    h.Start();
    h.WaitIdle();
    EXPECT_EQ(h.Lines(), (Lines{"A", "B"}));
    // 100 before the start, 1000 of waiting, then the rest of 3000; 500 had passed: no sleep.
    EXPECT_EQ(h.platform.FakeTime().NowMs(), 3100);
    EXPECT_EQ(h.platform.FakeTime().Sleeps(), (std::vector<int64_t>{100, 1000, 2000}));
    EXPECT_EQ(h.engine.SyncLock, 0);
}

TEST(SyncLock, LeftClicksAreIgnoredFromSyncStartToSyncExit) {
    ScriptHarness h("$syncstart\r\nA\r\n$S\r\n$syncexit\r\nB\r\n$S\r\nC\r\n");
    h.Start();
    h.WaitIdle();
    EXPECT_EQ(h.engine.SyncLock, 1);
    h.engine.HandleInput(LeftClick());
    h.WaitIdle();
    EXPECT_EQ(h.Lines(), (Lines{"A"}));
    // The scenario itself goes on (here a resume stands for a load or the menu's return).
    h.Click();
    EXPECT_EQ(h.Lines(), (Lines{"A", "B"}));
    EXPECT_EQ(h.engine.SyncLock, 0);
    h.engine.HandleInput(LeftClick());
    h.WaitIdle();
    EXPECT_EQ(h.Lines(), (Lines{"A", "B", "C"}));
}

TEST(Restart, FromALineWithSeveralWaitCodesGoesToTheFirstLineAtOnce) {
    ScriptHarness h("first\r\n$syncstart\r\n$C$S\r\nlast\r\n");
    h.Start();
    h.WaitIdle();
    ASSERT_EQ(h.Lines(), (Lines{"first"}));
    EXPECT_EQ(h.engine.SyncLock, 1);
    h.engine.Restart();
    h.WaitIdle();
    // The stop of the line was left: the story stands at the click wait after its first line.
    EXPECT_EQ(h.Lines(), (Lines{"first", "first"}));
    EXPECT_EQ(h.engine.AutoStoppable, 1);
    EXPECT_TRUE(h.engine.ScriptWaiting());
}

TEST(ExitGame, CancelGoesOnWithTheNextLineAndOkEndsTheProgram) {
    {
        ScriptHarness h("$exit_game\r\nnext\r\n$S\r\n");
        h.platform.SetAnswer(MessageBoxAnswer::kCancel);
        h.Start();
        h.WaitIdle();
        EXPECT_EQ(h.platform.Messages(), (Lines{"終了します。"}));
        EXPECT_EQ(h.Lines(), (Lines{"next"}));
        EXPECT_FALSE(h.engine.Quitting());
    }
    ScriptHarness h("$exit_game\r\nnext\r\n$S\r\n");
    h.Start();
    h.WaitIdle();
    EXPECT_TRUE(h.engine.Quitting());
    EXPECT_TRUE(h.Lines().empty());
}

TEST(StatusCommands, TheyKeepTheirValuesInFlagBlock) {
    EngineFixture f;
    FlagBlock& flags = f.engine.flags;
    CmdStatusWindow(f.engine, "$statuswindow OPEN", 18);
    EXPECT_EQ(flags.PointCounter(20), 1);
    EXPECT_EQ(flags.EventFlag(60), 1);
    CmdStatusWindow(f.engine, "$statuswindow CLOSE", 19);
    EXPECT_EQ(flags.PointCounter(20), 0);

    flags.SetPointCounter(2, 10);
    flags.SetPointCounter(4, 3);
    CmdStatusCtrl(f.engine, "$statusctrl 1", 13);
    EXPECT_EQ(flags.PointCounter(2), 120);
    CmdStatusCtrl(f.engine, "$statusctrl 2", 13);
    EXPECT_EQ(flags.PointCounter(2), 120);

    std::string title = Sj("$statetitle 第二章　海へ");
    CmdStateTitle(f.engine, title.c_str(), static_cast<int>(title.size()));
    EXPECT_EQ(flags.Text(FlagBlock::kTitle, FlagBlock::kTitleSize), Sj(" 第二章　海へ"));
    std::string longTitle = "$statetitle " + std::string(80, 'x');
    CmdStateTitle(f.engine, longTitle.c_str(), static_cast<int>(longTitle.size()));
    EXPECT_EQ(flags.Text(FlagBlock::kTitle, FlagBlock::kTitleSize), " " + std::string(48, 'x'));
    CmdStateTitle(f.engine, "$statetitle", 11);
    EXPECT_EQ(flags.Text(FlagBlock::kTitle, FlagBlock::kTitleSize), "");
}

TEST(AddressRule, OnlyWebAndMailAddressesAreOpened) {
    struct Case {
        const char* address;
        bool opened;
    };
    const Case cases[] = {
        {"http://example.com/", true},
        {"https://example.com/a?b=c#d", true},
        {"HTTPS://EXAMPLE.COM", true},
        {"mailto:someone@example.com", true},
        {"MailTo:someone@example.com?subject=hi", true},
        {"", false},
        {"file:///etc/passwd", false},
        {"/usr/bin/xterm", false},
        {"calc.exe", false},
        {"C:\\Windows\\system32\\cmd.exe", false},
        {"javascript:alert(1)", false},
        {"ftp://example.com/", false},
        {"http:example.com", false},
        {"http://", false},
        {"http:///etc/passwd", false},
        {"mailto:", false},
        {"https://example.com/ --new-window", false},
        {"https://example.com/\x01", false},
        {" https://example.com/", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AddressRefusal(c.address) == nullptr, c.opened) << c.address;
    }
}

// A mail address keeps only its subject and body; other addresses go out as written.
TEST(UrlOpen, AMailAddressKeepsOnlyItsSubjectAndBody) {
    const struct Case {
        const char* address;
        const char* handed;
    } cases[] = {
        {"mailto:a@example.com", "mailto:a@example.com"},
        {"mailto:a@example.com?subject=hi&body=x", "mailto:a@example.com?subject=hi&body=x"},
        {"mailto:a@example.com?attach=/home/u/.ssh/id_rsa&body=x", "mailto:a@example.com?body=x"},
        {"MAILTO:a@example.com?Cc=b@example.com&Subject=hi&attachment=f&BODY=y",
         "MAILTO:a@example.com?Subject=hi&BODY=y"},
        {"mailto:a@example.com?bcc=b@example.com", "mailto:a@example.com"},
        {"https://example.com/?attach=x&subject=y", "https://example.com/?attach=x&subject=y"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AddressForDesktop(c.address), c.handed) << c.address;
    }
}

TEST(UrlOpen, ARefusedAddressIsToldOnTheTraceAndFullScreenOpensNothing) {
    ScriptHarness h("$URLOpen file:///etc/passwd\r\n$URLOpen https://example.com/  \r\n$S\r\n");
    h.Start();
    h.WaitIdle();
    ASSERT_EQ(h.TraceEvents("refused").size(), 1u);
    EXPECT_NE(h.TraceEvents("refused")[0].find("\"path\":\"file:///etc/passwd\""), std::string::npos);
    ASSERT_EQ(h.TraceEvents("url").size(), 1u);
    EXPECT_NE(h.TraceEvents("url")[0].find("\"path\":\"https://example.com/\""), std::string::npos);

    ScriptHarness full("$URLOpen https://example.com/\r\n$S\r\n");
    full.engine.env.windowed = 0;
    full.Start();
    full.WaitIdle();
    EXPECT_EQ(full.platform.Messages(), (Lines{"ウインドウ状態でご利用ください。"}));
    EXPECT_TRUE(full.TraceEvents("url").empty());
}

TEST(DispatchTable, TheRemainingCommandsReachTheirHandlers) {
    const std::pair<const char*, CommandHandler> expected[] = {
        {"$wait 10", &CmdWait},
        {"$syncstart", &CmdSyncStart},
        {"$syncexit", &CmdSyncExit},
        {"$synctiming 10", &CmdSyncTiming},
        {"$statuswindow OPEN", &CmdStatusWindow},
        {"$commandopen", &CmdCommandOpen},
        {"$statusctrl 1", &CmdStatusCtrl},
        {"$stuffroll", &CmdStuffRoll},
        {"$statetitle x", &CmdStateTitle},
        {"$URLOpen https://a.b/", &CmdURLOpen},
        {"$exit_game", &CmdExitGame},
    };
    for (const auto& [line, handler] : expected) {
        const CommandEntry* entry = FindCommand(line);
        ASSERT_NE(entry, nullptr) << line;
        EXPECT_EQ(entry->handler, handler) << line;
    }
}

TEST(SkipMode, ThePageReachesTheWindowOncePerFrameAndTheLastPageWhenSkippingStops) {
    std::string text;
    for (int i = 0; i < 60; ++i) {
        text += "line " + std::to_string(i) + "\r\n$C\r\n";
    }
    text += "$S\r\n";
    ScriptHarness h(text);
    h.engine.env.ForcedSkip = 1;
    h.engine.env.SpeedMs = 0;
    h.engine.AdvanceMode = 1;
    h.Start();
    h.WaitIdle();
    ASSERT_EQ(h.Lines().size(), 60u);
    // The test clock stands still while lines are drawn: one frame, so one copy while skipping and
    // one for the page the stop shows.
    EXPECT_LE(h.platform.Copies().size(), 3u);
    std::vector<uint8_t> rgb;
    int w = 0;
    int height = 0;
    h.platform.ReadWindow(rgb, w, height);
    ASSERT_EQ(w, 800);
    int differing = 0;
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 800; ++x) {
            const uint8_t* p = rgb.data() + (static_cast<size_t>(y) * 800 + x) * 3;
            uint32_t shown = p[0] | (p[1] << 8) | (p[2] << 16);
            if (shown != EngineFixture::Pixel(h.engine.graphics.ScreenSurface, x, y)) {
                ++differing;
            }
        }
    }
    EXPECT_EQ(differing, 0);
}

}  // namespace
}  // namespace textreel
