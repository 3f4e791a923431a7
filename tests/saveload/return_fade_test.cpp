// The fade back from a save or load screen to the game: each of its nine steps goes on from the
// picture the step before left.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "saveload/save_load_screen.h"

namespace textreel {
namespace {

struct FadeCase {
    uint8_t from;
    uint8_t to;
    std::vector<int> steps;  // the byte after each step k = 8 .. 16
};

TEST(ReturnFade, EachStepBlendsFromWhatThePreviousStepLeft) {
    const FadeCase cases[] = {
        // From black to white: 64/256 of the way, then 81/256 of what is left, and so on. A blend
        // from the first picture at every step would give 80 at the second step, not 123.
        {0, 255, {63, 123, 174, 212, 236, 248, 253, 254, 255}},
        {200, 10, {152, 107, 69, 41, 23, 14, 10, 10, 10}},
        {77, 77, {77, 77, 77, 77, 77, 77, 77, 77, 77}},
    };
    for (const FadeCase& c : cases) {
        std::vector<uint8_t> picture(6, c.from);
        const std::vector<uint8_t> target(6, c.to);
        for (int k = 8; k <= 16; ++k) {
            FadeStep(picture.data(), target.data(), picture.size(), k);
            for (uint8_t b : picture) {
                ASSERT_EQ(b, c.steps[static_cast<size_t>(k - 8)])
                    << int{c.from} << "->" << int{c.to} << " k " << k;
            }
        }
    }
}

// Only the bytes asked for change.
TEST(ReturnFade, AStepTouchesNoByteBeyondItsCount) {
    std::vector<uint8_t> picture = {0, 0, 0, 9};
    const std::vector<uint8_t> target = {255, 255, 255, 255};
    FadeStep(picture.data(), target.data(), 3, 16);
    EXPECT_EQ(picture, (std::vector<uint8_t>{255, 255, 255, 9}));
}

}  // namespace
}  // namespace textreel
