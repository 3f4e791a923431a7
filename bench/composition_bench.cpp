// Composing the message window of game type 0 at 800 x 600 with the demo's interface parts: the
// dimmed band, the frame picture read from its file, the button strip and the wait icon.
#include <benchmark/benchmark.h>

#include <memory>

#include "graphics/bmp_reader.h"
#include "graphics/screen.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "shell/engine.h"

#include "bench_title.h"

namespace textreel {
namespace {

void BM_ComposeMessageWindowType0(benchmark::State& state) {
    bench::DemoFolder demo;
    if (!demo.Entered()) {
        state.SkipWithError("no demo folder");
        return;
    }
    std::unique_ptr<Platform> platform = bench::HeadlessWindow();
    Engine engine(*platform);
    bench::UseInstance800x600(engine);
    CreateGraphics(engine);
    BmpPicture parts;
    if (ReadBmp(*files::Resolve("cg\\menu\\btnprts.bmp"), 640 * 22 * 12, parts) == BmpResult::kOk) {
        engine.graphics.buttonParts = parts.pixels;
    }
    BmpPicture icon;
    if (ReadBmp(*files::Resolve("cg\\menu\\waiticon.bmp"), 12288, icon) == BmpResult::kOk) {
        engine.graphics.waitIcon = icon.pixels;
    }
    Surface& work = engine.graphics.WorkPixels;
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 800; ++x) {
            work.SetPixel(x, y, static_cast<uint32_t>((x * 255 / 800) | ((y * 255 / 600) << 8) | 0x400000));
        }
    }
    CopyWhole(work, engine.graphics.BackSurface);
    for (auto _ : state) {
        ComposeMessageWindow(engine, engine.graphics.WindowLayer);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ComposeMessageWindowType0)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace textreel
