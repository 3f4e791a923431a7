// The checker's label index must find exactly what the engine's label search finds: the first
// occurrence of the pattern anywhere in the text, cut to 64 bytes.
#include "check/label_index.h"

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "script/scenario.h"

namespace {

int64_t EngineFinds(const std::string& text, const std::string& pattern) {
    textreel::Scenario scenario;
    scenario.LoadBytes(std::vector<uint8_t>(text.begin(), text.end()));
    return scenario.FindPattern(pattern);
}

TEST(LabelIndex, FindsWhatTheEngineFinds) {
    const std::string kText =
        ":ending\r\n:end\r\nA line with :end inside\r\n;:a\r\n:a\r\n:" + std::string(70, 'x') +
        "y\r\n:b c \r\n";
    struct Case {
        std::string pattern;
        int64_t expected;
    };
    const std::vector<Case> cases = {
        {":end", 0},                             // a longer label that comes first
        {":end\r", 9},                           // only the label line itself
        {":a", 41},                              // inside a comment
        {":b c ", 123},                          // trailing blank kept
        {":b c  ", -1},                          // one blank too many
        {":zz", -1},                             // nowhere
        {":" + std::string(70, 'x') + "z", 49},  // cut to 64 bytes before searching
        {"line", 17},                            // a pattern without a colon is searched as it is
    };
    textreel::check::LabelIndex index(kText);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(index.FindFirst(c.pattern), EngineFinds(kText, c.pattern));
        EXPECT_EQ(index.FindFirst(c.pattern), c.expected);
    }
}

TEST(LabelIndex, AgreesWithTheEngineOnRandomTexts) {
    std::mt19937 random(15);
    const std::string kAlphabet = "::ab \r\n";
    for (int round = 0; round < 200; ++round) {
        std::string text;
        for (int i = 0; i < 300; ++i) {
            text += kAlphabet[random() % kAlphabet.size()];
        }
        textreel::check::LabelIndex index(text);
        for (int q = 0; q < 30; ++q) {
            std::string pattern = ":";
            for (size_t n = random() % 4; n > 0; --n) {
                pattern += kAlphabet[random() % kAlphabet.size()];
            }
            ASSERT_EQ(index.FindFirst(pattern), EngineFinds(text, pattern)) << text << " / " << pattern;
        }
    }
}

}  // namespace
