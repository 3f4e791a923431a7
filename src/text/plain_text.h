// Plain text output as the backlog viewer uses it: black text on an opaque white background.
#pragma once

#include <string>

#include "graphics/surface.h"
#include "text/glyph_source.h"

namespace textreel {

// Draws Shift-JIS text with its top-left corner at (x, y). Each character's cell (its advance wide,
// fontSize high) is filled white, then the glyphs are blended in black; full coverage is pure black.
// A lead byte at the very end (half a character) is dropped. Returns the width drawn.
int DrawPlainText(GlyphSource& glyphs, Surface& surface, int fontSize, int x, int y,
                  const std::string& sjisText);

}  // namespace textreel
