#include "platform/audio_mixer.h"

#include <algorithm>
#include <cstring>

namespace textreel {

void AudioMixer::PlayInterfaceSound(std::shared_ptr<const PcmSound> sound) {
    std::lock_guard lock(mutex_);
    interface_ = std::move(sound);
    interfacePos_ = 0;
}

void AudioMixer::StopInterfaceSound() {
    std::lock_guard lock(mutex_);
    interface_.reset();
}

bool AudioMixer::InterfaceSoundPlaying() {
    std::lock_guard lock(mutex_);
    return interface_ != nullptr;
}

void AudioMixer::Mix(int16_t* out, int frames) {
    std::memset(out, 0, sizeof(int16_t) * static_cast<size_t>(frames) * kChannels);
    std::lock_guard lock(mutex_);
    if (!interface_ || interface_->channels <= 0 || interface_->rate <= 0) {
        interface_.reset();
        return;
    }
    const PcmSound& s = *interface_;
    size_t total = s.samples.size() / static_cast<size_t>(s.channels);
    double step = static_cast<double>(s.rate) / kRate;
    for (int f = 0; f < frames; ++f) {
        auto index = static_cast<size_t>(interfacePos_);
        if (index >= total) {
            interface_.reset();
            return;
        }
        const int16_t* frame = s.samples.data() + index * static_cast<size_t>(s.channels);
        out[2 * f] = frame[0];
        out[2 * f + 1] = s.channels > 1 ? frame[1] : frame[0];
        interfacePos_ += step;
    }
}

}  // namespace textreel
