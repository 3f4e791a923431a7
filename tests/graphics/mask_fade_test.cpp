#include <gtest/gtest.h>

#include "graphics/transition_fixture.h"
#include "shell/messages.h"

namespace textreel::testing {
namespace {

using MaskFade = TransitionTest;

// Palette index 0 has level 0 and index 1 level 255; the left half of the screen uses index 0.
std::vector<uint8_t> HalfMask(int width, int height) {
    return MakeMaskBmp(width, height,
                       [width](int x, int) { return static_cast<uint8_t>(x < width / 2 ? 0 : 1); }, {0, 255});
}

uint8_t Red(uint32_t colour) {
    return static_cast<uint8_t>(colour);
}

TEST_F(MaskFade, PixelsTurnOverInTheOrderOfTheirMaskLevel) {
    Open(640, 480);
    engine->graphics.maskName = WriteMask(HalfMask(640, 480));
    std::vector<uint8_t> low;   // level 0
    std::vector<uint8_t> high;  // level 255
    platform().afterCopy = [&] {
        low.push_back(Red(platform().WindowPixel(100, 50)));
        high.push_back(Red(platform().WindowPixel(500, 50)));
    };
    EXPECT_EQ(PresentWith(21), 1);
    ASSERT_EQ(low.size(), 33u);
    EXPECT_EQ(Sleeps(), std::vector<int64_t>(33, 20));
    // a = level + L with L = -256, -240, ..., 256: the level-255 half starts mixing at the second
    // step, the level-0 half only after L passes 0.
    EXPECT_EQ(high[0], 0x20);
    EXPECT_GT(high[1], 0x20);
    EXPECT_EQ(low[16], 0x20);
    EXPECT_GT(low[17], 0x20);
    EXPECT_NEAR(high[16], 0xD0, 1);
    EXPECT_NEAR(low.back(), 0xD0, 1);
    // Only the red bytes of the two palette entries tell the halves apart.
    EXPECT_LT(low[10], high[10]);
}

TEST_F(MaskFade, TheLevelIsTheRedByteOfThePaletteEntry) {
    std::vector<uint8_t> file = MakeMaskBmp(
        4, 2, [](int x, int y) { return static_cast<uint8_t>(y * 4 + x); }, {0, 10, 20, 30, 40, 50, 60, 70});
    std::vector<uint8_t> levels;
    ASSERT_TRUE(ReadMaskLevels(file, 4, 2, 12, levels));
    ASSERT_EQ(levels.size(), 24u);
    // Levels lie bottom-up like the pixels: the first row in memory is the bottom row (y = 1).
    EXPECT_EQ(levels[0], 40);
    EXPECT_EQ(levels[2], 40);
    EXPECT_EQ(levels[3], 50);
    EXPECT_EQ(levels[12], 0);
    EXPECT_EQ(levels[23], 30);
}

// A file whose pixels start right after the pixel-offset field: indices' red bytes (offset
// 56 + 4 * index) then lie in the pixel bytes or past the end.
std::vector<uint8_t> BarePixels(const std::vector<uint8_t>& indices) {
    std::vector<uint8_t> file(14 + indices.size(), 0);
    file[10] = 14;
    for (size_t k = 0; k < indices.size(); ++k) {
        file[14 + k] = indices[k];
    }
    return file;
}

TEST_F(MaskFade, ShortFilesAndPaletteEntriesPastTheEndAreRefused) {
    std::vector<uint8_t> levels;
    std::vector<uint8_t> good = HalfMask(8, 2);
    EXPECT_TRUE(ReadMaskLevels(good, 8, 2, 24, levels));
    std::vector<uint8_t> shortByOne(good.begin(), good.end() - 1);
    EXPECT_FALSE(ReadMaskLevels(shortByOne, 8, 2, 24, levels));
    EXPECT_FALSE(ReadMaskLevels(std::vector<uint8_t>(good.begin(), good.begin() + 13), 0, 0, 0, levels));

    std::vector<uint8_t> farOffset = good;
    farOffset[10] = farOffset[11] = farOffset[12] = farOffset[13] = 0xFF;
    EXPECT_FALSE(ReadMaskLevels(farOffset, 8, 2, 24, levels));

    // 14 + 44 = 58 bytes: index 0's red byte (56) is inside, index 1's (60) is not.
    std::vector<uint8_t> indices(44, 0);
    EXPECT_TRUE(ReadMaskLevels(BarePixels(indices), 44, 1, 132, levels));
    indices[43] = 1;
    EXPECT_FALSE(ReadMaskLevels(BarePixels(indices), 44, 1, 132, levels));
    // Index 1 is readable once its red byte (60) is the last byte of the file.
    indices.resize(47, 0);
    indices[46] = 1;
    EXPECT_TRUE(ReadMaskLevels(BarePixels(indices), 47, 1, 141, levels));
}

TEST_F(MaskFade, AMissingOrBrokenMaskSaysLossPartsAndDrawsNothing) {
    std::vector<uint8_t> truncated = HalfMask(640, 480);
    truncated.pop_back();
    for (int broken = 0; broken < 2; ++broken) {
        Open(640, 480);
        engine->instance.windowName = "Title";
        engine->graphics.maskName = broken ? WriteMask(truncated) : "cg\\no such mask.bmp";
        EXPECT_EQ(PresentWith(21), 1);
        EXPECT_EQ(platform().Messages(), std::vector<std::string>{msg::kLossParts});
        EXPECT_TRUE(platform().Copies().empty());
        EXPECT_TRUE(Sleeps().empty());
        EXPECT_EQ(WindowMismatches(engine->graphics.ScreenSurface), 0);
        uint32_t pixel = 0;
        engine->graphics.ScreenSurface.GetPixel(3, 3, pixel);
        EXPECT_EQ(pixel, OldColour(3, 3));
        EXPECT_EQ(engine->ScriptBusy, 0);
    }
}

TEST(MaskFadeMix, ClampsTheLevelAndAccumulates) {
    uint8_t buffer[3] = {0, 0, 200};
    const uint8_t fresh[3] = {255, 255, 100};
    const uint8_t levels[3] = {0, 255, 128};
    MaskFadeMix(buffer, fresh, levels, 3, -256);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[1], 0);  // 255 - 256 clamps to 0
    EXPECT_EQ(buffer[2], 200);
    MaskFadeMix(buffer, fresh, levels, 3, 0);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[1], 254);  // 255 * 255 >> 8
    EXPECT_EQ(buffer[2], (100 * 128 + 200 * 128) >> 8);
    MaskFadeMix(buffer, fresh, levels, 3, 256);
    EXPECT_EQ(buffer[0], 254);  // 256 clamps to 255
    EXPECT_EQ(buffer[1], (255 * 255 + 254) >> 8);
    EXPECT_EQ(buffer[2], (100 * 255 + 150) >> 8);
}

}  // namespace
}  // namespace textreel::testing
