#include "text/plain_text.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "text/line_layout.h"

namespace textreel {

namespace {

struct Character {
    GlyphSource* source;
    uint32_t code;
    int64_t penX;
};

// Darkens one pixel towards black by coverage level v (0..64).
void BlendBlack(Surface& surface, int64_t px, int64_t py, uint8_t v) {
    if (px < 0 || py < 0 || px >= surface.Width() || py >= surface.Height()) {
        return;
    }
    const uint32_t a = v >= 64 ? 255 : v * 255u / 64;
    uint32_t background = 0;
    surface.GetPixel(static_cast<int>(px), static_cast<int>(py), background);
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        uint32_t b = (background >> shift) & 0xFF;
        out |= ((b * (255 - a) + 127) / 255) << shift;
    }
    surface.SetPixel(static_cast<int>(px), static_cast<int>(py), out);
}

}  // namespace

int DrawPlainText(GlyphSource& glyphs, Surface& surface, int fontSize, int x, int y, const std::string& text,
                  TextEncoding encoding, GlyphSource* latin) {
    std::vector<Character> characters;
    int64_t pen = x;
    thread_local std::vector<LineChar> chars;
    SplitLine(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int>(text.size()), encoding, chars);
    for (LineChar& c : chars) {
        c.advance = std::max(glyphs.Advance(fontSize, GlyphCode(c, encoding)), 0);
    }
    if (latin != nullptr) {
        SetLatinAdvances(chars, *latin, fontSize, encoding);
    }
    for (const LineChar& c : chars) {
        GlyphSource* source = c.halfWidth && latin != nullptr ? latin : &glyphs;
        characters.push_back({source, GlyphCode(c, encoding), pen});
        pen += c.advance;
    }
    const int64_t width = pen - x;
    const int result = static_cast<int>(std::min<int64_t>(width, std::numeric_limits<int>::max()));
    if (width <= 0 || fontSize <= 0) {
        return result;
    }
    // The background goes down first for the whole run, so that a glyph reaching past its own cell is
    // not cut off by the next cell's background.
    const int64_t fillLeft = std::max<int64_t>(x, 0);
    const int64_t fillRight = std::min<int64_t>(pen, surface.Width());
    const int64_t fillTop = std::max<int64_t>(y, 0);
    const int64_t fillBottom = std::min<int64_t>(static_cast<int64_t>(y) + fontSize, surface.Height());
    if (fillRight > fillLeft && fillBottom > fillTop) {
        surface.FillRect(static_cast<int>(fillLeft), static_cast<int>(fillTop),
                         static_cast<int>(fillRight - fillLeft), static_cast<int>(fillBottom - fillTop),
                         0xFFFFFF);
    }
    const int ascent = glyphs.Ascent(fontSize);
    GlyphBitmap glyph;
    for (const Character& character : characters) {
        if (character.source->BitmapSize(fontSize, character.code) <= 0 ||
            !character.source->Render(fontSize, character.code, glyph)) {
            continue;
        }
        const int bbx = glyph.blackBoxWidth;
        const int bby = glyph.blackBoxHeight;
        if (bbx <= 0 || bby <= 0 || glyph.pitch < bbx ||
            glyph.levels.size() < static_cast<size_t>(glyph.pitch) * static_cast<size_t>(bby)) {
            continue;
        }
        const int64_t left = character.penX + glyph.originX;
        const int64_t top = static_cast<int64_t>(y) + ascent - glyph.originY;
        for (int r = 0; r < bby; ++r) {
            const uint8_t* row = glyph.levels.data() + static_cast<size_t>(r) * glyph.pitch;
            for (int c = 0; c < bbx; ++c) {
                if (row[c] != 0) {
                    BlendBlack(surface, left + c, top + r, row[c]);
                }
            }
        }
    }
    return result;
}

}  // namespace textreel
