// A translated line of text drawn by the message window, as textreel.ini changes it: the original
// fixed half-width cells wrapped by character (arg 0), wrapped at words (1), and wrapped at words
// with proportional Latin letters from the "sans-serif" face (2). The bar: words and proportional
// letters cost under 10 % more CPU per line than the fixed cells.
#include <benchmark/benchmark.h>

#include <ctime>
#include <memory>
#include <string>

#include "graphics/screen.h"
#include "platform/platform.h"
#include "shell/engine.h"
#include "text/message_window.h"

#include "bench_title.h"

namespace textreel {
namespace {

// Two rows of English at the default size, as a translation writes them.
constexpr char kLine[] =
    "The dawn train ran along the sea while the sky turned slowly to gold, and one by one the "
    "passengers woke to see the water shine below the cliffs.";

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void BM_TranslatedLine(benchmark::State& state) {
    std::unique_ptr<Platform> platform = bench::HeadlessWindow();
    Engine engine(*platform);
    bench::UseInstance800x600(engine);
    engine.env.ApplyDefaults();
    engine.env.SpeedMs = 0;
    engine.titleSettings.wrap = state.range(0) >= 1 ? WrapMode::kWords : WrapMode::kCharacters;
    engine.titleSettings.latin = state.range(0) >= 2 ? LatinMode::kProportional : LatinMode::kFixed;
    engine.text.TextOrigin.Set(40, 445);
    CreateGraphics(engine);
    const int length = static_cast<int>(sizeof(kLine) - 1);
    double cpu = 0;
    for (auto _ : state) {
        engine.text.TextCursor.Set(40, 445);
        engine.MessageDrawn = 0;
        double start = CpuSeconds();
        OutputTextLine(engine, kLine, length);
        cpu += CpuSeconds() - start;
    }
    state.counters["cpu_us_per_line"] =
        benchmark::Counter(cpu * 1e6 / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_TranslatedLine)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace textreel
