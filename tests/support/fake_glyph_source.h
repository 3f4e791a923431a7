// A GlyphSource with hand-made bitmaps, the same at every size.
#pragma once

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "text/glyph_source.h"

namespace textreel::testing {

class FakeGlyphSource : public GlyphSource {
  public:
    int ascent = 16;
    // Advance of codes without an entry in advances: a full cell for two-byte codes, half for others.
    std::map<uint32_t, int> advances;
    std::map<uint32_t, GlyphBitmap> glyphs;
    std::vector<uint32_t> renderedCodes;
    // Kerning between pairs of codes; 0 for the rest.
    std::map<std::pair<uint32_t, uint32_t>, int> kerning;

    // Adds a glyph from its rows of levels (all rows as wide as the first). Padding bytes are filled
    // with padFill so that a reader that takes them for pixels shows up.
    GlyphBitmap& Add(uint32_t code, const std::vector<std::vector<uint8_t>>& rows, int originY,
                     int originX = 0, uint8_t padFill = 64) {
        GlyphBitmap bitmap;
        bitmap.blackBoxWidth = rows.empty() ? 0 : static_cast<int>(rows[0].size());
        bitmap.blackBoxHeight = static_cast<int>(rows.size());
        bitmap.originY = originY;
        bitmap.originX = originX;
        bitmap.pitch = (bitmap.blackBoxWidth + 3) & ~3;
        bitmap.levels.assign(static_cast<size_t>(bitmap.pitch) * bitmap.blackBoxHeight, padFill);
        for (size_t r = 0; r < rows.size(); ++r) {
            for (size_t c = 0; c < rows[r].size(); ++c) {
                bitmap.levels[r * bitmap.pitch + c] = rows[r][c];
            }
        }
        return glyphs[code] = bitmap;
    }

    // A solid box of one level.
    GlyphBitmap& AddBox(uint32_t code, int width, int height, uint8_t level, int originY, int originX = 0) {
        return Add(code, std::vector<std::vector<uint8_t>>(height, std::vector<uint8_t>(width, level)),
                   originY, originX);
    }

    int Ascent(int) override { return ascent; }

    int64_t BitmapSize(int, uint32_t code) override {
        auto it = glyphs.find(code);
        if (it == glyphs.end()) {
            return -1;
        }
        return static_cast<int64_t>(it->second.pitch) * it->second.blackBoxHeight;
    }

    bool Render(int, uint32_t code, GlyphBitmap& out) override {
        renderedCodes.push_back(code);
        auto it = glyphs.find(code);
        if (it == glyphs.end()) {
            return false;
        }
        out = it->second;
        return true;
    }

    int Advance(int cellHeight, uint32_t code) override {
        auto it = advances.find(code);
        if (it != advances.end()) {
            return it->second;
        }
        return code > 0xFF ? cellHeight : cellHeight / 2;
    }

    int Kerning(int, uint32_t left, uint32_t right) override {
        auto it = kerning.find({left, right});
        return it == kerning.end() ? 0 : it->second;
    }
};

}  // namespace textreel::testing
