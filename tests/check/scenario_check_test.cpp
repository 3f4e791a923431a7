// The checker knows its commands from the interpreter's own keyword table: every keyword the
// dispatch tests, standing alone on a line, is taken for that command and never for an unknown one.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "check/checker.h"
#include "check/file_probe.h"
#include "script/interpreter.h"
#include "script/scenario.h"
#include "shell/instance_file.h"
#include "support/temp_title.h"

namespace {

std::vector<textreel::check::Finding> CheckText(const std::string& text) {
    textreel::Scenario scenario;
    scenario.LoadBytes(std::vector<uint8_t>(text.begin(), text.end()));
    textreel::check::FileProbe probe;
    std::vector<textreel::check::Finding> findings;
    textreel::check::CheckScenario(scenario, "scenario.txt", textreel::DefaultInstanceConfig(), probe,
                                   findings);
    return findings;
}

TEST(ScenarioCheck, EveryKeywordOfTheDispatchTableIsACommand) {
    textreel::testing::TempTitle title;
    int count = 0;
    const textreel::CommandEntry* table = textreel::CommandTable(count);
    ASSERT_GE(count, 48);
    for (int k = 0; k < count; ++k) {
        const std::string keyword = table[k].keyword;
        SCOPED_TRACE(keyword);
        for (const textreel::check::Finding& f : CheckText("$" + keyword + "\r\n")) {
            EXPECT_EQ(f.message.find("unknown command"), std::string::npos) << f.message;
            EXPECT_EQ(f.message.find("runs as"), std::string::npos) << f.message;
        }
    }
}

TEST(ScenarioCheck, AKeywordInsideTheArgumentsNamesTheCommandThatRuns) {
    textreel::testing::TempTitle title;
    struct Case {
        std::string line;
        std::string runsAs;
    };
    const std::vector<Case> cases = {
        {"$talk voice\\wave1.ogg", "wave"}, {"$sprite 0 0 chr\\fill.png", "fill"},
        {"$imgblt bg\\jmp.png", "jmp"},     {"$OGGPlay bgm\\wave.ogg", "wave"},
        {"$selword random", "random"},      {"$movieplay effect.mpg", "effect"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::vector<textreel::check::Finding> findings = CheckText(c.line + "\r\n:x\r\n");
        ASSERT_FALSE(findings.empty());
        EXPECT_EQ(findings[0].line, 1u);
        EXPECT_EQ(findings[0].level, textreel::check::Level::kWarning);
        EXPECT_NE(findings[0].message.find("runs as \"" + c.runsAs + "\""), std::string::npos)
            << findings[0].message;
    }
}

}  // namespace
