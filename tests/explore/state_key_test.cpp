// The explorer's state keying: which flags and counters a menu's key keeps, and where it caps them.
#include "explore/state_key.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace textreel::explore {
namespace {

const char* kScenario =
    "$selword\r\n"            // 1 menu
    "(a,0,go a)\r\n"          // 2
    "(b,5,go b)\r\n"          // 3 shown while event flag 5 is set
    "selend\r\n"              // 4
    ":a\r\n"                  // 5
    "$pointflag 1 1\r\n"      // 6 counter 1 only grows
    "$pointflag 3 -1\r\n"     // 7 counter 3 is lowered
    "$eventflag 7\r\n"        // 8 set, never read
    "$selword\r\n"            // 9 menu
    "(c,0,go c)\r\n"          // 10
    "selend\r\n"              // 11
    ":c\r\n"                  // 12
    "$pointjudge 1 3 hi\r\n"  // 13
    "$pointjudge 1 5 hi\r\n"  // 14 the largest value counter 1 is tested against
    "$pointjudge 3 2 hi\r\n"  // 15
    "$eventjudge 6 hi\r\n"    // 16
    "$exit_game\r\n"          // 17
    ":hi\r\n"                 // 18
    "$exit_game\r\n"          // 19
    ":b\r\n"                  // 20
    "$pointjudge 4 1 a\r\n"   // 21 only after the first menu
    "$jmp a\r\n";             // 22

constexpr int kCounter = 40;  // the cell of counter 0

std::string State(const std::vector<std::pair<int, uint32_t>>& cells) {
    std::string state(StateKeying::kCells * 4, '\0');
    for (auto [cell, value] : cells) {
        for (int b = 0; b < 4; ++b) {
            state[static_cast<size_t>(cell * 4 + b)] = static_cast<char>((value >> (8 * b)) & 0xFF);
        }
    }
    return state;
}

TEST(StateKeying, KeepsWhatALineThatCanStillRunReadsAndCapsCountersThatOnlyGrow) {
    ScenarioLines lines(std::vector<uint8_t>(kScenario, kScenario + std::string(kScenario).size()));
    StateKeying keying(lines, false);
    struct Case {
        uint32_t menu;
        int cell;
        bool live;
        bool capped;
        uint32_t cap;
    };
    const Case cases[] = {
        {1, kCounter + 1, true, true, 5},    // judged against 3 and 5
        {1, kCounter + 2, false, false, 0},  // never judged
        {1, kCounter + 3, true, false, 0},   // judged, but lowered by an add
        {1, 6, true, false, 0},              // eventjudge
        {1, 7, false, false, 0},             // set, never read
        {1, 5, false, false, 0},             // an item flag of a menu no later line comes back to
        {1, kCounter + 4, true, true, 1},    // judged after entry "b"
        {9, kCounter + 4, false, false, 0},  // not after the second menu
        {9, kCounter + 1, true, true, 5},
        {9, 6, true, false, 0},
    };
    for (const Case& c : cases) {
        StateKeying::Use use = keying.Uses(c.menu)[static_cast<size_t>(c.cell)];
        EXPECT_EQ(use.live, c.live) << "menu " << c.menu << " cell " << c.cell;
        EXPECT_EQ(use.capped, c.capped) << "menu " << c.menu << " cell " << c.cell;
        EXPECT_EQ(use.cap, c.cap) << "menu " << c.menu << " cell " << c.cell;
    }
    // Counter 2 and flag 7 make no difference; counter 1 none at or above 5.
    EXPECT_EQ(keying.Key(9, State({{kCounter + 2, 1}, {7, 1}})), keying.Key(9, State({})));
    EXPECT_EQ(keying.Key(9, State({{kCounter + 1, 5}})), keying.Key(9, State({{kCounter + 1, 90}})));
    EXPECT_NE(keying.Key(9, State({{kCounter + 1, 4}})), keying.Key(9, State({{kCounter + 1, 5}})));
    EXPECT_NE(keying.Key(9, State({{kCounter + 3, 7}})), keying.Key(9, State({{kCounter + 3, 8}})));
    // --exhaustive: every difference counts.
    StateKeying exact(lines, true);
    EXPECT_NE(exact.Key(9, State({{kCounter + 2, 1}})), exact.Key(9, State({})));
}

}  // namespace
}  // namespace textreel::explore
