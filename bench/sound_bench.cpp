// Sound: decoding one 32 KiB buffer of the demo's music (the work of one refill on the mixer's
// completion thread), and the underruns of the music over a minute while text draws at full
// speed on the script thread.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "graphics/screen.h"
#include "platform/audio_mixer.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "script/interpreter.h"
#include "shell/engine.h"
#include "sound/ogg_streamer.h"
#include "sound/pcm_source.h"
#include "sound/sound.h"

#include "bench_title.h"

namespace textreel {
namespace {

const std::string kMusic = std::string(TEXTREEL_DEMO_DIR) + "/bgm/dawn.ogg";

void BM_DecodeOneBuffer(benchmark::State& state) {
    std::vector<uint8_t> bytes;
    if (!files::ReadAll(kMusic, bytes)) {
        state.SkipWithError("the demo's music is missing; run tools/make_demo_assets");
        return;
    }
    std::unique_ptr<PcmSource> source = OpenOggSource(bytes);
    FillSettings settings;
    settings.playOnce = false;
    std::vector<char> buffer(OggStreamer::kBufferBytes);
    for (auto _ : state) {
        FillResult r = FillBuffer(*source, settings, buffer.data(), buffer.size());
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_DecodeOneBuffer)->Unit(benchmark::kMicrosecond);

std::vector<uint8_t> TextScenario() {
    // The lines repeat without end; the run is closed from outside.
    const std::string text = ":top\r\n" + bench::KanjiLines(2000, 30) + "$jmp top\r\n";
    return std::vector<uint8_t>(text.begin(), text.end());
}

// Music plays in real time through the headless backend's drain while the interpreter draws text
// without pause; the counter is the mixer's underrun count for the whole run.
void BM_MusicUnderrunsWhileTextDraws(benchmark::State& state) {
    const auto seconds = static_cast<double>(state.range(0));
    std::vector<uint8_t> scenario = TextScenario();
    bench::DemoFolder demo;
    if (!demo.Entered()) {
        state.SkipWithError("no demo folder");
        return;
    }
    int64_t underruns = 0;
    for (auto _ : state) {
        std::unique_ptr<Platform> platform = bench::HeadlessWindow();
        {
            Engine engine(*platform);
            bench::SetUpEngine(engine);
            engine.env.ForcedSkip = 1;
            engine.env.SpeedMs = 0;
            CreateGraphics(engine);
            engine.sound.music.streamer->SetFileName("bgm\\dawn.ogg");
            StartMusic(engine);
            engine.AdvanceMode = 1;
            bench::LoadScenario(engine, scenario);
            std::thread script([&engine] { ScriptThreadMain(engine); });
            const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
            engine.ServeRequestsUntil([&] { return std::chrono::steady_clock::now() >= end; });
            engine.RequestClose();
            script.join();
            underruns += platform->Mixer().Underruns();
            StopAllSound(engine);
        }
    }
    state.counters["underruns"] = benchmark::Counter(static_cast<double>(underruns));
}
BENCHMARK(BM_MusicUnderrunsWhileTextDraws)->Arg(60)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
}  // namespace textreel
