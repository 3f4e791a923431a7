// Plays a mixer into nowhere, in real time, for a program without an audio device: sounds start,
// play and end, and streams get their buffers back, exactly as they would with speakers. While
// nothing plays the thread sleeps until a sound or a stream buffer arrives. In virtual time it
// follows the virtual clock instead, and time waits for each period to be mixed.
#pragma once

#include <atomic>
#include <thread>

#include "platform/audio_mixer.h"
#include "platform/clock.h"

namespace textreel {

class AudioDrain {
  public:
    // A real clock paces the drain by itself; a virtual one is followed.
    AudioDrain(AudioMixer& mixer, Clock& clock);
    // Stops the thread; the mixer's WaitUntilActive returns false from then on.
    ~AudioDrain();
    AudioDrain(const AudioDrain&) = delete;
    AudioDrain& operator=(const AudioDrain&) = delete;

  private:
    void Run();

    AudioMixer& mixer_;
    Clock& clock_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace textreel
