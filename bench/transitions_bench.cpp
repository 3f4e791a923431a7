// Transitions at 800 x 600: how long each paced effect takes with the real clock against its
// nominal total (counter "ratio" = measured / nominal; the bar is 0.9 to 1.1), and how long one step
// of the computed effects (cross-fade, ordered dissolve, mask fade) takes to compute (bar: 5 ms).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "graphics/screen.h"
#include "graphics/surface.h"
#include "graphics/transitions.h"
#include "platform/headless/headless_platform.h"
#include "shell/engine.h"

namespace textreel {
namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

// A clock whose sleeps end at once, time jumping to the deadline: a transition then costs only its
// computation and copies.
class InstantClock : public Clock {
  public:
    int64_t NowMs() override { return now_; }
    uint64_t WakeToken() override { return 0; }
    using Clock::SleepUntil;
    bool SleepUntil(int64_t deadlineMs, uint64_t) override {
        if (deadlineMs > now_) {
            now_ = deadlineMs;
        }
        return true;
    }
    void WakeSleepers() override {}
    void Shutdown() override {}
    bool IsShutDown() override { return false; }

  private:
    std::atomic<int64_t> now_{0};
};

class InstantPlatform : public HeadlessPlatform {
  public:
    Clock& GetClock() override { return clock_; }

  private:
    InstantClock clock_;
};

void Paint(Surface& s, uint8_t seed) {
    for (size_t k = 0; k < s.ByteSize(); ++k) {
        s.Pixels()[k] = static_cast<uint8_t>(k * 7 + seed);
    }
}

// An 8-bit palette mask of the screen's size whose levels run diagonally.
std::string MaskFile() {
    static const std::string path = [] {
        std::filesystem::path file = std::filesystem::temp_directory_path() / "textreel-bench-mask.bmp";
        const uint32_t pixelOffset = 54 + 4 * 256;
        std::vector<uint8_t> bytes(pixelOffset + static_cast<size_t>(kWidth) * kHeight, 0);
        bytes[0] = 'B';
        bytes[1] = 'M';
        for (int k = 0; k < 4; ++k) {
            bytes[10 + k] = static_cast<uint8_t>(pixelOffset >> (8 * k));
        }
        for (int i = 0; i < 256; ++i) {
            bytes[56 + 4 * i] = static_cast<uint8_t>(i);
        }
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                bytes[pixelOffset + static_cast<size_t>(y) * kWidth + x] = static_cast<uint8_t>((x + y) / 6);
            }
        }
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return file.string();
    }();
    return path;
}

struct Stage {
    explicit Stage(std::unique_ptr<Platform> p) : platform(std::move(p)), engine(*platform) {
        engine.instance.windowWidth = kWidth;
        engine.instance.windowHeight = kHeight;
        CreateGraphics(engine);
        platform->OpenWindow("bench", kWidth, kHeight);
        engine.env.screenEffects = 1;
        engine.graphics.alphaDepth = 64;
        engine.graphics.maskName = MaskFile();
        old.Create(kWidth, kHeight);
        Paint(old, 1);
        Paint(engine.graphics.BackSurface, 100);
        CopyWhole(engine.graphics.BackSurface, engine.graphics.WorkPixels);
    }
    // Puts the old picture back on the screen before the next run.
    void Reset() {
        CopyWhole(old, engine.graphics.ScreenSurface);
        CopyScreenToWindow(engine);
    }

    std::unique_ptr<Platform> platform;
    Engine engine;
    Surface old;
};

// The nominal total of each paced effect at 800 x 600, in milliseconds: steps x step time, or for
// the wipes one 1 ms sleep per line.
int64_t NominalMs(int effect) {
    switch (effect) {
        case 2:
        case 3:
            return 11 * 30;
        case 4:
            return 16 * 40;
        case 5:
            return 10 * 10;
        case 6:
            return 70 * 20;  // 40 x 30 tiles
        case 7:
            return 200 * 2;  // 200 steps sweep 800 columns
        case 8:
            return 65 * 20;  // depth 64
        case 15:
            return kHeight;
        case 16:
            return kHeight + 1;
        case 17:
            return kWidth;
        case 18:
            return kWidth + 1;
        case 19:
            return 80 * 7;
        case 20:
            return 60 * 10;
        case 21:
            return 33 * 20;
        default:
            return 0;
    }
}

