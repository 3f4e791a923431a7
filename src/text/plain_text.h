// Plain text output as the backlog viewer uses it: black text on an opaque white background.
#pragma once

#include <string>

#include "graphics/surface.h"
#include "shell/title_settings.h"
#include "text/glyph_source.h"

namespace textreel {

// Draws text (Shift-JIS, or UTF-8 for a title that says so) with its top-left corner at (x, y). Each
// character's cell (its advance wide, fontSize high) is filled white, then the glyphs are blended in black;
// full coverage is pure black. A lead byte at the very end (half a character) is dropped. Returns the width
// drawn. With latin, half-width characters are drawn from that face at its own advances and
// kerning, on the baseline of glyphs (proportional Latin).
int DrawPlainText(GlyphSource& glyphs, Surface& surface, int fontSize, int x, int y, const std::string& text,
                  TextEncoding encoding = TextEncoding::kShiftJis, GlyphSource* latin = nullptr);

}  // namespace textreel
