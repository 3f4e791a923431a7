// An engine on a recording platform, with its surfaces made at a chosen size, in a temporary title
// folder of its own, with a fake glyph source. No threads run: the test calls the engine's
// operations directly.
#pragma once

#include <memory>
#include <string>

#include "shell/engine.h"
#include "support/fake_glyph_source.h"
#include "support/fake_platform.h"
#include "support/temp_title.h"

namespace textreel::testing {

struct EngineFixture {
    explicit EngineFixture(int width = 800, int height = 600, int gameType = 0);

    TempTitle title;
    FakePlatform platform;
    Engine engine{platform};
    FakeGlyphSource* glyphs = nullptr;  // owned by the engine

    // Fills a surface with one colour (0x00BBGGRR).
    static void Fill(Surface& s, uint32_t colour) { s.FillRect(0, 0, s.Width(), s.Height(), colour); }
    static uint32_t Pixel(const Surface& s, int x, int y) {
        uint32_t c = 0xFFFFFFFFu;
        s.GetPixel(x, y, c);
        return c;
    }
};

}  // namespace textreel::testing
