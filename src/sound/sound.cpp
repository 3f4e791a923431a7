#include "sound/sound.h"

#include <optional>

#include "platform/files.h"
#include "shell/engine.h"
#include "sound/wav_file.h"

namespace textreel {

namespace {

// Above this many bytes of decoded samples the cache starts afresh, so sound effects played by
// name cannot pile up without bound. Sounds that play keep their own reference.
constexpr size_t kCacheLimitBytes = 32u << 20;

std::shared_ptr<const PcmSound> LoadInterfaceSound(SoundState& state, const std::string& path) {
    std::lock_guard lock(state.cacheMutex);
    auto found = state.cache.find(path);
    if (found != state.cache.end()) {
        return found->second;
    }
    std::optional<std::string> real = files::Resolve(path);
    auto sound = std::make_shared<PcmSound>();
    if (!real || !ReadWav(*real, *sound) || sound->samples.empty()) {
        return nullptr;
    }
    size_t bytes = sound->samples.size() * sizeof(int16_t);
    if (state.cacheBytes + bytes > kCacheLimitBytes) {
        state.cache.clear();
        state.cacheBytes = 0;
    }
    state.cache.emplace(path, sound);
    state.cacheBytes += bytes;
    return sound;
}

}  // namespace

bool VoiceStreamPlaying(Engine&) {
    return false;
}

void PlayInterfaceSound(Engine& e, const std::string& path) {
    std::shared_ptr<const PcmSound> sound = LoadInterfaceSound(e.sound, path);
    if (sound == nullptr) {
        return;  // no default sound
    }
    e.platform.Mixer().PlayInterfaceSound(std::move(sound));
    e.trace.Event("sound", {{"path", e.Utf8(path)}});
}

void StopInterfaceSound(Engine& e) {
    e.platform.Mixer().StopInterfaceSound();
}

}  // namespace textreel
