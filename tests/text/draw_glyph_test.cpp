#include "text/draw_glyph.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "support/fake_glyph_source.h"

namespace textreel {
namespace {

using testing::FakeGlyphSource;

constexpr uint8_t kOne[] = {'A'};
constexpr uint8_t kAi[] = {0x82, 0xA0};  // "あ"

uint32_t PixelAt(const Surface& surface, int x, int y) {
    uint32_t colour = 0xDEADBEEF;
    EXPECT_TRUE(surface.GetPixel(x, y, colour)) << x << "," << y;
    return colour;
}

// Counts pixels that differ from fill.
int ChangedPixels(const Surface& surface, uint32_t fill) {
    int changed = 0;
    for (int y = 0; y < surface.Height(); ++y) {
        for (int x = 0; x < surface.Width(); ++x) {
            changed += PixelAt(surface, x, y) != fill;
        }
    }
    return changed;
}

// Glyphs in these tests use fontSize 2 with a one-pixel-wide box, so g = 1 - 0 = 1, and
// ascent == originY, so row r lands on y + r.
TEST(DrawGlyph, FullCoverageStopsShortOfThePureColour) {
    FakeGlyphSource glyphs;
    glyphs.AddBox('A', 1, 1, 64, glyphs.ascent);
    Surface surface(4, 4);
    DrawGlyph(glyphs, surface, 2, 1, 1, kOne, 1, 0xFFFFFF);
    EXPECT_EQ(PixelAt(surface, 2, 1), 0xFAFAFAu);

    // Black over white keeps a trace of the white, and a second pass darkens further.
    Surface white(4, 4);
    white.FillRect(0, 0, 4, 4, 0xFFFFFF);
    DrawGlyph(glyphs, white, 2, 1, 1, kOne, 1, 0x000000);
    EXPECT_EQ(PixelAt(white, 2, 1), 0x030303u);
    DrawGlyph(glyphs, white, 2, 1, 1, kOne, 1, 0x000000);
    EXPECT_EQ(PixelAt(white, 2, 1), 0x000000u);
}

TEST(DrawGlyph, CoverageLevelsFollowTheSixtyFiveStepTable) {
    // Opacities 3, 125 and 247 for levels 1, 32 and 63, white over black: (255 * a) >> 8.
    FakeGlyphSource glyphs;
    glyphs.Add('A', {{1, 32, 63}}, glyphs.ascent);
    Surface surface(8, 2);
    DrawGlyph(glyphs, surface, 2, 0, 0, kOne, 1, 0xFFFFFF);  // g = 1 - 1 = 0
    EXPECT_EQ(PixelAt(surface, 0, 0), 0x020202u);
    EXPECT_EQ(PixelAt(surface, 1, 0), 0x7C7C7Cu);
    EXPECT_EQ(PixelAt(surface, 2, 0), 0xF6F6F6u);
}

TEST(DrawGlyph, LevelZeroLeavesThePixelAlone) {
    FakeGlyphSource glyphs;
    glyphs.Add('A', {{0, 64, 0}}, glyphs.ascent);
    Surface surface(4, 2);
    surface.FillRect(0, 0, 4, 2, 0x123456);
    DrawGlyph(glyphs, surface, 2, 0, 0, kOne, 1, 0x000000);
    EXPECT_EQ(PixelAt(surface, 0, 0), 0x123456u);
    EXPECT_NE(PixelAt(surface, 1, 0), 0x123456u);
    EXPECT_EQ(PixelAt(surface, 2, 0), 0x123456u);
    EXPECT_EQ(ChangedPixels(surface, 0x123456), 1);
}

TEST(DrawGlyph, BlankMissingAndMalformedGlyphsDrawNothing) {
    FakeGlyphSource glyphs;
    glyphs.Add(' ', {}, 0);
    glyphs.AddBox(0x8140, 0, 0, 0, 0);
    Surface surface(8, 8);
    const uint8_t space[] = {' '};
    const uint8_t blankFullWidth[] = {0x81, 0x40};
    const uint8_t unknown[] = {'Z'};
    DrawGlyph(glyphs, surface, 21, 0, 0, space, 1, 0xFFFFFF);
    DrawGlyph(glyphs, surface, 21, 0, 0, blankFullWidth, 2, 0xFFFFFF);
    DrawGlyph(glyphs, surface, 21, 0, 0, unknown, 1, 0xFFFFFF);
    DrawGlyph(glyphs, surface, 21, 0, 0, nullptr, 1, 0xFFFFFF);
    DrawGlyph(glyphs, surface, 21, 0, 0, space, 0, 0xFFFFFF);
    // Blank glyphs are not even fetched.
    EXPECT_TRUE(glyphs.renderedCodes.empty());

    // A source whose bitmap is shorter than its metrics claim is not read past its end.
    GlyphBitmap& shortBitmap = glyphs.AddBox('A', 4, 4, 64, glyphs.ascent);
    shortBitmap.levels.resize(5);
    DrawGlyph(glyphs, surface, 2, 0, 0, kOne, 1, 0xFFFFFF);
    EXPECT_EQ(ChangedPixels(surface, 0), 0);
}

TEST(DrawGlyph, ABlackBoxWiderThanTheCellStartsLeftOfTheCell) {
    FakeGlyphSource glyphs;
    glyphs.AddBox('W', 14, 1, 64, glyphs.ascent);
    Surface surface(30, 2);
    const uint8_t wide[] = {'W'};
    DrawGlyph(glyphs, surface, 10, 10, 0, wide, 1, 0xFFFFFF);  // g = 5 - 7 = -2
    EXPECT_EQ(PixelAt(surface, 7, 0), 0u);
    for (int x = 8; x < 22; ++x) {
        EXPECT_EQ(PixelAt(surface, x, 0), 0xFAFAFAu) << x;
    }
    EXPECT_EQ(PixelAt(surface, 22, 0), 0u);
}

TEST(DrawGlyph, BoxIsCentredOnTheCellAndSitsOnTheBaseline) {
    FakeGlyphSource glyphs;
    glyphs.ascent = 15;
    glyphs.AddBox(0x82A0, 5, 3, 64, 10);
    Surface surface(60, 40);
    DrawGlyph(glyphs, surface, 21, 20, 4, kAi, 2, 0xFFFFFF);
    // x + 21 / 2 - 5 / 2 = 20 + 10 - 2; y + 15 - 10.
    EXPECT_EQ(PixelAt(surface, 28, 9), 0xFAFAFAu);
    EXPECT_EQ(PixelAt(surface, 32, 11), 0xFAFAFAu);
    EXPECT_EQ(ChangedPixels(surface, 0), 15);
    ASSERT_EQ(glyphs.renderedCodes.size(), 1u);
    EXPECT_EQ(glyphs.renderedCodes[0], 0x82A0u);
}

TEST(DrawGlyph, OneByteCountLooksUpTheFirstByteAlone) {
    FakeGlyphSource glyphs;
    glyphs.AddBox(0x82, 1, 1, 64, glyphs.ascent);
    Surface surface(4, 4);
    DrawGlyph(glyphs, surface, 2, 0, 0, kAi, 1, 0xFFFFFF);
    EXPECT_EQ(PixelAt(surface, 1, 0), 0xFAFAFAu);
}

TEST(DrawGlyph, BitmapsOfTwoThousandPaddedBytesAreRefused) {
    FakeGlyphSource glyphs;
    Surface surface(64, 64);
    // 37 pixels wide pads to 40: 49 rows make 1960 bytes, 50 rows make 2000 (1850 unpadded).
    glyphs.AddBox('A', 37, 49, 64, glyphs.ascent);
    DrawGlyph(glyphs, surface, 40, 0, 0, kOne, 1, 0xFFFFFF);
    EXPECT_EQ(ChangedPixels(surface, 0), 37 * 49);

    Surface fresh(64, 64);
    glyphs.AddBox('A', 37, 50, 64, glyphs.ascent);
    DrawGlyph(glyphs, fresh, 40, 0, 0, kOne, 1, 0xFFFFFF);
    EXPECT_EQ(ChangedPixels(fresh, 0), 0);
}

TEST(DrawGlyph, RowPaddingIsSkippedForOddWidths) {
    FakeGlyphSource glyphs;
    // Width 5 pads to 8; the padding bytes hold 64, which must never be drawn.
    glyphs.Add('A', {{64, 0, 64, 0, 64}, {0, 64, 0, 64, 0}, {64, 64, 0, 0, 0}}, glyphs.ascent);
    Surface surface(12, 4);
    DrawGlyph(glyphs, surface, 4, 0, 0, kOne, 1, 0xFFFFFF);  // g = 2 - 2 = 0
    const char* expected[] = {"#.#.#.......", ".#.#........", "##..........", "............"};
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 12; ++x) {
            EXPECT_EQ(PixelAt(surface, x, y) != 0, expected[y][x] == '#') << x << "," << y;
        }
    }
}

