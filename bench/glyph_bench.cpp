#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "graphics/surface.h"
#include "platform/freetype_glyphs.h"
#include "text/draw_glyph.h"

namespace textreel {
namespace {

FreeTypeGlyphs& OpenGlyphs() {
    static FreeTypeGlyphs glyphs;
    static const bool opened = glyphs.Open(nullptr);
    (void)opened;
    return glyphs;
}

// One full-width character at the default size from a warm cache: what every message character costs
// besides its delay.
void BM_DrawGlyphCached(benchmark::State& state) {
    FreeTypeGlyphs& glyphs = OpenGlyphs();
    if (!glyphs.IsOpen()) {
        state.SkipWithError("no Japanese font");
        return;
    }
    Surface surface(800, 600);
    const uint8_t nichi[] = {0x93, 0xFA};
    DrawGlyph(glyphs, surface, 21, 40, 445, nichi, 2, 0xFFFFFF);
    for (auto _ : state) {
        DrawGlyph(glyphs, surface, 21, 40, 445, nichi, 2, 0xFFFFFF);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DrawGlyphCached);

// Rasterising a glyph that is not in the cache yet.
void BM_RenderUncached(benchmark::State& state) {
    FreeTypeGlyphs& glyphs = OpenGlyphs();
    if (!glyphs.IsOpen()) {
        state.SkipWithError("no Japanese font");
        return;
    }
    const int size = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        glyphs.ClearCache();
        state.ResumeTiming();
        benchmark::DoNotOptimize(glyphs.BitmapSize(size, 0x93FA));
    }
}
BENCHMARK(BM_RenderUncached)->Arg(21)->Arg(44);

}  // namespace
}  // namespace textreel
