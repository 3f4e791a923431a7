// Plays a mixer into nowhere, in real time, for a program without an audio device: sounds start,
// play and end, and streams get their buffers back, exactly as they would with speakers. While
// nothing plays the thread sleeps until a sound or a stream buffer arrives.
#pragma once

#include <atomic>
#include <thread>

#include "platform/audio_mixer.h"

namespace textreel {

class AudioDrain {
  public:
    explicit AudioDrain(AudioMixer& mixer);
    // Stops the thread; the mixer's WaitUntilActive returns false from then on.
    ~AudioDrain();
    AudioDrain(const AudioDrain&) = delete;
    AudioDrain& operator=(const AudioDrain&) = delete;

  private:
    void Run();

    AudioMixer& mixer_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace textreel