TEST(DrawGlyph, ColourValuesHaveRedInTheLowByte) {
    FakeGlyphSource glyphs;
    glyphs.AddBox('A', 1, 1, 64, glyphs.ascent);
    Surface red(4, 4);
    DrawGlyph(glyphs, red, 2, 0, 0, kOne, 1, 0x0000FF);
    const uint8_t* p = red.RowTop(0) + 3;  // pixel (1, 0): blue, green, red
    EXPECT_EQ(p[0], 0);
    EXPECT_EQ(p[1], 0);
    EXPECT_EQ(p[2], 250);

    Surface blue(4, 4);
    DrawGlyph(glyphs, blue, 2, 0, 0, kOne, 1, 0xFF0000);
    p = blue.RowTop(0) + 3;
    EXPECT_EQ(p[0], 250);
    EXPECT_EQ(p[1], 0);
    EXPECT_EQ(p[2], 0);
}

TEST(DrawGlyph, PixelsOffTheSurfaceAreSkippedWithoutWrapping) {
    FakeGlyphSource glyphs;
    glyphs.AddBox('A', 3, 3, 64, glyphs.ascent);
    Surface surface(4, 4);
    // g = 1 - 1 = 0: the box covers x -1..1 and y -1..1.
    DrawGlyph(glyphs, surface, 2, -1, -1, kOne, 1, 0xFFFFFF);
    EXPECT_EQ(ChangedPixels(surface, 0), 4);
    // A write that wrapped from column -1 would land in the last column of the row above.
    for (int y = 0; y < 4; ++y) {
        EXPECT_EQ(PixelAt(surface, 3, y), 0u) << y;
    }
    // Bottom right corner: x 2..4, y 2..4.
    Surface corner(4, 4);
    DrawGlyph(glyphs, corner, 2, 2, 2, kOne, 1, 0xFFFFFF);
    EXPECT_EQ(ChangedPixels(corner, 0), 4);
    EXPECT_EQ(PixelAt(corner, 0, 3), 0u);

    // Far away, and at the limits of the integer range: nothing, and no overflow.
    Surface far(4, 4);
    DrawGlyph(glyphs, far, 2, 1000, 1000, kOne, 1, 0xFFFFFF);
    DrawGlyph(glyphs, far, 2, INT_MAX, INT_MAX, kOne, 1, 0xFFFFFF);
    DrawGlyph(glyphs, far, 2, INT_MIN, INT_MIN, kOne, 1, 0xFFFFFF);
    DrawGlyph(glyphs, far, INT_MIN, 0, 0, kOne, 1, 0xFFFFFF);
    EXPECT_EQ(ChangedPixels(far, 0), 0);

    Surface empty;
    DrawGlyph(glyphs, empty, 2, 0, 0, kOne, 1, 0xFFFFFF);
}

TEST(DrawGlyph, LevelsAboveSixtyFourCountAsFullCoverage) {
    FakeGlyphSource glyphs;
    glyphs.Add('A', {{200}}, glyphs.ascent);
    Surface surface(4, 4);
    DrawGlyph(glyphs, surface, 2, 0, 0, kOne, 1, 0xFFFFFF);
    EXPECT_EQ(PixelAt(surface, 1, 0), 0xFAFAFAu);
}

}  // namespace
}  // namespace textreel
