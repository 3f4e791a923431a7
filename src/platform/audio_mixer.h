// The one audio output of the program. The backend's audio thread pulls mixed samples from here;
// the engine puts sounds in.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace textreel {

// Decoded sound: interleaved signed 16-bit samples.
struct PcmSound {
    int rate = 0;
    int channels = 0;
    std::vector<int16_t> samples;
};

class AudioMixer {
  public:
    static constexpr int kRate = 44100;
    static constexpr int kChannels = 2;

    // Starts sound as the interface sound; a new one replaces the one playing.
    void PlayInterfaceSound(std::shared_ptr<const PcmSound> sound);
    void StopInterfaceSound();
    bool InterfaceSoundPlaying();

    // Audio thread: fills frames stereo frames at kRate.
    void Mix(int16_t* out, int frames);

  private:
    std::mutex mutex_;
    std::shared_ptr<const PcmSound> interface_;
    double interfacePos_ = 0;  // in source frames
};

}  // namespace textreel
