#include "text/plain_text.h"

#include <gtest/gtest.h>

#include <string>

#include "support/fake_glyph_source.h"

namespace textreel {
namespace {

using testing::FakeGlyphSource;

uint32_t PixelAt(const Surface& surface, int x, int y) {
    uint32_t colour = 0xDEADBEEF;
    EXPECT_TRUE(surface.GetPixel(x, y, colour)) << x << "," << y;
    return colour;
}

// Background grey so that both the white cells and the black ink show.
constexpr uint32_t kGrey = 0x808080;

Surface GreySurface(int width, int height) {
    Surface surface(width, height);
    surface.FillRect(0, 0, width, height, kGrey);
    return surface;
}

TEST(PlainText, CellsAreWhiteAndFullInkIsPureBlack) {
    FakeGlyphSource glyphs;
    glyphs.ascent = 8;
    glyphs.Add('A', {{64, 32, 0}}, 6, 1);
    Surface surface = GreySurface(40, 20);
    EXPECT_EQ(DrawPlainText(glyphs, surface, 10, 3, 2, "A"), 5);
    // The cell is x 3..7, y 2..11; the ink row is at y 2 + 8 - 6, from x 3 + 1.
    EXPECT_EQ(PixelAt(surface, 4, 4), 0x000000u);
    uint32_t half = PixelAt(surface, 5, 4);
    EXPECT_GT(half & 0xFF, 0x70u);
    EXPECT_LT(half & 0xFF, 0x90u);
    EXPECT_EQ(PixelAt(surface, 6, 4), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(surface, 3, 2), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(surface, 7, 11), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(surface, 2, 2), kGrey);
    EXPECT_EQ(PixelAt(surface, 8, 2), kGrey);
    EXPECT_EQ(PixelAt(surface, 3, 1), kGrey);
    EXPECT_EQ(PixelAt(surface, 3, 12), kGrey);
}

TEST(PlainText, AdvancesAddUpAndPlaceEachCharacter) {
    FakeGlyphSource glyphs;
    glyphs.ascent = 4;
    glyphs.AddBox('A', 1, 1, 64, 4);
    glyphs.AddBox(0x82A0, 1, 1, 64, 4);
    glyphs.AddBox('B', 1, 1, 64, 4);
    glyphs.advances['A'] = 7;
    Surface surface = GreySurface(60, 10);
    // A (7) + あ (full cell, 12) + B (half cell, 6).
    EXPECT_EQ(DrawPlainText(glyphs, surface, 12, 0, 0,
                            "A\x82\xA0"
                            "B"),
              25);
    EXPECT_EQ(PixelAt(surface, 0, 0), 0u);
    EXPECT_EQ(PixelAt(surface, 7, 0), 0u);
    EXPECT_EQ(PixelAt(surface, 19, 0), 0u);
    EXPECT_EQ(PixelAt(surface, 24, 0), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(surface, 25, 0), kGrey);
}

TEST(PlainText, ATrailingLeadByteIsDropped) {
    FakeGlyphSource glyphs;
    glyphs.AddBox('A', 1, 1, 64, glyphs.ascent);
    Surface surface = GreySurface(40, 20);
    EXPECT_EQ(DrawPlainText(glyphs, surface, 10, 0, 0, "A\x82"), 5);
    EXPECT_EQ(PixelAt(surface, 5, 0), kGrey);
    ASSERT_EQ(glyphs.renderedCodes.size(), 1u);
    EXPECT_EQ(glyphs.renderedCodes[0], static_cast<uint32_t>('A'));

    EXPECT_EQ(DrawPlainText(glyphs, surface, 10, 0, 0, ""), 0);
}

TEST(PlainText, InkReachingIntoTheNextCellIsNotPaintedOver) {
    FakeGlyphSource glyphs;
    glyphs.ascent = 2;
    glyphs.AddBox('A', 8, 1, 64, 2);  // 8 wide in a 5-wide cell
    Surface surface = GreySurface(40, 20);
    EXPECT_EQ(DrawPlainText(glyphs, surface, 10, 0, 0, "A "), 10);
    EXPECT_EQ(PixelAt(surface, 7, 0), 0u);
    EXPECT_EQ(PixelAt(surface, 8, 0), 0xFFFFFFu);
}

TEST(PlainText, TextPartlyOffTheSurfaceIsClipped) {
    FakeGlyphSource glyphs;
    glyphs.AddBox('A', 3, 3, 64, glyphs.ascent);
    Surface surface = GreySurface(4, 4);
    EXPECT_EQ(DrawPlainText(glyphs, surface, 10, -2, -2, "AAAA"), 20);
    EXPECT_EQ(PixelAt(surface, 0, 0), 0u);
    EXPECT_EQ(DrawPlainText(glyphs, surface, 10, 100, 100, "A"), 5);
}

}  // namespace
}  // namespace textreel
