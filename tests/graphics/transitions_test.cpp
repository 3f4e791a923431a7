#include "graphics/transitions.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include "graphics/transition_fixture.h"

namespace textreel::testing {
namespace {

using Transitions = TransitionTest;

WindowCopy Whole(int w, int h) {
    return {0, 0, w, h, 0, 0, false};
}

// ----- the frame of Present: effect 0, unknown numbers, the user setting, ScriptBusy -----

TEST_F(Transitions, EffectZeroShowsNothingWhateverTheSetting) {
    for (int setting : {1, 0}) {
        Open(640, 480);
        engine->env.screenEffects = setting;
        EXPECT_EQ(PresentWith(0), 1);
        EXPECT_TRUE(platform().Copies().empty());
        EXPECT_EQ(WindowMismatches(engine->graphics.ScreenSurface), 0);
        uint32_t pixel = 0;
        engine->graphics.ScreenSurface.GetPixel(5, 7, pixel);
        EXPECT_EQ(pixel, OldColour(5, 7));
    }
}

TEST_F(Transitions, ScreenEffectsOffTurnEveryOtherEffectIntoACut) {
    for (int effect : {6, 8, 21, 9}) {
        Open(640, 480);
        engine->env.screenEffects = 0;
        EXPECT_EQ(PresentWith(effect), 1) << effect;
        EXPECT_EQ(platform().Copies(), std::vector<WindowCopy>{Whole(640, 480)}) << effect;
        EXPECT_TRUE(Sleeps().empty()) << effect;
        EXPECT_EQ(WindowMismatches(engine->graphics.BackSurface), 0) << effect;
        EXPECT_EQ(SurfaceMismatches(engine->graphics.ScreenSurface, engine->graphics.BackSurface), 0);
    }
}

TEST_F(Transitions, UnknownNumbersShowNothingAndReturnZero) {
    for (int effect : {9, 10, -1, 22, 1000}) {
        Open(640, 480);
        EXPECT_EQ(PresentWith(effect), 0) << effect;
        EXPECT_TRUE(platform().Copies().empty()) << effect;
        EXPECT_EQ(engine->ScriptBusy, 0) << effect;
        EXPECT_EQ(WindowMismatches(engine->graphics.ScreenSurface), 0);
        EXPECT_GT(WindowMismatches(engine->graphics.BackSurface), 0);
    }
}

TEST_F(Transitions, ScriptBusyIsSetForEveryCopyAndClearedAfterwards) {
    for (int effect : {2, 8, 13, 16}) {
        Open(640, 480);
        std::set<int32_t> seen;
        platform().afterCopy = [&] { seen.insert(engine->ScriptBusy.load()); };
        PresentWith(effect);
        EXPECT_EQ(seen, std::set<int32_t>{1}) << effect;
        EXPECT_EQ(engine->ScriptBusy, 0) << effect;
    }
}

TEST_F(Transitions, ClosingTheProgramEndsATransitionAtOnceWithTheNewPicture) {
    Open(640, 480);
    engine->graphics.alphaDepth = 64;
    engine->RequestClose();
    EXPECT_EQ(PresentWith(8), 1);
    // One mixed step, then the cut; no sleep at all.
    EXPECT_EQ(platform().Copies().size(), 2u);
    EXPECT_TRUE(Sleeps().empty());
    EXPECT_EQ(WindowMismatches(engine->graphics.BackSurface), 0);
    EXPECT_EQ(engine->ScriptBusy, 0);
}

TEST_F(Transitions, RepaintDuringATransitionIsSafeAndTheNewPictureStays) {
    Open(640, 480);
    engine->graphics.alphaDepth = 16;
    std::atomic<bool> done{false};
    std::thread script([&] {
        PresentWith(8);
        done = true;
    });
    // Repaints from this thread while the transition runs on the other (at least one, whichever
    // finishes first); the window must end on the new picture all the same.
    do {
        Repaint(*engine);
    } while (!done);
    script.join();
    Repaint(*engine);
    EXPECT_EQ(WindowMismatches(engine->graphics.BackSurface), 0);
    EXPECT_EQ(engine->ScriptBusy, 0);
}

// ----- every effect ends with the whole new picture -----

class EveryEffect : public TransitionTest,
                    public ::testing::WithParamInterface<std::tuple<int, std::pair<int, int>>> {};

TEST_P(EveryEffect, EndsWithTheWholeNewPictureOnScreenAndWindow) {
    auto [effect, size] = GetParam();
    auto [width, height] = size;
    Open(width, height);
    if (effect == 21) {
        std::vector<uint8_t> red(256);
        for (int i = 0; i < 256; ++i) {
            red[i] = static_cast<uint8_t>(i);
        }
        engine->graphics.maskName = WriteMask(MakeMaskBmp(
            width, height, [](int x, int y) { return static_cast<uint8_t>(x + y); }, red));
    }
    EXPECT_EQ(PresentWith(effect), 1);
    GraphicsState& g = engine->graphics;
    // The mask fade ends within one level of the new picture.
    const int tolerance = effect == 21 ? 1 : 0;
    EXPECT_EQ(WindowMismatches(g.BackSurface, tolerance), 0);
    EXPECT_EQ(SurfaceMismatches(g.ScreenSurface, g.BackSurface, tolerance), 0);
    EXPECT_EQ(WindowMismatches(g.ScreenSurface), 0);
    EXPECT_TRUE(platform().Messages().empty());
}

std::string EffectAndSize(const ::testing::TestParamInfo<EveryEffect::ParamType>& info) {
    const auto& size = std::get<1>(info.param);
    return "Effect" + std::to_string(std::get<0>(info.param)) + "At" + std::to_string(size.first) + "x" +
           std::to_string(size.second);
}

INSTANTIATE_TEST_SUITE_P(AtBothSizes, EveryEffect,
                         ::testing::Combine(::testing::Values(1, 2, 3, 4, 5, 6, 7, 8, 11, 12, 13, 14, 15, 16,
                                                              17, 18, 19, 20, 21),
                                            ::testing::Values(std::pair{800, 600}, std::pair{640, 480})),
                         EffectAndSize);

// ----- pacing -----

TEST_F(Transitions, PacedEffectsSleepToEachStepsDeadline) {
    struct Case {
        int effect;
        size_t steps;
        int64_t ms;
    };
    // At 640 x 480: shutter across takes 64 strips, shutter down 48.
    for (Case c : {Case{2, 11, 30}, Case{3, 11, 30}, Case{4, 16, 40}, Case{5, 10, 10}, Case{6, 56, 20},
                   Case{7, 160, 2}, Case{8, 65, 20}, Case{19, 64, 7}, Case{20, 48, 10}}) {
        Open(640, 480);
        PresentWith(c.effect);
        EXPECT_EQ(Sleeps(), std::vector<int64_t>(c.steps, c.ms)) << c.effect;
    }
}

TEST_F(Transitions, WipesSleepOneMillisecondPerLineAndScrollsNotAtAll) {
    struct Case {
        int effect;
        size_t sleeps;
    };
    for (Case c : {Case{15, 480}, Case{16, 481}, Case{17, 640}, Case{18, 641}, Case{11, 0}, Case{12, 0},
                   Case{13, 0}, Case{14, 0}}) {
        Open(640, 480);
        PresentWith(c.effect);
        EXPECT_EQ(Sleeps(), std::vector<int64_t>(c.sleeps, 1)) << c.effect;
    }
}

// ----- blinds -----

TEST_F(Transitions, VerticalBlindsWidenEveryTenPixelBand) {
    Open(640, 480);
    PresentWith(2);
    std::vector<WindowCopy> copies = platform().Copies();
    ASSERT_EQ(copies.size(), 11u * 64u);
    EXPECT_EQ(copies[0], (WindowCopy{0, 0, 0, 480, 0, 0, false}));
    EXPECT_EQ(copies[64 * 10 + 63], (WindowCopy{630, 0, 10, 480, 630, 0, false}));
}

TEST_F(Transitions, HorizontalBlindsLeaveTheRowsBelowTheLastWholeBand) {
    Open(640, 484);
    PresentWith(3);
    EXPECT_EQ(platform().Copies().size(), 11u * 48u);
    GraphicsState& g = engine->graphics;
    // ScreenSurface has the whole new picture, but the window keeps the old bottom rows.
    EXPECT_EQ(SurfaceMismatches(g.ScreenSurface, g.BackSurface), 0);
    for (int y : {0, 479}) {
        EXPECT_EQ(platform().WindowPixel(100, y), NewColour(100, y)) << y;
    }
    for (int y : {480, 483}) {
        EXPECT_EQ(platform().WindowPixel(100, y), OldColour(100, y)) << y;
    }
}

// ----- the ordered dissolve -----

TEST_F(Transitions, DissolveTurnsOnePixelOfEachCellPerStep) {
    Open(640, 480);
    std::vector<int> newPixels;
    platform().afterCopy = [&] {
        std::vector<uint8_t> rgb;
        int w = 0;
        int h = 0;
        platform().ReadWindow(rgb, w, h);
        int count = 0;
        for (size_t k = 0; k < rgb.size(); k += 3) {
            count += rgb[k] == 0xD0;  // the new picture's red byte
        }
        newPixels.push_back(count);
    };
    PresentWith(4);
    ASSERT_EQ(newPixels.size(), 16u);
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(newPixels[k], (k + 1) * 640 * 480 / 16) << k;
    }
    EXPECT_EQ(WindowMismatches(engine->graphics.BackSurface), 0);
}

TEST_F(Transitions, DissolveFirstStepTakesTheBottomRowThirdColumn) {
    Open(640, 480);
    uint32_t first = 0;
    uint32_t neighbour = 0;
    bool taken = false;
    platform().afterCopy = [&] {
        if (!taken) {
            taken = true;
            first = platform().WindowPixel(3, 479);
            neighbour = platform().WindowPixel(2, 479);
        }
    };
    PresentWith(4);
    EXPECT_EQ(first, NewColour(3, 479));
    EXPECT_EQ(neighbour, OldColour(2, 479));
}

// ----- the diagonal tile wipe -----

// The tile copies of one step exactly as laid out for 640 x 480.
std::vector<WindowCopy> TableTiles(int i) {
    std::vector<WindowCopy> copies;
    auto tile = [&](int x, int y) { copies.push_back({x, y, 20, 20, x, y, false}); };
    tile(20 * i, 0);
    if (i == 0) {
        tile(0, 0);
    }
    for (int r = 1; r <= 10; ++r) {
        if (i >= r) {
            tile(20 * (i - r), 20 * r);
        }
    }
    for (int r = 11; r <= 22; ++r) {
        if (i >= r) {
            tile(20 * (i - r - 1), 20 * r);
        }
    }
    if (i >= 23) {
        tile(20 * i - 480, 460);
    }
    return copies;
}

TEST_F(Transitions, DiagonalTilesAt640x480AreExactlyTheLayout) {
    Open(640, 480);
    PresentWith(6);
    std::vector<WindowCopy> expected;
    for (int i = 0; i < 56; ++i) {
        std::vector<WindowCopy> step = TableTiles(i);
        expected.insert(expected.end(), step.begin(), step.end());
    }
    EXPECT_EQ(platform().Copies(), expected);
}

TEST_F(Transitions, DiagonalTilesReachTheLastTileOfLargerAndOddScreens) {
    Open(800, 600);
    PresentWith(6);
    EXPECT_EQ(Sleeps().size(), 70u);
    EXPECT_EQ(platform().Copies().back(), (WindowCopy{780, 580, 20, 20, 780, 580, false}));
    Open(812, 604);
    PresentWith(6);
    EXPECT_EQ(WindowMismatches(engine->graphics.BackSurface), 0);
}

// ----- the random line sweep -----

TEST_F(Transitions, LineSweepCoversEveryRowOfATallScreen) {
    Open(640, 720);
    PresentWith(7);
    std::vector<WindowCopy> copies = platform().Copies();
    // 160 steps of one piece per row, then the whole screen.
    ASSERT_EQ(copies.size(), 160u * 720u + 1u);
    int lastRowPieces = 0;
    int lastRowMin = 1 << 30;
    for (size_t k = 0; k + 1 < copies.size(); ++k) {
        EXPECT_EQ(copies[k].w, 5);
        EXPECT_EQ(copies[k].h, 1);
        if (copies[k].dy == 719) {
            ++lastRowPieces;
            lastRowMin = std::min(lastRowMin, copies[k].dx);
        }
    }
    EXPECT_EQ(lastRowPieces, 160);
    EXPECT_GE(lastRowMin, -32);
    EXPECT_LE(lastRowMin, -1);
    EXPECT_EQ(copies.back(), Whole(640, 720));
}

TEST_F(Transitions, LineSweepOffsetsVaryFromRowToRow) {
    Open(640, 480);
    PresentWith(7);
    std::set<int> firstOffsets;
    std::vector<WindowCopy> copies = platform().Copies();
    for (int y = 0; y < 480; ++y) {
        firstOffsets.insert(copies[static_cast<size_t>(y)].dx + 32);
    }
    EXPECT_GT(firstOffsets.size(), 16u);
    EXPECT_GE(*firstOffsets.begin(), 0);
    EXPECT_LE(*firstOffsets.rbegin(), 31);
}

TEST_F(Transitions, LineSweepOnAWideScreenSweepsToTheRightEdge) {
    Open(800, 600);
    PresentWith(7);
    EXPECT_EQ(Sleeps().size(), 200u);
    // Before the final whole copy every row has reached the right edge.
    std::vector<WindowCopy> copies = platform().Copies();
    std::vector<int> reach(600, 0);
    for (size_t k = 0; k + 1 < copies.size(); ++k) {
        reach[static_cast<size_t>(copies[k].dy)] =
            std::max(reach[static_cast<size_t>(copies[k].dy)], copies[k].dx + 5);
    }
    for (int y = 0; y < 600; ++y) {
        EXPECT_GE(reach[static_cast<size_t>(y)], 800) << y;
    }
}

// ----- the cross-fade -----

TEST_F(Transitions, CrossFadeOfDepth64EndsExactlyOnTheNewPicture) {
    Open(640, 480);
    engine->graphics.alphaDepth = 64;
    std::vector<uint32_t> probe;
    platform().afterCopy = [&] { probe.push_back(platform().WindowPixel(10, 20)); };
    PresentWith(8);
    ASSERT_EQ(probe.size(), 65u);
    EXPECT_EQ(probe.front(), OldColour(10, 20));
    EXPECT_NE(probe[63], NewColour(10, 20));
    EXPECT_EQ(probe.back(), NewColour(10, 20));
    GraphicsState& g = engine->graphics;
    EXPECT_EQ(SurfaceMismatches(g.ScreenSurface, g.BackSurface), 0);
    EXPECT_EQ(SurfaceMismatches(g.WorkPixels, g.BackSurface), 0);
}

TEST_F(Transitions, CrossFadeOfDepthOneAndBelowIsOldThenNew) {
    for (int depth : {1, 0, -5}) {
        Open(640, 480);
        engine->graphics.alphaDepth = depth;
        std::vector<uint32_t> probe;
        platform().afterCopy = [&] { probe.push_back(platform().WindowPixel(33, 44)); };
        PresentWith(8);
        EXPECT_EQ(probe, (std::vector<uint32_t>{OldColour(33, 44), NewColour(33, 44)})) << depth;
        EXPECT_EQ(Sleeps(), std::vector<int64_t>(2, 20)) << depth;
    }
}

TEST_F(Transitions, CrossFadeOfDepth100StopsAtTwoHundredOf256) {
    Open(640, 480);
    engine->graphics.alphaDepth = 100;
    Surface old = engine->graphics.ScreenSurface;
    PresentWith(8);
    EXPECT_EQ(Sleeps().size(), 101u);
    GraphicsState& g = engine->graphics;
    int bad = 0;
    for (size_t k = 0; k < old.ByteSize(); ++k) {
        int expected = (old.Pixels()[k] * 56 + g.BackSurface.Pixels()[k] * 200) >> 8;
        bad += g.ScreenSurface.Pixels()[k] != expected;
    }
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(SurfaceMismatches(g.WorkPixels, g.ScreenSurface), 0);
    EXPECT_EQ(WindowMismatches(g.ScreenSurface), 0);
}

TEST_F(Transitions, CrossFadeDeeperThan256KeepsTheOldPictureForABoundedTime) {
    for (int depth : {300, 2147483647}) {
        Open(640, 480);
        engine->graphics.alphaDepth = depth;
        Surface old = engine->graphics.ScreenSurface;
        PresentWith(8);
        EXPECT_EQ(Sleeps().size(), 257u) << depth;
        EXPECT_EQ(SurfaceMismatches(engine->graphics.ScreenSurface, old), 0);
        EXPECT_EQ(SurfaceMismatches(engine->graphics.WorkPixels, old), 0);
    }
}

TEST(CrossFadeMix, UsesBothWeightsAndStaysInEightBits) {
    const uint8_t old[4] = {0, 255, 255, 100};
    const uint8_t fresh[4] = {255, 0, 255, 200};
    uint8_t out[4];
    CrossFadeMix(old, fresh, out, 4, 0);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 4), std::vector<uint8_t>(old, old + 4));
    CrossFadeMix(old, fresh, out, 4, 256);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 4), std::vector<uint8_t>(fresh, fresh + 4));
    CrossFadeMix(old, fresh, out, 4, 64);
    EXPECT_EQ(out[0], 63);   // 255 * 64 >> 8
    EXPECT_EQ(out[1], 191);  // 255 * 192 >> 8
    EXPECT_EQ(out[2], 255);
    EXPECT_EQ(out[3], 125);  // (100 * 192 + 200 * 64) >> 8
}

