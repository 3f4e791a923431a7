// The flag and point commands: the fixed-offset field cutting, the shared cells, the judges' jumps
// and the guards that keep every index inside FlagBlock and PersistentFlags.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "script/commands.h"
#include "script/flag_fields.h"
#include "script/script_random.h"
#include "support/engine_fixture.h"
#include "support/script_harness.h"

namespace textreel {
namespace {

using testing::EngineFixture;
using testing::ScriptHarness;
using Lines = std::vector<std::string>;

struct FieldCase {
    const char* line;
    size_t firstStart;
    size_t lastEnd;
    int32_t first;
    int32_t second;
    const char* afterFirst;   // the line from afterFirst on
    const char* afterSecond;  // the line from afterSecond on
};

TEST(FlagFields, NumbersAreCutAtFixedOffsets) {
    const FieldCase cases[] = {
        {"$pointflag 3 -5", 11, 21, 3, -5, "-5", ""},
        {"$pointflag 3 reset", 11, 21, 3, 0, "reset", ""},
        // A second blank right after the first number's blank: the second number is 0.
        {"$pointflag 3  5", 11, 21, 3, 0, " 5", "5"},
        // The second number's last byte is at offset 21 at the latest.
        {"$pointflag 3 1234567890", 11, 21, 3, 123456789, "1234567890", ""},
        // The first number is read from at most 5 bytes but ends at its blank.
        {"$pointflag 1234567 8", 11, 21, 12345, 8, "8", ""},
        {"$pointjudge 3 5 win", 12, 20, 3, 5, "5 win", "win"},
        {"$pointjudge 3 0 a b", 12, 20, 3, 0, "0 a b", "a b"},
        {"$pointjudge 3 -1 x", 12, 20, 3, -1, "-1 x", "x"},
        {"$pointjudge 3 abc x", 12, 20, 3, 0, "abc x", "x"},
        {"$pointjudge 3 123456789 x", 12, 20, 3, 1234567, "123456789 x", "x"},
        {"$eventjudge 7 route", 12, 12, 7, 0, "route", ""},
        {"$random 2 1000", 8, 16, 2, 1000, "1000", ""},
        {"$random 2 1", 8, 16, 2, 1, "1", ""},
        {"$random", 8, 16, 0, 0, "", ""},
        {"$random 5", 8, 16, 5, 0, "", ""},
    };
    for (const FieldCase& c : cases) {
        NumberFields f = CutNumberFields(c.line, c.firstStart, c.lastEnd);
        EXPECT_EQ(f.first, c.first) << c.line;
        EXPECT_EQ(f.second, c.second) << c.line;
        EXPECT_STREQ(c.line + f.afterFirst, c.afterFirst) << c.line;
        EXPECT_STREQ(c.line + f.afterSecond, c.afterSecond) << c.line;
    }
}

void RunLine(Engine& e, const char* line, void (*command)(Engine&, const char*, int)) {
    command(e, line, static_cast<int>(std::strlen(line)));
}

TEST(FlagCommands, EventFlagsShareTheirCellsWithThePointCounters) {
    EngineFixture f;
    RunLine(f.engine, "$eventflag 45", &CmdEventFlag);
    EXPECT_EQ(f.engine.flags.PointCounter(5), 1);
    RunLine(f.engine, "$eventflag 7", &CmdEventFlag);
    EXPECT_EQ(f.engine.flags.EventFlag(7), 1);
    RunLine(f.engine, "$eventflag 7 reset", &CmdEventFlag);
    EXPECT_EQ(f.engine.flags.EventFlag(7), 0);
    // Event flag 60 is counter 20, the status window flag.
    RunLine(f.engine, "$eventflag 60", &CmdEventFlag);
    EXPECT_EQ(f.engine.flags.U32(FlagBlock::kStatusWindow), 1u);
    RunLine(f.engine, "$pointflag 3 9", &CmdPointFlag);
    RunLine(f.engine, "$flagreset", &CmdFlagReset);
    EXPECT_EQ(f.engine.flags.bytes, FlagBlock{}.bytes);
}

TEST(FlagCommands, IndexesOutsideTheLayoutAreNeverWrittenAndReadAsZero) {
    EngineFixture f;
    const std::array<uint8_t, FlagBlock::kSize> before = f.engine.flags.bytes;
    for (const char* line : {"$eventflag -1", "$eventflag 63", "$eventflag 99999", "$eventflag 2147483647"}) {
        RunLine(f.engine, line, &CmdEventFlag);
    }
    for (const char* line : {"$random -1 5", "$random 23 5", "$random 9999 5"}) {
        RunLine(f.engine, line, &CmdRandom);
    }
    EXPECT_EQ(f.engine.flags.bytes, before);
    EXPECT_EQ(f.engine.flags.EventFlag(63), 0);
    EXPECT_EQ(f.engine.flags.PointCounter(-3), 0);
    // Record flags past 19 and negative ones change nothing, but env.dat is still written.
    RunLine(f.engine, "$recflag 20", &CmdRecFlag);
    RunLine(f.engine, "$recflag -1", &CmdRecFlag);
    for (int i = 0; i < PersistentFlags::kSize; ++i) {
        EXPECT_EQ(f.engine.persistentFlags.Get(i), 0) << i;
    }
    EXPECT_TRUE(f.title.Exists("save/env.dat"));
}

TEST(FlagCommands, RandomIgnoresRangesOutsideOneTo999) {
    EngineFixture f;
    f.engine.flags.SetPointCounter(2, 77);
    RunLine(f.engine, "$random 2 1000", &CmdRandom);
    EXPECT_EQ(f.engine.flags.PointCounter(2), 77);
    RunLine(f.engine, "$random 2 0", &CmdRandom);
    EXPECT_EQ(f.engine.flags.PointCounter(2), 77);
    RunLine(f.engine, "$random 2 1", &CmdRandom);
    EXPECT_EQ(f.engine.flags.PointCounter(2), 0);
    for (int i = 0; i < 50; ++i) {
        f.platform.FakeTime().Advance(1);
        RunLine(f.engine, "$random 4 999", &CmdRandom);
        EXPECT_GE(f.engine.flags.PointCounter(4), 0);
        EXPECT_LE(f.engine.flags.PointCounter(4), 998);
    }
}

// Six hundred throws of a die: every face comes up, none takes more than a third of the throws.
TEST(FlagCommands, RandomDrawsEveryValueEvenlyFromOneGenerator) {
    EngineFixture f;
    int counts[6] = {};
    for (int i = 0; i < 600; ++i) {
        RunLine(f.engine, "$random 4 6", &CmdRandom);
        int32_t value = f.engine.flags.PointCounter(4);
        ASSERT_GE(value, 0);
        ASSERT_LE(value, 5);
        ++counts[value];
    }
    for (int face = 0; face < 6; ++face) {
        EXPECT_GT(counts[face], 0) << face;
        EXPECT_LE(counts[face], 200) << face;
    }
}

TEST(ScriptRandom, ASeedRepeatsItsDrawsAndAnotherSeedDiffers) {
    auto draws = [](ScriptRandom generator) {
        std::vector<int32_t> out;
        for (int i = 0; i < 40; ++i) {
            out.push_back(generator.Draw(6));
        }
        return out;
    };
    EXPECT_EQ(draws(ScriptRandom(7)), draws(ScriptRandom(7)));
    EXPECT_NE(draws(ScriptRandom(7)), draws(ScriptRandom(8)));
    // Two generators seeded from the entropy source, as two runs without --seed are.
    EXPECT_NE(draws(ScriptRandom()), draws(ScriptRandom()));
    // Reseeding starts the sequence again.
    ScriptRandom reseeded(1);
    reseeded.Draw(6);
    reseeded.Seed(7);
    EXPECT_EQ(draws(reseeded), draws(ScriptRandom(7)));
}

// The largest range: draws reach both ends and stay inside.
TEST(ScriptRandom, DrawsCoverTheWholeRange) {
    ScriptRandom generator(3);
    int32_t low = 999;
    int32_t high = -1;
    for (int i = 0; i < 20000; ++i) {
        int32_t v = generator.Draw(999);
        low = std::min(low, v);
        high = std::max(high, v);
    }
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 998);
    EXPECT_EQ(ScriptRandom(5).Draw(1), 0);
}

TEST(FlagCommands, RecFlagPersistsFlagsOneToNineteenInEnvDat) {
    EngineFixture f;
    RunLine(f.engine, "$recflag 5", &CmdRecFlag);
    f.engine.FlushEnvDat();
    EXPECT_EQ(f.engine.persistentFlags.Get(28), 1);
    std::vector<uint8_t> dat = f.title.Read("save/env.dat");
    ASSERT_GE(dat.size(), 64u);
    // Record flag N is byte 38 + N - 1 of the settings record.
    EXPECT_EQ(dat[42], 1);
    RunLine(f.engine, "$recflag 5 reset", &CmdRecFlag);
    f.engine.FlushEnvDat();
    EXPECT_EQ(f.engine.persistentFlags.Get(28), 0);
    EXPECT_EQ(f.title.Read("save/env.dat")[42], 0);
    // Record flag 0 lives only in memory.
    RunLine(f.engine, "$recflag 0", &CmdRecFlag);
    f.engine.FlushEnvDat();
    EXPECT_EQ(f.engine.persistentFlags.Get(23), 1);
    dat = f.title.Read("save/env.dat");
    EXPECT_EQ(std::vector<uint8_t>(dat.begin() + 38, dat.begin() + 57), std::vector<uint8_t>(19, 0));
}

struct JudgeCase {
    const char* setup;  // a line run before the judge
    const char* judge;
    bool jumps;
};

TEST(Judges, JumpWhenTheirConditionHolds) {
    const JudgeCase cases[] = {
        {"$pointflag 3 4", "$pointjudge 3 0 yes", true},
        {"$flagreset", "$pointjudge 3 0 yes", true},
        {"$pointflag 3 4", "$pointjudge 3 5 yes", false},
        {"$pointflag 3 5", "$pointjudge 3 5 yes", true},
        {"$pointflag 3 9", "$pointjudge 3 5 yes", true},
        // Unsigned: a negative value is never reached, a non-numeric one always.
        {"$pointflag 3 9", "$pointjudge 3 -1 yes", false},
        {"$flagreset", "$pointjudge 3 x yes", true},
        {"$eventflag 4", "$eventjudge 4 yes", true},
        {"$flagreset", "$eventjudge 4 yes", false},
        {"$pointflag 1 1", "$eventjudge 41 yes", true},
        {"$pointflag 1 2", "$eventjudge 41 yes", false},  // exactly 1
    };
    for (const JudgeCase& c : cases) {
        ScriptHarness h(std::string(c.setup) + "\r\n" + c.judge + "\r\nno\r\n$S\r\n:yes\r\nyes\r\n$S\r\n");
        h.Start();
        h.WaitIdle();
        EXPECT_EQ(h.Lines(), (Lines{c.jumps ? "yes" : "no"})) << c.setup << " / " << c.judge;
        EXPECT_EQ(h.TraceEvents("jump").size(), c.jumps ? 1u : 0u) << c.judge;
    }
}

TEST(Judges, TheLabelIsTheRestOfTheLineAndAMissingOneEndsTheGame) {
    ScriptHarness h("$eventflag 2\r\n$eventjudge 2 far away\r\nno\r\n:far away\r\nthere\r\n$S\r\n");
    h.Start();
    h.WaitIdle();
    EXPECT_EQ(h.Lines(), (Lines{"there"}));
    ScriptHarness missing("$pointjudge 1 0 nowhere to go\r\nno\r\n");
    missing.Start();
    missing.WaitIdle();
    EXPECT_EQ(missing.platform.Messages(), (Lines{":nowhere to go"}));
    EXPECT_TRUE(missing.Lines().empty());
    EXPECT_TRUE(missing.engine.Quitting());
}

TEST(FlowJumps, AReturnLabelKeepsItsBlanksAndEveryJumpIsTraced) {
    ScriptHarness h(
        "$jmp a return b c\r\nskipped\r\n:a\r\nin a\r\n$returnto\r\nskipped\r\n:b c\r\nback\r\n$S\r\n");
    h.Start();
    h.WaitIdle();
    EXPECT_EQ(h.Lines(), (Lines{"in a", "back"}));
    Lines jumps = h.TraceEvents("jump");
    ASSERT_EQ(jumps.size(), 2u);
    EXPECT_NE(jumps[0].find("\"label\":\"a\""), std::string::npos) << jumps[0];
    EXPECT_NE(jumps[1].find("\"label\":\"b c\""), std::string::npos) << jumps[1];
}

TEST(FlowJumps, TheReturnLabelIsStoredBeforeReturnTo) {
    EngineFixture f;
    std::string text = "$jmp a return b c\r\n:a\r\nx\r\n:b c\r\ny\r\n";
    f.engine.scenario.LoadBytes(std::vector<uint8_t>(text.begin(), text.end()));
    RunLine(f.engine, "$jmp a return b c", &CmdJmp);
    EXPECT_EQ(f.engine.flags.Text(FlagBlock::kReturnLabel, FlagBlock::kReturnLabelSize), ":b c");
    // A return label over 63 bytes is cut to the field.
    std::string longLine = "$jmp a return " + std::string(100, 'r');
    RunLine(f.engine, longLine.c_str(), &CmdJmp);
    EXPECT_EQ(f.engine.flags.Text(FlagBlock::kReturnLabel, FlagBlock::kReturnLabelSize),
              ":" + std::string(62, 'r'));
}

}  // namespace
}  // namespace textreel
