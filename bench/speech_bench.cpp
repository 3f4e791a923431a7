// Self-voicing with eSpeak NG: from a line being shown until its first samples wait in the mixer
// (the bar is 150 ms), for a Japanese and an English line. The mixer has no device here, so the
// time is the synthesizer's and the speech thread's alone; a device adds its buffer on top.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <thread>

#include "access/access.h"
#include "platform/audio_mixer.h"
#include "platform/clock.h"
#include "shell/trace.h"

namespace {

void SpeechStart(benchmark::State& state, const std::string& line) {
    textreel::SteadyClock clock;
    textreel::Trace trace(clock);
    textreel::AudioMixer mixer;
    textreel::Access access(trace, mixer, clock, textreel::SpeechChoice::kEspeak);
    access.SetSpeechOn(true);
    // The synthesizer and its voices load on first use, outside the timing.
    access.Say("準備");
    while (!mixer.Active()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    for (auto _ : state) {
        state.PauseTiming();
        access.Cut();
        while (mixer.Active()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        state.ResumeTiming();
        auto start = std::chrono::steady_clock::now();
        access.LineShown(line);
        while (!mixer.Active()) {
            std::this_thread::yield();
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    access.Cut();
}

void BM_SpeechStartJapanese(benchmark::State& state) {
    SpeechStart(state, "夜明け前の駅で、列車が来るのを待っていた。");
}
void BM_SpeechStartEnglish(benchmark::State& state) {
    SpeechStart(state, "We waited at the station for the dawn train.");
}

BENCHMARK(BM_SpeechStartJapanese)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_SpeechStartEnglish)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
