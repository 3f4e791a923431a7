// One audio period (1024 frames) with every kind of source playing: the interface sound at
// 22050 Hz and two streams, music at 44100 Hz stereo and a voice at 22050 Hz mono.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "platform/audio_mixer.h"

namespace {

void BM_MixPeriod(benchmark::State& state) {
    textreel::AudioMixer mixer;
    auto sound = std::make_shared<textreel::PcmSound>();
    sound->rate = 22050;
    sound->channels = 1;
    sound->samples.assign(22050 * 60, 1000);
    auto music = mixer.OpenWaveOut(44100, 2, nullptr);
    auto voice = mixer.OpenWaveOut(22050, 1, nullptr);
    std::vector<int16_t> out(1024 * 2);
    int periods = 0;
    for (auto _ : state) {
        // Everything is refilled outside the timing every few seconds of sound.
        if (periods++ % 100 == 0) {
            state.PauseTiming();
            mixer.PlayInterfaceSound(sound);
            music->Reset();
            voice->Reset();
            music->Queue(std::vector<int16_t>(44100 * 2 * 4, 500), 0);
            voice->Queue(std::vector<int16_t>(22050 * 4, -300), 0);
            state.ResumeTiming();
        }
        mixer.Mix(out.data(), 1024);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * 1024);
}
BENCHMARK(BM_MixPeriod);

}  // namespace