// Wall time of a whole transition with the real clock.
void BM_EffectTotal(benchmark::State& state) {
    const int effect = static_cast<int>(state.range(0));
    Stage stage(MakeHeadlessPlatform());
    stage.engine.graphics.effectNumber = effect;
    double totalMs = 0;
    for (auto _ : state) {
        stage.Reset();
        auto start = std::chrono::steady_clock::now();
        Present(stage.engine);
        double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(ms / 1000.0);
        totalMs += ms;
    }
    const double measured = totalMs / static_cast<double>(state.iterations());
    const int64_t nominal = NominalMs(effect);
    state.counters["measured_ms"] = measured;
    if (nominal > 0) {
        state.counters["nominal_ms"] = static_cast<double>(nominal);
        state.counters["ratio"] = measured / static_cast<double>(nominal);
    }
}
BENCHMARK(BM_EffectTotal)
    ->ArgName("effect")
    ->DenseRange(2, 8)
    ->DenseRange(11, 21)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Computation and copies of one step of the computed effects: the whole transition with sleeps
// that end at once, divided by its steps.
void BM_ComputedStep(benchmark::State& state) {
    const int effect = static_cast<int>(state.range(0));
    const int steps = effect == 4 ? 16 : effect == 8 ? 65 : 33;
    Stage stage(std::make_unique<InstantPlatform>());
    stage.engine.graphics.effectNumber = effect;
    double totalMs = 0;
    for (auto _ : state) {
        stage.Reset();
        auto start = std::chrono::steady_clock::now();
        Present(stage.engine);
        double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(ms / 1000.0 / steps);
        totalMs += ms;
    }
    state.counters["ms_per_step"] = totalMs / static_cast<double>(state.iterations()) / steps;
}
BENCHMARK(BM_ComputedStep)
    ->ArgName("effect")
    ->Arg(4)
    ->Arg(8)
    ->Arg(21)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The pixel arithmetic alone.
void BM_CrossFadeMix(benchmark::State& state) {
    Surface old(kWidth, kHeight);
    Surface fresh(kWidth, kHeight);
    Surface out(kWidth, kHeight);
    Paint(old, 1);
    Paint(fresh, 2);
    uint32_t a = 0;
    for (auto _ : state) {
        CrossFadeMix(old.Pixels(), fresh.Pixels(), out.Pixels(), out.ByteSize(), a);
        a = (a + 4) & 255;
        benchmark::DoNotOptimize(out.Pixels());
    }
}
BENCHMARK(BM_CrossFadeMix)->Unit(benchmark::kMillisecond);

void BM_DissolveStep(benchmark::State& state) {
    Surface source(kWidth, kHeight);
    Surface buffer(kWidth, kHeight);
    Paint(source, 3);
    int step = 0;
    for (auto _ : state) {
        DissolveStep(source, buffer, step / 4, step % 4);
        step = (step + 1) & 15;
        benchmark::DoNotOptimize(buffer.Pixels());
    }
}
BENCHMARK(BM_DissolveStep)->Unit(benchmark::kMillisecond);

void BM_MaskFadeMix(benchmark::State& state) {
    Surface buffer(kWidth, kHeight);
    Surface fresh(kWidth, kHeight);
    Paint(buffer, 4);
    Paint(fresh, 5);
    std::vector<uint8_t> levels(buffer.ByteSize());
    for (size_t k = 0; k < levels.size(); ++k) {
        levels[k] = static_cast<uint8_t>(k / 3 % 251);
    }
    int level = -256;
    for (auto _ : state) {
        MaskFadeMix(buffer.Pixels(), fresh.Pixels(), levels.data(), buffer.ByteSize(), level);
        level = level >= 256 ? -256 : level + 16;
        benchmark::DoNotOptimize(buffer.Pixels());
    }
}
BENCHMARK(BM_MaskFadeMix)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace textreel
