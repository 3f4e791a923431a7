// Skip mode over a long scenario: 10,000 message lines of 30 full-width characters, each followed
// by a click wait, read headless with forced skip and no character delay. The counters give the
// lines per second and how a line's time divides between drawing glyphs and copying to the window.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

#include "graphics/screen.h"
#include "platform/freetype_glyphs.h"
#include "platform/platform.h"
#include "script/interpreter.h"
#include "shell/engine.h"
#include "text/draw_glyph.h"

#include "bench_title.h"

namespace textreel {
namespace {

constexpr int kLines = 10000;
constexpr int kCharacters = 30;

std::vector<uint8_t> LongScenario() {
    const std::string text = bench::KanjiLines(kLines, kCharacters);
    return std::vector<uint8_t>(text.begin(), text.end());
}

void BM_SkipModeLines(benchmark::State& state) {
    std::vector<uint8_t> scenario = LongScenario();
    double seconds = 0;
    for (auto _ : state) {
        std::unique_ptr<Platform> platform = bench::HeadlessWindow();
        Engine engine(*platform);
        bench::SetUpEngine(engine);
        engine.env.ForcedSkip = 1;
        engine.env.SpeedMs = 0;
        engine.AdvanceMode = 1;
        bench::LoadScenario(engine, scenario);
        CreateGraphics(engine);
        auto start = std::chrono::steady_clock::now();
        // The interpreter runs on this thread; nothing in the scenario needs the main thread.
        ScriptThreadMain(engine);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        benchmark::DoNotOptimize(engine.backlog.Next());
    }
    state.counters["lines_per_s"] =
        benchmark::Counter(static_cast<double>(kLines) * state.iterations() / seconds);
}
BENCHMARK(BM_SkipModeLines)->Unit(benchmark::kMillisecond)->Iterations(3);

// The glyph share of one line: thirty cached glyphs drawn into the screen surface.
void BM_LineOfGlyphs(benchmark::State& state) {
    FreeTypeGlyphs glyphs;
    glyphs.Open(nullptr);
    Surface screen(800, 600);
    std::vector<uint8_t> codes;
    for (int c = 0; c < kCharacters; ++c) {
        const int code = bench::KanjiCode(0, c);
        codes.push_back(static_cast<uint8_t>(code >> 8));
        codes.push_back(static_cast<uint8_t>(code & 0xFF));
    }
    for (auto _ : state) {
        for (int c = 0; c < kCharacters; ++c) {
            DrawGlyph(glyphs, screen, 21, 40 + 20 * c, 445, codes.data() + 2 * c, 2, 0xFFFFFF);
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_LineOfGlyphs)->Unit(benchmark::kMicrosecond);

// The copy share of one line: the whole screen surface into the window once.
void BM_LineWindowCopy(benchmark::State& state) {
    std::unique_ptr<Platform> platform = bench::HeadlessWindow();
    Surface screen(800, 600);
    for (auto _ : state) {
        platform->BlitToWindow(screen.View(), 0, 0, 800, 600, 0, 0);
    }
}
BENCHMARK(BM_LineWindowCopy)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace textreel
