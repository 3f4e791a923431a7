// The focus of keys and gamepads: screen order, the first press and the ends; the keys that never
// advance; the left stick's directions and repeat.
#include "input/focus.h"

#include <gtest/gtest.h>

#include <vector>

#include "input/keys.h"
#include "platform/pad_stick.h"

namespace textreel {
namespace {

TEST(Focus, StepsFromNothingToAnEndAndStopsAtTheEnds) {
    const struct {
        int current;
        int count;
        FocusStep step;
        int expected;
    } cases[] = {
        {-1, 3, FocusStep::kForward, 0},   // Down, Right or Tab first: the first entry
        {-1, 3, FocusStep::kBackward, 2},  // Up, Left or Shift+Tab first: the last entry
        {0, 3, FocusStep::kForward, 1},   {1, 3, FocusStep::kBackward, 0},
        {2, 3, FocusStep::kForward, 2},   // no wrap at the end
        {0, 3, FocusStep::kBackward, 0},  // nor at the start
        {-1, 1, FocusStep::kBackward, 0}, {-1, 0, FocusStep::kForward, -1},
        {5, 3, FocusStep::kForward, 0},  // a position the list no longer has counts as none
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StepFocus(c.current, c.count, c.step), c.expected)
            << "from " << c.current << " of " << c.count
            << (c.step == FocusStep::kForward ? " forward" : " back");
    }
}

TEST(Focus, ScreenOrderIsRowsTopToBottomThenLeftToRight) {
    // The save screen's shape: the return button above two columns of slots; then a word menu's
    // entries side by side, given right to left.
    std::vector<FocusRect> slots = {{41, 97, 280, 130, 0},
                                    {41, 176, 373, 217, 1},
                                    {41, 239, 373, 280, 2},
                                    {406, 176, 737, 217, 7},
                                    {406, 239, 737, 280, 8}};
    SortInScreenOrder(slots);
    std::vector<int> order;
    for (const FocusRect& r : slots) {
        order.push_back(r.index);
    }
    EXPECT_EQ(order, (std::vector<int>{0, 1, 7, 2, 8}));
    std::vector<FocusRect> words = {
        {500, 300, 599, 330, 0}, {100, 300, 199, 330, 1}, {300, 300, 399, 330, 2}};
    SortInScreenOrder(words);
    EXPECT_EQ(words[0].index, 1);
    EXPECT_EQ(words[1].index, 2);
    EXPECT_EQ(words[2].index, 0);
}

TEST(Keys, OnlyTheKeysWithAMeaningOfTheirOwnNeverAdvance) {
    const struct {
        int key;
        bool shift;
        bool never;
    } cases[] = {
        {vk::kBack, false, true},    {vk::kF5, false, true},
        {vk::kF8, false, true},      {vk::kF9, true, true},
        {'V', false, true},          {'V', true, false},   // Shift+V is no key of its own
        {'C', true, true},           {'C', false, false},  // C alone still advances; only Shift+C copies
        {'A', false, false},         {vk::kReturn, false, false},
        {vk::kEscape, false, false}, {vk::kOther, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KeyNeverAdvances(c.key, c.shift), c.never)
            << "key " << c.key << (c.shift ? " with Shift" : "");
    }
}

TEST(PadStick, PressesTheDirectionItLeansTowardsAndRepeatsEvery150Ms) {
    PadStick stick;
    EXPECT_EQ(stick.Move(8000, -8000, 0), std::nullopt);  // not half way: at rest
    EXPECT_EQ(stick.NextRepeatMs(), std::nullopt);
    EXPECT_EQ(stick.Move(30000, -20000, 10), PadButton::kRight);  // x leans most
    EXPECT_EQ(stick.Repeat(159), std::nullopt);
    EXPECT_EQ(stick.Repeat(160), PadButton::kRight);
    EXPECT_EQ(stick.NextRepeatMs(), 310);
    EXPECT_EQ(stick.Move(31000, -5000, 200), std::nullopt);  // still right: no new press
    EXPECT_EQ(stick.Repeat(1000), PadButton::kRight);        // held up long: one press, no burst
    EXPECT_EQ(stick.Repeat(1001), std::nullopt);
    EXPECT_EQ(stick.NextRepeatMs(), 1150);
    EXPECT_EQ(stick.Move(0, 32767, 1100), PadButton::kDown);  // a new direction presses at once
    EXPECT_EQ(stick.NextRepeatMs(), 1250);
    EXPECT_EQ(stick.Move(0, -32768, 1110), PadButton::kUp);
    EXPECT_EQ(stick.Move(0, 0, 1120), std::nullopt);  // back at rest: nothing repeats
    EXPECT_EQ(stick.Repeat(5000), std::nullopt);
    EXPECT_EQ(stick.Move(-20000, 0, 5000), PadButton::kLeft);
}

}  // namespace
}  // namespace textreel
