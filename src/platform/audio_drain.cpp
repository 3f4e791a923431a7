#include "platform/audio_drain.h"

#include <vector>

#include "platform/clock.h"

namespace textreel {

AudioDrain::AudioDrain(AudioMixer& mixer, Clock& clock) : mixer_(mixer), clock_(clock) {
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
    SteadyClock steady;
    Clock& clock = clock_.Virtual() ? clock_ : steady;
    while (mixer_.WaitUntilActive()) {
        if (clock.Virtual()) {
            clock.AddActors(1);
        }
        int64_t next = clock.NowMs();
        do {
            mixer_.Mix(buffer.data(), kFrames);
            if (clock.Virtual()) {
                // The buffers this period finished are refilled (music, movie sound) before the
                // time moves on, as a device's period gives them the time to be.
                mixer_.WaitForNotices();
            }
            next += kPeriodMs;
            // A virtual clock's sleeps also end when others are woken; the period still waits.
            while (!stop_ && !clock.SleepUntil(next) && !clock.IsShutDown() && clock.NowMs() < next) {
            }
        } while (!stop_ && !(clock.Virtual() && clock.IsShutDown()) &&
                 (mixer_.Active() || mixer_.Recording()));
        if (clock.Virtual()) {
            clock.AddActors(-1);
            if (clock.IsShutDown()) {
                // Virtual time has stopped: nothing more is heard.
                return;
            }
        }
    }
}

}  // namespace textreel
