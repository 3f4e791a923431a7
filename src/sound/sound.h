// Sound as the rest of the engine uses it.
#pragma once

#include <string>

namespace textreel {

class Engine;

// True while the voice streamer plays a voice.
bool VoiceStreamPlaying(Engine& engine);

// Plays a WAV file (a Windows path relative to the title's folder) as the interface sound,
// asynchronously; a new one replaces the one playing. A missing file plays nothing.
void PlayInterfaceSound(Engine& engine, const std::string& path);
void StopInterfaceSound(Engine& engine);

}  // namespace textreel
