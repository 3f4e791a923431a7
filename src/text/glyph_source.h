// Where glyph bitmaps come from. Text drawing asks a GlyphSource for a character's grey bitmap and
// metrics; the real source is FreeType (platform/freetype_glyphs.h), tests use fakes.
#pragma once

#include <cstdint>
#include <vector>

namespace textreel {

// A character's coverage bitmap: levels 0 (no ink) to 64 (full ink), one byte per pixel, rows top
// to bottom, each row padded to a multiple of 4 bytes: pitch = (blackBoxWidth + 3) & ~3.
struct GlyphBitmap {
    int blackBoxWidth = 0;
    int blackBoxHeight = 0;
    // Distance from the baseline up to the top of the black box.
    int originY = 0;
    int pitch = 0;
    std::vector<uint8_t> levels;
    // Distance from the pen position right to the left edge of the black box; only plain text
    // output places glyphs by it (message text centres the black box in its cell).
    int originX = 0;
};

// A glyph code with this bit set is a Unicode code point (the text of a UTF-8 title); without it,
// a Shift-JIS code.
constexpr uint32_t kUnicodeGlyph = 0x80000000u;

// Glyphs of one face at any size. A character is a Shift-JIS code: one byte, or lead * 256 + trail,
// or a code point marked with kUnicodeGlyph.
// cellHeight is the font size in pixels, taken as the height of the character cell (ascent plus
// descent), not the em size.
class GlyphSource {
  public:
    virtual ~GlyphSource() = default;
    // Pixels from the top of the cell down to the baseline.
    virtual int Ascent(int cellHeight) = 0;
    // The bitmap's byte size (pitch * blackBoxHeight); 0 for a blank glyph such as a space; -1 when
    // the code is not a character or cannot be rendered.
    virtual int64_t BitmapSize(int cellHeight, uint32_t sjisCode) = 0;
    // Fills out with the glyph's bitmap; false when BitmapSize would give -1.
    virtual bool Render(int cellHeight, uint32_t sjisCode, GlyphBitmap& out) = 0;
    // How far the pen moves after the character, in pixels.
    virtual int Advance(int cellHeight, uint32_t sjisCode) = 0;
    // The kerning between two characters drawn one after the other, in pixels (usually 0 or
    // negative); only proportional text uses it.
    virtual int Kerning(int /*cellHeight*/, uint32_t /*left*/, uint32_t /*right*/) { return 0; }
};

}  // namespace textreel