// ----- the scrolls -----

std::vector<int> Offsets(const std::vector<WindowCopy>& copies, bool vertical) {
    std::vector<int> offsets;
    for (const WindowCopy& c : copies) {
        offsets.push_back(vertical ? c.sy : c.sx);
    }
    return offsets;
}

std::vector<int> Range(int from, int step, int count) {
    std::vector<int> values;
    for (int k = 0; k < count; ++k) {
        values.push_back(from + step * k);
    }
    return values;
}

TEST_F(Transitions, ScrollsAt640x480UseTheLaidOutOffsets) {
    struct Case {
        int effect;
        bool vertical;
        std::vector<int> offsets;  // the steps, then the final copy
    };
    auto withEnd = [](std::vector<int> v, int end) {
        v.push_back(end);
        return v;
    };
    for (const Case& c :
         {Case{11, true, withEnd(Range(0, 8, 60), 480)}, Case{12, true, withEnd(Range(480, -8, 60), 0)},
          Case{13, false, withEnd(Range(0, 10, 64), 640)},
          Case{14, false, withEnd(Range(640, -10, 64), 0)}}) {
        Open(640, 480);
        PresentWith(c.effect);
        std::vector<WindowCopy> copies = platform().Copies();
        EXPECT_EQ(Offsets(copies, c.vertical), c.offsets) << c.effect;
        for (const WindowCopy& copy : copies) {
            EXPECT_EQ(copy.w, 640);
            EXPECT_EQ(copy.h, 480);
            EXPECT_EQ(copy.dx, 0);
            EXPECT_EQ(copy.dy, 0);
            EXPECT_EQ(c.vertical ? copy.sx : copy.sy, 0);
        }
    }
}

