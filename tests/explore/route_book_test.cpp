// The explorer's bookkeeping: which lines can run, which entries a menu lists, where a click lands
// on overlapping entries, which menus are new, and the report.
#include "explore/route_book.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace textreel::explore {
namespace {

std::vector<uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

// A scenario of every kind of line: label, comment, blank, text, command and the three menus.
const char* kScenario =
    ":top\r\n"                 // 1 label
    "; note\r\n"               // 2 comment
    "\r\n"                     // 3 blank
    "hello\r\n"                // 4 text
    "$selword\r\n"             // 5 menu
    "(a,0,go a)\r\n"           // 6 entry
    "(b,3,go b)\r\n"           // 7 entry
    "selend\r\n"               // 8
    "$selarea x.png\r\n"       // 9 menu
    "(0,0,9,9,c,0)\r\n"        // 10
    "selend\r\n"               // 11
    "$flagselect (p,q,r)\r\n"  // 12 menu
    "(0,0,9,9,d,1,)\r\n"       // 13
    "(0,0,9,9,d,2,)\r\n"       // 14 the same label again counts once
    "$flagselend\r\n"          // 15
    ":a\r\n"                   // 16
    "$exit_game";              // 17, no line end

TEST(ScenarioLines, CountsTextAndCommandLinesButNotLabelsCommentsBlanksOrEntries) {
    ScenarioLines lines(Bytes(kScenario));
    EXPECT_EQ(lines.LineCount(), 17u);
    std::vector<uint32_t> runnable;
    for (uint32_t n = 1; n <= lines.LineCount(); ++n) {
        if (lines.CanRun(n)) {
            runnable.push_back(n);
        }
    }
    EXPECT_EQ(runnable, (std::vector<uint32_t>{4, 5, 9, 12, 17}));
    EXPECT_EQ(lines.RunnableCount(), 5u);
    EXPECT_EQ(lines.MenuLabels(5), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(lines.MenuLabels(9), (std::vector<std::string>{"c"}));
    EXPECT_EQ(lines.MenuLabels(12), (std::vector<std::string>{"d", "d"}));
    EXPECT_EQ(lines.MenuLineAtOrBefore(8), 5u);
    EXPECT_EQ(lines.MenuLineAtOrBefore(4), 0u);
    EXPECT_EQ(lines.LabelLine("a"), 16u);
    EXPECT_EQ(lines.LabelLine("nowhere"), 0u);
    EXPECT_EQ(lines.LineOf(0), 1u);
    EXPECT_EQ(lines.LineOf(static_cast<uint32_t>(std::string(kScenario).size() - 1)), 17u);
    EXPECT_EQ(lines.Text(17), "$exit_game");
}

TEST(ClickPoint, FindsAPointThatNoEarlierEntryCovers) {
    struct Case {
        std::vector<EntryRect> entries;
        size_t index;
        bool found;
        int x;
        int y;
    };
    const Case cases[] = {
        {{{0, 0, 10, 10}}, 0, true, 5, 5},                    // the centre
        {{{0, 0, 10, 10}, {20, 0, 30, 10}}, 1, true, 25, 5},  // apart
        {{{0, 0, 10, 10}, {0, 0, 20, 10}}, 1, true, 11, 0},   // centre covered: first free point
        {{{0, 0, 30, 30}, {5, 5, 10, 10}}, 1, false, 0, 0},   // wholly covered
        {{{0, 0, 10, 10}}, 3, false, 0, 0},                   // no such entry
        {{{10, 10, 0, 0}}, 0, false, 0, 0},                   // an empty rectangle
    };
    for (const Case& c : cases) {
        int x = 0;
        int y = 0;
        EXPECT_EQ(ClickPoint(c.entries, c.index, x, y), c.found);
        if (c.found) {
            EXPECT_EQ(x, c.x);
            EXPECT_EQ(y, c.y);
        }
    }
}

TEST(RouteBook, AMenuIsNewOncePerStateAndTheFirstIsTheTitle) {
    RouteBook book("s.txt", ScenarioLines(Bytes(kScenario)));
    EXPECT_TRUE(book.MeetMenu({9, "s0"}, {"c"}));
    EXPECT_TRUE(book.IsTitleMenu(9));
    EXPECT_FALSE(book.MeetMenu({9, "s0"}, {"c"}));
    EXPECT_TRUE(book.MeetMenu({9, "s1"}, {"c"}));
    EXPECT_TRUE(book.MeetMenu({5, "s0"}, {"a"}));
    EXPECT_FALSE(book.IsTitleMenu(5));
}

TEST(RouteBook, ReportsFaultsEndingsAndTheFiguresInOrder) {
    RouteBook book("s.txt", ScenarioLines(Bytes(kScenario)));
    std::vector<uint8_t> marks(std::string(kScenario).size(), 0);
    // Lines 4 and 5 were read (their first byte is marked); line 9 only in its middle.
    marks[ScenarioLines(Bytes(kScenario)).StartOf(4)] = 1;
    marks[ScenarioLines(Bytes(kScenario)).StartOf(5)] = 1;
    marks[ScenarioLines(Bytes(kScenario)).StartOf(9) + 2] = 1;
    book.AddReadMarks(marks);
    book.TakeEntry(5, "a");
    book.TakeEntry(12, "d");
    book.AddFault(12, "second");
    book.AddFault(4, "first");
    book.AddFault(4, "first");  // the same fault on another route counts once
    book.EndRoute(RouteEnd::kExitGame, 17, {1, 3});
    book.EndRoute(RouteEnd::kMerged, 5);
    book.EndRoute(RouteEnd::kTitle, 0);  // back at the title straight from a menu: not an ending
    book.EndRoute(RouteEnd::kEndOfScenario, 17);
    book.EndRoute(RouteEnd::kExitGame, 17, {1, 3, 4});  // reached again later: told once
    EXPECT_EQ(book.FormatText(),
              "s.txt:4: error: first\n"
              "s.txt:12: error: second\n"
              "s.txt:17: ending: end of scenario\n"
              "s.txt:17: ending: exit_game, record flags 1 3\n"
              "5 routes, 2 endings, 2/5 lines reached, 2/4 choice entries taken\n"
              "2 faults\n");
    EXPECT_EQ(book.FormatJson(),
              "{\"file\":\"s.txt\",\"line\":4,\"level\":\"error\",\"message\":\"first\"}\n"
              "{\"file\":\"s.txt\",\"line\":12,\"level\":\"error\",\"message\":\"second\"}\n"
              "{\"file\":\"s.txt\",\"line\":17,\"ending\":\"end of scenario\",\"recordFlags\":[]}\n"
              "{\"file\":\"s.txt\",\"line\":17,\"ending\":\"exit_game\",\"recordFlags\":[1,3]}\n"
              "{\"faults\":2,\"routes\":5,\"endings\":2,\"linesReached\":2,\"lines\":5,\"entriesTaken\":2,"
              "\"entries\":4}\n");
}

}  // namespace
}  // namespace textreel::explore
