#include "text/draw_glyph.h"

#include <array>

namespace textreel {

namespace {

// Opacity for each coverage level: 255 * v / 65, so full coverage gives 251, not 255.
constexpr std::array<uint32_t, 65> MakeOpacityTable() {
    std::array<uint32_t, 65> table{};
    for (uint32_t v = 0; v < table.size(); ++v) {
        table[v] = 255 * v / 65;
    }
    return table;
}

constexpr std::array<uint32_t, 65> kOpacity = MakeOpacityTable();

// Larger bitmaps are refused; this also bounds the usable font size.
constexpr int64_t kMaxBitmapBytes = 2000;

uint8_t Blend(uint32_t background, uint32_t colour, uint32_t a) {
    return static_cast<uint8_t>((background * (255 - a) + colour * a) >> 8);
}

// Draws the glyph with its black box centred in the cell at x, or (atPen) placed by its own
// origin from the pen position x.
void DrawPlaced(GlyphSource& glyphs, Surface& surface, int fontSize, int x, int y, uint32_t code,
                uint32_t colour, bool atPen) {
    if (surface.Empty()) {
        return;
    }
    const int64_t size = glyphs.BitmapSize(fontSize, code);
    if (size <= 0 || size >= kMaxBitmapBytes) {
        return;
    }
    // One bitmap buffer per thread, reused from glyph to glyph: a line draws many of them.
    thread_local GlyphBitmap glyph;
    if (!glyphs.Render(fontSize, code, glyph)) {
        return;
    }
    const int bbx = glyph.blackBoxWidth;
    const int bby = glyph.blackBoxHeight;
    // A bitmap that is smaller than its own metrics say is not read at all.
    if (bbx <= 0 || bby <= 0 || glyph.pitch < bbx ||
        glyph.levels.size() < static_cast<size_t>(glyph.pitch) * static_cast<size_t>(bby)) {
        return;
    }
    // Glyphs placed at the pen are given their baseline; cells have theirs at the face's ascent.
    const int ascent = atPen ? 0 : glyphs.Ascent(fontSize);
    // Positions are worked out in 64 bits so that a cursor near the integer limits cannot overflow;
    // such pixels are simply off the surface.
    const int64_t left =
        atPen ? static_cast<int64_t>(x) + glyph.originX : static_cast<int64_t>(x) + (fontSize / 2 - bbx / 2);
    const int64_t top = static_cast<int64_t>(y) + ascent - glyph.originY;
    const int64_t width = surface.Width();
    const int64_t height = surface.Height();
    // The colour's channels in the order pixels store them: blue, green, red.
    const uint32_t blue = (colour >> 16) & 0xFF;
    const uint32_t green = (colour >> 8) & 0xFF;
    const uint32_t red = colour & 0xFF;
    for (int r = 0; r < bby; ++r) {
        const int64_t py = top + r;
        if (py < 0 || py >= height) {
            continue;
        }
        const uint8_t* levels = glyph.levels.data() + static_cast<size_t>(r) * glyph.pitch;
        uint8_t* pixels = surface.RowTop(static_cast<int>(py));
        for (int c = 0; c < bbx; ++c) {
            const uint8_t v = levels[c];
            const int64_t px = left + c;
            if (v == 0 || px < 0 || px >= width) {
                continue;
            }
            const uint32_t a = kOpacity[v > 64 ? 64 : v];
            uint8_t* p = pixels + px * 3;
            p[0] = Blend(p[0], blue, a);
            p[1] = Blend(p[1], green, a);
            p[2] = Blend(p[2], red, a);
        }
    }
}

}  // namespace

void DrawGlyph(GlyphSource& glyphs, Surface& surface, int fontSize, int x, int y, const uint8_t* bytes,
               int byteCount, uint32_t colour) {
    if (bytes == nullptr || byteCount < 1) {
        return;
    }
    const uint32_t code = byteCount == 2 ? bytes[0] * 256u + bytes[1] : bytes[0];
    DrawGlyphCode(glyphs, surface, fontSize, x, y, code, colour);
}

void DrawGlyphCode(GlyphSource& glyphs, Surface& surface, int fontSize, int x, int y, uint32_t code,
                   uint32_t colour) {
    DrawPlaced(glyphs, surface, fontSize, x, y, code, colour, false);
}

void DrawGlyphAtPen(GlyphSource& glyphs, Surface& surface, int fontSize, int penX, int baselineY,
                    uint32_t code, uint32_t colour) {
    DrawPlaced(glyphs, surface, fontSize, penX, baselineY, code, colour, true);
}

}  // namespace textreel