TEST_F(Transitions, ScrollsOnOtherSizesCoverTheWholeScreen) {
    Open(800, 600);
    PresentWith(11);
    std::vector<int> up = Offsets(platform().Copies(), true);
    ASSERT_EQ(up.size(), 76u);
    EXPECT_EQ(up[74], 592);
    EXPECT_EQ(up[75], 600);
    Open(804, 604);
    PresentWith(14);
    std::vector<int> right = Offsets(platform().Copies(), false);
    ASSERT_EQ(right.size(), 82u);
    EXPECT_EQ(right.front(), 804);
    EXPECT_EQ(right[80], 4);
    EXPECT_EQ(WindowMismatches(engine->graphics.BackSurface), 0);
}

TEST_F(Transitions, ScrollUpShowsTheOldPictureAboveTheNewOne) {
    Open(640, 480);
    uint32_t top = 0;
    uint32_t bottom = 0;
    int copy = 0;
    platform().afterCopy = [&] {
        if (++copy == 31) {  // offset 240
            top = platform().WindowPixel(7, 0);
            bottom = platform().WindowPixel(7, 479);
        }
    };
    PresentWith(11);
    EXPECT_EQ(top, OldColour(7, 240));
    EXPECT_EQ(bottom, NewColour(7, 239));
}

