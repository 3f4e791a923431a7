// A five-item `selword` menu at 800 x 600 with the demo's menu bar and message window: the time from
// the click that jumps to the menu's command until the menu waits for the next click (the moment its
// `choices` event is written). The slide-in has no delays, so this is drawing cost only; the bar is
// 60 ms.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

#include "graphics/screen.h"
#include "platform/encoding.h"
#include "platform/platform.h"
#include "script/menu.h"
#include "shell/engine.h"

#include "bench_title.h"

namespace textreel {
namespace {

void BM_SelWordFiveItemsReady(benchmark::State& state) {
    bench::DemoFolder demo;
    if (!demo.Entered()) {
        state.SkipWithError("no demo folder");
        return;
    }
    std::string scenario = ":top\r\n$selword\r\n";
    for (const char* word : {"北へ行く", "南へ行く", "東へ行く", "西へ行く", "ここに残る"}) {
        scenario += "(again,0," + Utf8ToCp932(word) + ")\r\n";
    }
    scenario += "selend\r\n:again\r\n$jmp top\r\n";
    {
        std::unique_ptr<Platform> platform = bench::HeadlessWindow();
        Engine engine(*platform);
        bench::SetUpEngine(engine);
        bench::LoadScenario(engine, scenario);
        CreateGraphics(engine);
        engine.StartScriptThread();
        auto ready = [&] { return engine.Idle() && engine.UiState == 1; };
        engine.ServeRequestsUntil(ready);
        for (auto _ : state) {
            auto start = std::chrono::steady_clock::now();
            MenuClick(engine, 300, 80);
            engine.ServeRequestsUntil(ready);
            state.SetIterationTime(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
        if (engine.menu.Entries().size() != 5) {
            state.SkipWithError("the menu did not have five entries");
        }
        engine.RequestClose();
    }
}
BENCHMARK(BM_SelWordFiveItemsReady)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace textreel
