// The engine's sound state.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/audio_mixer.h"

namespace textreel {

struct SoundState {
    // Decoded interface sounds by the path the engine asked for; they are played on every hover,
    // so each file is read and decoded once.
    std::mutex cacheMutex;
    std::unordered_map<std::string, std::shared_ptr<const PcmSound>> cache;
    size_t cacheBytes = 0;
};

}  // namespace textreel