// ----- wipes and shutters -----

TEST_F(Transitions, WipeUpStartsOneRowBelowTheScreen) {
    Open(640, 480);
    PresentWith(16);
    std::vector<WindowCopy> copies = platform().Copies();
    ASSERT_EQ(copies.size(), 481u);
    EXPECT_EQ(copies[0], (WindowCopy{0, 480, 640, 1, 0, 480, false}));
    EXPECT_EQ(copies[480], (WindowCopy{0, 0, 640, 1, 0, 0, false}));
}

TEST_F(Transitions, ShutterAcrossCopiesAStripFromEachSide) {
    Open(640, 480);
    PresentWith(19);
    std::vector<WindowCopy> copies = platform().Copies();
    ASSERT_EQ(copies.size(), 128u);
    EXPECT_EQ(copies[0], (WindowCopy{0, 0, 5, 480, 0, 0, false}));
    EXPECT_EQ(copies[1], (WindowCopy{635, 0, 5, 480, 635, 0, false}));
    EXPECT_EQ(copies[3], (WindowCopy{625, 0, 5, 480, 625, 0, false}));
}

TEST_F(Transitions, StretchOpensFromTheLaidOutBand) {
    Open(800, 600);
    PresentWith(5);
    std::vector<WindowCopy> copies = platform().Copies();
    ASSERT_EQ(copies.size(), 11u);
    EXPECT_EQ(copies[0], (WindowCopy{0, 0, 224, 600, 288, 0, true}));
    EXPECT_EQ(copies[9], (WindowCopy{0, 0, 800, 600, 0, 0, true}));
    EXPECT_EQ(copies[10], Whole(800, 600));
}

}  // namespace
}  // namespace textreel::testing
