#include "platform/audio_drain.h"

#include <vector>

#include "platform/clock.h"

namespace textreel {

AudioDrain::AudioDrain(AudioMixer& mixer) : mixer_(mixer) {
    thread_ = std::thread([this] { Run(); });
}

AudioDrain::~AudioDrain() {
    stop_ = true;
    mixer_.StopWaiting();
    thread_.join();
}

void AudioDrain::Run() {
    constexpr int kPeriodMs = 20;
    constexpr int kFrames = AudioMixer::kRate * kPeriodMs / 1000;
    std::vector<int16_t> buffer(static_cast<size_t>(kFrames) * AudioMixer::kChannels);
    SteadyClock clock;
    while (mixer_.WaitUntilActive()) {
        int64_t next = clock.NowMs();
        do {
            mixer_.Mix(buffer.data(), kFrames);
            next += kPeriodMs;
            clock.SleepUntil(next);
        } while (!stop_ && (mixer_.Active() || mixer_.Recording()));
    }
}

}  // namespace textreel
