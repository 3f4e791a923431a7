#include "graphics/surface.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <utility>

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

// A copy shares the pixels; every way of writing to either side gives that side its own pixels
// first, so the other keeps its picture; reading through a const surface shares on.
TEST(Surface, CopiesShareThePixelsUntilEitherIsWritten) {
    const std::pair<const char*, std::function<void(Surface&)>> writes[] = {
        {"SetPixel", [](Surface& s) { s.SetPixel(1, 1, 0x0000FF); }},
        {"FillRect", [](Surface& s) { s.FillRect(1, 1, 1, 1, 0x0000FF); }},
        {"Pixels", [](Surface& s) { std::memset(s.Pixels(), 0xFF, s.ByteSize()); }},
        {"RowTop", [](Surface& s) { s.RowTop(1)[3] = 0xFF; }},
        {"CopyRect into it",
         [](Surface& s) {
             Surface red(2, 2);
             red.FillRect(0, 0, 2, 2, 0x0000FF);
             CopyRect(red, 0, 0, 2, 2, s, 1, 1);
         }},
        {"OverwriteWhole into it",
         [](Surface& s) {
             Surface red(s.Width(), s.Height());
             red.FillRect(0, 0, s.Width(), s.Height(), 0x0000FF);
             OverwriteWhole(red, s);
         }},
    };
    for (const auto& [name, write] : writes) {
        for (bool writeTheCopy : {false, true}) {
            SCOPED_TRACE(std::string(name) + (writeTheCopy ? " on the copy" : " on the first"));
            Surface first(3, 3);
            first.FillRect(0, 0, 3, 3, 0x00FF00);
            Surface copy(3, 3);
            CopyWhole(first, copy);
            Surface assigned = std::as_const(copy);
            EXPECT_TRUE(copy.SharesPixelsWith(first));
            EXPECT_TRUE(assigned.SharesPixelsWith(first));
            EXPECT_EQ(At(std::as_const(copy), 1, 1), 0x00FF00u);
            EXPECT_TRUE(copy.SharesPixelsWith(first));  // reading did not copy

            Surface& written = writeTheCopy ? copy : first;
            Surface& kept = writeTheCopy ? first : copy;
            write(written);
            EXPECT_FALSE(written.SharesPixelsWith(kept));
            EXPECT_NE(At(written, 1, 1), 0x00FF00u);
            EXPECT_EQ(At(kept, 1, 1), 0x00FF00u);
            EXPECT_EQ(At(assigned, 1, 1), 0x00FF00u);
        }
    }
    // A copy between different sizes copies the common area and shares nothing.
    Surface small(2, 2);
    small.FillRect(0, 0, 2, 2, 0xFFFFFF);
    Surface large(4, 4);
    CopyWhole(small, large);
    EXPECT_FALSE(large.SharesPixelsWith(small));
    EXPECT_EQ(At(large, 1, 1), 0xFFFFFFu);
    EXPECT_EQ(At(large, 2, 2), 0u);
    // A fresh surface is black, and an empty one has nothing to share.
    Surface fresh(7, 5);
    EXPECT_EQ(At(fresh, 6, 4), 0u);
    EXPECT_FALSE(Surface().SharesPixelsWith(Surface()));
}

}  // namespace
}  // namespace textreel
