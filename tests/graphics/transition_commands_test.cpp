#include <gtest/gtest.h>

#include "graphics/transition_fixture.h"
#include "script/commands.h"

namespace textreel::testing {
namespace {

using TransitionCommands = TransitionTest;
using ScreenEffects = TransitionTest;

void RunCommand(void (*command)(Engine&, const char*, int), Engine& e, const std::string& line) {
    command(e, line.c_str(), static_cast<int>(line.size()));
}

TEST_F(TransitionCommands, EffectTakesTheNumberAfterTheBlank) {
    Open(640, 480);
    RunCommand(CmdEffect, *engine, "$effect 12");
    EXPECT_EQ(engine->graphics.effectNumber, 12);
    RunCommand(CmdEffect, *engine, "$effect -3x");
    EXPECT_EQ(engine->graphics.effectNumber, -3);
    RunCommand(CmdEffect, *engine, "$effect");
    EXPECT_EQ(engine->graphics.effectNumber, 0);
}

TEST_F(TransitionCommands, MaskEfctKeepsTheRestOfTheLineAndSelectsTheMaskFade) {
    Open(640, 480);
    RunCommand(CmdMaskEfct, *engine, "$maskefct cg\\mask 01.bmp");
    EXPECT_EQ(engine->graphics.maskName, "cg\\mask 01.bmp");
    EXPECT_EQ(engine->graphics.effectNumber, 21);
}

TEST_F(TransitionCommands, MaskNamesAreFoundFromTheTitleFolder) {
    Open(640, 480);
    std::string path = WriteMask(MakeMaskBmp(640, 480, [](int, int) { return uint8_t{0}; }, {128}));
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(tempDir);
    RunCommand(CmdMaskEfct, *engine, "$maskefct MASK.BMP");
    int result = Present(*engine);
    std::filesystem::current_path(previous);
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(platform().Messages().empty());
    EXPECT_EQ(platform().Copies().size(), 33u);
}

TEST_F(TransitionCommands, SubefRunsTheScreenEffect) {
    Open(640, 480);
    RunCommand(CmdSubef, *engine, "$subef 2");
    uint32_t pixel = 0;
    engine->graphics.ScreenSurface.GetPixel(300, 228, pixel);
    EXPECT_EQ(pixel, 0x0000FFu);
}

TEST_F(ScreenEffects, ShakeLeavesUncoveredWindowPartsAndEndsInPlace) {
    Open(640, 480);
    GraphicsState& g = engine->graphics;
    // The window shows the old picture; ScreenSurface now holds another.
    Paint(g.ScreenSurface, NewColour);
    uint32_t uncoveredCorner = 0;
    uint32_t shifted = 0;
    platform().afterCopy = [&] {
        if (platform().Copies().size() == 1) {
            uncoveredCorner = platform().WindowPixel(639, 0);
            shifted = platform().WindowPixel(0, 15);
        }
    };
    ScreenEffect(*engine, 1);
    EXPECT_EQ(uncoveredCorner, OldColour(639, 0));
    EXPECT_EQ(shifted, NewColour(30, 0));
    std::vector<WindowCopy> expected;
    for (auto [dx, dy] :
         std::vector<std::pair<int, int>>{{-30, 15}, {25, 12}, {-20, -9}, {15, -6}, {-10, 3}, {0, 0}}) {
        expected.push_back({0, 0, 640, 480, dx, dy, false});
    }
    EXPECT_EQ(platform().Copies(), expected);
    EXPECT_EQ(Sleeps(), std::vector<int64_t>(5, 50));
    EXPECT_EQ(WindowMismatches(g.ScreenSurface), 0);
    EXPECT_EQ(SurfaceMismatches(g.BackSurface, g.WorkPixels), 0);
}

TEST_F(ScreenEffects, LinesGrowTwentyPixelsPerStepAcross640Pixels) {
    for (int n : {2, 3}) {
        Open(800, 600);
        engine->env.screenEffects = 0;  // screen effects do not follow the setting
        const uint32_t colour = n == 2 ? 0x0000FFu : 0xFFFFFFu;
        std::vector<uint32_t> atNineteen;
        platform().afterCopy = [&] { atNineteen.push_back(platform().WindowPixel(19, 228)); };
        ScreenEffect(*engine, n);
        EXPECT_EQ(platform().Copies(),
                  std::vector<WindowCopy>(33, WindowCopy{0, 228, 640, 1, 0, 228, false}));
        EXPECT_EQ(Sleeps(), std::vector<int64_t>(33, 1));
        ASSERT_EQ(atNineteen.size(), 33u);
        EXPECT_EQ(atNineteen[0], OldColour(19, 228));
        EXPECT_EQ(atNineteen[1], colour);
        GraphicsState& g = engine->graphics;
        uint32_t pixel = 0;
        for (int x : {0, 639}) {
            g.ScreenSurface.GetPixel(x, 228, pixel);
            EXPECT_EQ(pixel, colour) << x;
            EXPECT_EQ(platform().WindowPixel(x, 228), colour) << x;
        }
        g.ScreenSurface.GetPixel(640, 228, pixel);
        EXPECT_EQ(pixel, OldColour(640, 228));
        g.ScreenSurface.GetPixel(5, 227, pixel);
        EXPECT_EQ(pixel, OldColour(5, 227));
        g.BackSurface.GetPixel(5, 228, pixel);
        EXPECT_EQ(pixel, NewColour(5, 228));
    }
}

TEST_F(ScreenEffects, OtherNumbersDoNothing) {
    for (int n : {0, 4, -1}) {
        Open(640, 480);
        ScreenEffect(*engine, n);
        EXPECT_TRUE(platform().Copies().empty()) << n;
        EXPECT_TRUE(Sleeps().empty()) << n;
    }
}

}  // namespace
}  // namespace textreel::testing
