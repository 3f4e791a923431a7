#include "script/scenario.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace textreel {
namespace {

// Takes text as the scenario with fresh read marks.
void Fill(Scenario& s, const std::string& text) {
    s.LoadBytes(std::vector<uint8_t>(text.begin(), text.end()));
    s.ResetMarks();
}

// Reads every line the interpreter would, as it does: ReadLine, then AdvanceLine.
std::vector<std::string> ReadAllLines(Scenario& s) {
    std::vector<std::string> lines;
    char buffer[kLineBufferSize];
    for (int guard = 0; guard < 1000; ++guard) {
        bool end = false;
        int n = s.ReadLine(buffer, end);
        lines.emplace_back(buffer, static_cast<size_t>(n));
        s.AdvanceLine();
        if (end) {
            break;
        }
    }
    return lines;
}

TEST(Scenario, CrLfLinesEndWithAnEmptyLineAtTheEndMarkAndEveryByteIsMarked) {
    Scenario s;
    Fill(s, "A\r\nB\r\n");
    EXPECT_EQ(ReadAllLines(s), (std::vector<std::string>{"A", "B", ""}));
    for (uint32_t p = 0; p < s.Size(); ++p) {
        EXPECT_TRUE(s.MarkAt(p)) << p;
    }
    EXPECT_EQ(s.ReadPos, s.Size());
}

TEST(Scenario, ALastLineWithoutLineEndIsStillRead) {
    Scenario s;
    Fill(s, "A\r\nB");
    EXPECT_EQ(ReadAllLines(s), (std::vector<std::string>{"A", "B"}));
}

TEST(Scenario, ABareLineFeedCostsTheByteBeforeIt) {
    Scenario s;
    Fill(s, "AB\nCD\n");
    std::vector<std::string> lines = ReadAllLines(s);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "A");
    EXPECT_EQ(lines[1], "C");
}

TEST(Scenario, AByteThreeEndsTheScenarioWhereItStands) {
    Scenario s;
    Fill(s, "A\r\nB\x03\r\nC\r\n");
    EXPECT_EQ(ReadAllLines(s), (std::vector<std::string>{"A", "B"}));
}

TEST(Scenario, AnEmptyScenarioEndsAtOnceWithoutTouchingMemoryOutsideIt) {
    Scenario s;
    Fill(s, "");
    EXPECT_EQ(ReadAllLines(s), (std::vector<std::string>{""}));
    EXPECT_FALSE(s.MarkAt(0));
}

TEST(Scenario, LinesLongerThanTheBufferAreCutAndPassedOver) {
    std::string longLine(3000, 'x');
    Scenario s;
    Fill(s, longLine + "\r\nnext\r\n");
    std::vector<std::string> lines = ReadAllLines(s);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), 1023u);
    EXPECT_EQ(lines[1], "next");
    EXPECT_TRUE(s.MarkAt(2999));
}

TEST(Scenario, LabelSearchTakesTheFirstOccurrenceAsAPrefix) {
    Scenario s;
    Fill(s, "top\r\n:ending\r\nE1\r\n:end\r\nE2\r\n");
    ASSERT_TRUE(s.SeekLabel(":end"));
    s.AdvanceLine();
    char buffer[kLineBufferSize];
    bool end = false;
    s.ReadLine(buffer, end);
    EXPECT_STREQ(buffer, "E1");
}

TEST(Scenario, LabelSearchMatchesInsideATextLine) {
    Scenario s;
    Fill(s, "he said :go now\r\nafter\r\n:go\r\nlabel\r\n");
    ASSERT_TRUE(s.SeekLabel(":go"));
    s.AdvanceLine();
    char buffer[kLineBufferSize];
    bool end = false;
    s.ReadLine(buffer, end);
    EXPECT_STREQ(buffer, "after");
}

TEST(Scenario, LabelSearchFailsWhenMissingOrOnTheLastLineWithoutLineEnd) {
    Scenario s;
    Fill(s, "a\r\n:last");
    s.ReadPos = 1;
    EXPECT_FALSE(s.SeekLabel(":nowhere"));
    EXPECT_FALSE(s.SeekLabel(":last"));
    EXPECT_EQ(s.ReadPos, 1u);
}

TEST(Scenario, LabelSearchDoesNotMarkAnything) {
    Scenario s;
    Fill(s, "a\r\n:l\r\nb\r\n");
    ASSERT_TRUE(s.SeekLabel(":l"));
    for (uint32_t p = 0; p < s.Size(); ++p) {
        EXPECT_FALSE(s.MarkAt(p));
    }
}

TEST(Scenario, SeekToLineStartWorksFromTheFirstLine) {
    Scenario s;
    Fill(s, "first\r\nsecond\r\n");
    char buffer[kLineBufferSize];
    bool end = false;
    s.ReadLine(buffer, end);
    s.SeekToLineStart(0);
    s.AdvanceLine();
    s.ReadLine(buffer, end);
    EXPECT_STREQ(buffer, "first");
}

TEST(Scenario, AReadPositionPastTheEndReadsAsTheEnd) {
    Scenario s;
    Fill(s, "a\r\n");
    s.ReadPos = 5000;
    char buffer[kLineBufferSize];
    bool end = false;
    EXPECT_EQ(s.ReadLine(buffer, end), 0);
    EXPECT_TRUE(end);
}

TEST(Scenario, ReloadKeepsTheReadMarks) {
    Scenario s;
    Fill(s, "abc\r\n");
    char buffer[kLineBufferSize];
    bool end = false;
    s.ReadLine(buffer, end);
    s.LoadBytes({'x', 'y', 'z', '\r', '\n'});
    EXPECT_TRUE(s.MarkAt(0));
    EXPECT_TRUE(s.MarkAt(2));
}

}  // namespace
}  // namespace textreel
