// Sound as the rest of the engine uses it.
#pragma once

#include <string>

namespace textreel {

class Engine;

// True while the voice streamer plays a voice.
bool VoiceStreamPlaying(Engine& engine);

// Plays a WAV file (a Windows path relative to the title's folder) as the interface sound,
// asynchronously; a new one replaces the one playing. A missing or undecodable file plays nothing
// and leaves the sound playing alone; there is no default sound and no message. The trace gets a
// "sound" event only for a sound that starts.
void PlayInterfaceSound(Engine& engine, const std::string& path);
void StopInterfaceSound(Engine& engine);

}  // namespace textreel
