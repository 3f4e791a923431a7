#include "sound/sound.h"

#include "shell/engine.h"

namespace textreel {

bool VoiceStreamPlaying(Engine&) {
    return false;
}

void PlayInterfaceSound(Engine& e, const std::string& path) {
    e.trace.Event("sound", {{"path", e.Utf8(path)}});
}

void StopInterfaceSound(Engine&) {}

}  // namespace textreel
