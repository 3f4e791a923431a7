// Rollback of one page at 800 x 600 with the demo's pictures and message window: the time from
// BackSpace at a wait until the story waits again at the wait before it, with that page's picture
// and six lines of text on the screen again. The bar is 50 ms. The counters give the memory of the
// records of the last 101 waits, besides the pictures they share, and of those pictures.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

#include "graphics/screen.h"
#include "input/rollback.h"
#include "platform/encoding.h"
#include "platform/platform.h"
#include "shell/engine.h"

#include "bench_title.h"

namespace textreel {
namespace {

void BM_RollbackOnePage(benchmark::State& state) {
    bench::DemoFolder demo;
    if (!demo.Entered()) {
        state.SkipWithError("no demo folder");
        return;
    }
    // The page: a picture and six lines of 24 full-width characters before the wait of line A.
    std::string scenario = ":top\r\n$windowopen\r\n$imgblt bg\\03_sea.png\r\n";
    for (int i = 0; i < 6; ++i) {
        scenario +=
            Utf8ToCp932("列車は海沿いの線路をゆっくりと走り、窓の外には朝の光が満ちていた。") + "\r\n";
    }
    scenario += "$C\r\n" + Utf8ToCp932("次の行です。") + "\r\n$C\r\n$jmp top\r\n";
    {
        std::unique_ptr<Platform> platform = bench::HeadlessWindow();
        Engine engine(*platform);
        bench::SetUpEngine(engine);
        engine.env.SpeedMs = 0;
        bench::LoadScenario(engine, scenario);
        CreateGraphics(engine);
        engine.StartScriptThread();
        auto waiting = [&] { return engine.Idle() && engine.ScriptWaiting(); };
        // Wait A, then wait B.
        engine.ServeRequestsUntil(waiting);
        const uint32_t pageWait = engine.scenario.ReadPos;
        engine.ResumeScript();
        engine.ServeRequestsUntil([&] { return waiting() && engine.scenario.ReadPos != pageWait; });
        for (auto _ : state) {
            auto start = std::chrono::steady_clock::now();
            Rollback(engine);
            engine.ServeRequestsUntil(waiting);
            state.SetIterationTime(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            if (engine.scenario.ReadPos != pageWait) {
                state.SkipWithError("the rollback did not reach the page's wait");
                break;
            }
            engine.ResumeScript();
            engine.ServeRequestsUntil([&] { return waiting() && engine.scenario.ReadPos != pageWait; });
        }
        // A hundred more waits: the memory of the records the history then holds, and of the
        // distinct pictures they keep.
        uint32_t at = engine.scenario.ReadPos;
        for (int i = 0; i < RollbackHistory::kMaxSteps; ++i) {
            engine.ResumeScript();
            engine.ServeRequestsUntil([&] { return waiting() && engine.scenario.ReadPos != at; });
            at = engine.scenario.ReadPos;
        }
        state.counters["records"] = static_cast<double>(engine.rollback.Count());
        state.counters["record_bytes"] = static_cast<double>(engine.rollback.RecordBytes());
        state.counters["picture_bytes"] = static_cast<double>(engine.rollback.PictureBytes());
        engine.RequestClose();
    }
}
BENCHMARK(BM_RollbackOnePage)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace textreel
