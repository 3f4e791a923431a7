#include "graphics/surface.h"

#include <gtest/gtest.h>

#include <climits>

namespace textreel {
namespace {

uint32_t At(const Surface& s, int x, int y) {
    uint32_t c = 0xDEADBEEF;
    s.GetPixel(x, y, c);
    return c;
}

TEST(Surface, RowsAreBottomUpAndPaddedToFourBytes) {
    Surface s(5, 3);
    EXPECT_EQ(s.Stride(), 16);
    s.SetPixel(0, 0, 0x0000FF);
    // The top row is the last one in memory; red is the third byte of a pixel.
    EXPECT_EQ(s.Pixels()[2 * 16 + 2], 0xFF);
    EXPECT_EQ(At(s, 0, 0), 0x0000FFu);
    uint32_t c = 0;
    EXPECT_FALSE(s.GetPixel(5, 0, c));
    s.SetPixel(-1, 0, 0xFFFFFF);  // nothing happens outside
}

TEST(Surface, CopiesAreClippedAgainstBothPictures) {
    Surface source(4, 4);
    source.FillRect(0, 0, 4, 4, 0x00FF00);
    Surface target(6, 6);
    // Starting left of and above the source: only the part that exists is copied, shifted along.
    CopyRect(source, -2, -1, 4, 4, target, 1, 1);
    EXPECT_EQ(At(target, 3, 2), 0x00FF00u);
    EXPECT_EQ(At(target, 2, 2), 0u);
    EXPECT_EQ(At(target, 3, 1), 0u);
    EXPECT_EQ(At(target, 4, 4), 0x00FF00u);
    EXPECT_EQ(At(target, 5, 4), 0u);
    // Past the destination's edges, and at the integer limits, nothing is written outside.
    Surface big(4, 4);
    big.FillRect(0, 0, 4, 4, 0xFFFFFF);
    CopyRect(big, 0, 0, 4, 4, target, 4, 4);
    EXPECT_EQ(At(target, 5, 5), 0xFFFFFFu);
    CopyRect(big, INT_MIN, INT_MIN, INT_MAX, INT_MAX, target, INT_MAX, INT_MIN);
    CopyRect(big, 0, 0, INT_MAX, INT_MAX, target, INT_MIN, 0);
    CopyRect(big, 0, 0, 0, 10, target, 0, 0);
    EXPECT_EQ(At(target, 0, 0), 0u);
}

}  // namespace
}  // namespace textreel
