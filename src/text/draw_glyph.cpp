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

uint32_t Blend(uint32_t background, uint32_t colour, uint32_t a) {
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        uint32_t b = (background >> shift) & 0xFF;
        uint32_t c = (colour >> shift) & 0xFF;
        out |= (((b * (255 - a) + c * a) >> 8) & 0xFF) << shift;
    }
    return out;
}

}  // namespace

void DrawGlyph(GlyphSource& glyphs, Surface& surface, int fontSize, int x, int y, const uint8_t* bytes,
               int byteCount, uint32_t colour) {
    if (surface.Empty() || bytes == nullptr || byteCount < 1) {
        return;
    }
    const uint32_t code = byteCount == 2 ? bytes[0] * 256u + bytes[1] : bytes[0];
    const int64_t size = glyphs.BitmapSize(fontSize, code);
    if (size <= 0 || size >= kMaxBitmapBytes) {
        return;
    }
    GlyphBitmap glyph;
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
    const int ascent = glyphs.Ascent(fontSize);
    // Positions are worked out in 64 bits so that a cursor near the integer limits cannot overflow;
    // such pixels are simply off the surface.
    const int64_t left = static_cast<int64_t>(x) + (fontSize / 2 - bbx / 2);
    const int64_t top = static_cast<int64_t>(y) + ascent - glyph.originY;
    const int64_t width = surface.Width();
    const int64_t height = surface.Height();
    for (int r = 0; r < bby; ++r) {
        const int64_t py = top + r;
        const uint8_t* row = glyph.levels.data() + static_cast<size_t>(r) * glyph.pitch;
        for (int c = 0; c < bbx; ++c) {
            const uint8_t v = row[c];
            if (v == 0) {
                continue;
            }
            const int64_t px = left + c;
            if (px < 0 || py < 0 || px >= width || py >= height) {
                continue;
            }
            const uint32_t a = kOpacity[v > 64 ? 64 : v];
            uint32_t background = 0;
            if (!surface.GetPixel(static_cast<int>(px), static_cast<int>(py), background)) {
                background = 0xFFFFFF;
            }
            surface.SetPixel(static_cast<int>(px), static_cast<int>(py), Blend(background, colour, a));
        }
    }
}

}  // namespace textreel
