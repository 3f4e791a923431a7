// The weights of the picture scaler: which source pixels each output pixel blends, and how much.
#include "platform/picture_scaler.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace textreel {
namespace {

std::string Taps(Scaling scaling, int source, int output) {
    std::string text;
    for (const ScaleTap& tap : AxisTaps(scaling, source, output)) {
        text += std::to_string(tap.index) + ":" + std::to_string(tap.weight) + " ";
    }
    return text;
}

TEST(PictureScaler, AxisWeights) {
    struct Row {
        Scaling scaling;
        int source;
        int output;
        const char* taps;  // index:weight of each output pixel, weight in 256ths of the next pixel
    };
    const Row rows[] = {
        // Sharp: two pixels to five are first made four by repeating, then filtered: only the
        // output pixel that straddles the two source pixels blends them.
        {Scaling::kSharp, 2, 5, "0:0 0:0 0:128 1:0 1:0 "},
        // A whole factor stays pure nearest neighbour.
        {Scaling::kSharp, 3, 6, "0:0 0:0 1:0 1:0 2:0 2:0 "},
        // 800 to 1066 wide (full screen at 1066 x 800): factor 1, the whole scale is filtered.
        {Scaling::kSharp, 3, 4, "0:0 0:160 1:96 2:0 "},
        // Smaller than the source: plain linear filtering.
        {Scaling::kSharp, 4, 2, "0:128 2:128 "},
        {Scaling::kNearest, 2, 5, "0:0 0:0 1:0 1:0 1:0 "},
        {Scaling::kSmooth, 2, 5, "0:0 0:25 0:128 0:230 1:0 "},
        {Scaling::kSmooth, 3, 6, "0:0 0:64 0:192 1:64 1:192 2:0 "},
        {Scaling::kSharp, 0, 5, ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Taps(row.scaling, row.source, row.output), row.taps)
            << ScalingName(row.scaling) << " " << row.source << " -> " << row.output;
    }
}

TEST(PictureScaler, ScalesAPictureByItsWeights) {
    // Two pixels, black and white, in one row and two rows; scaled sharp to 5 x 3.
    const uint32_t source[4] = {0xff000000u, 0xffffffffu, 0xff000000u, 0xffffffffu};
    std::vector<uint32_t> output(5 * 3, 0);
    ScalePicture(Scaling::kSharp, reinterpret_cast<const uint8_t*>(source), 2, 2, 8,
                 reinterpret_cast<uint8_t*>(output.data()), 5, 3, 20);
    const std::vector<uint32_t> row = {0xff000000u, 0xff000000u, 0xff7f7f7fu, 0xffffffffu, 0xffffffffu};
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(std::vector<uint32_t>(output.begin() + y * 5, output.begin() + y * 5 + 5), row) << y;
    }
    for (const char* name : {"sharp", "nearest", "smooth"}) {
        ASSERT_TRUE(ParseScaling(name).has_value()) << name;
        EXPECT_STREQ(ScalingName(*ParseScaling(name)), name);
    }
    EXPECT_FALSE(ParseScaling("bilinear").has_value());
}

}  // namespace
}  // namespace textreel
