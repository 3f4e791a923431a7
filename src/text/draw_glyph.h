// Anti-aliased drawing of one message-text character.
#pragma once

#include <cstdint>

#include "graphics/surface.h"
#include "text/glyph_source.h"

namespace textreel {

// Blends the character given by byteCount (1 or 2) Shift-JIS bytes into surface in colour
// (0x00BBGGRR). (x, y) is the top-left corner of the character cell; the black box is centred on
// x + fontSize / 2 and sits on the baseline at y + ascent. Blank glyphs, characters the font cannot
// draw and bitmaps of 2000 bytes or more draw nothing. Full coverage reaches 251/256 of the colour,
// never the pure colour. Pixels outside the surface are skipped.
void DrawGlyph(GlyphSource& glyphs, Surface& surface, int fontSize, int x, int y, const uint8_t* bytes,
               int byteCount, uint32_t colour);

// The same for a glyph code (a Shift-JIS code, or a code point marked with kUnicodeGlyph).
void DrawGlyphCode(GlyphSource& glyphs, Surface& surface, int fontSize, int x, int y, uint32_t code,
                   uint32_t colour);

// Blends a glyph placed by its own metrics, as proportional text is: the black box starts
// originX to the right of penX and stands on the baseline at baselineY (the message font's, so that
// Latin and Japanese letters share it).
void DrawGlyphAtPen(GlyphSource& glyphs, Surface& surface, int fontSize, int penX, int baselineY,
                    uint32_t code, uint32_t colour);

}  // namespace textreel
