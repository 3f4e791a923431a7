// Sound as the rest of the engine uses it: the interface sounds, the effects, and the main
// thread's side of the streamers (music, voice, wave music, CD tracks).
#pragma once

#include <string>

namespace textreel {

class Engine;

// Makes the streamers (the engine does this when it is made) and stops everything (shutdown).
void InitSound(Engine& engine);
void StopAllSound(Engine& engine);

// True while the voice streamer plays a voice.
bool VoiceStreamPlaying(Engine& engine);
// Script thread: waits until no voice plays or the program closes.
void WaitForVoiceEnd(Engine& engine);
// Wakes the waits above (the voice ended, or the program closes).
void WakeSoundWaits(Engine& engine);

// Plays a WAV file (a Windows path relative to the title's folder) as the interface sound,
// asynchronously; a new one replaces the one playing. A missing or undecodable file plays nothing
// and leaves the sound playing alone; there is no default sound and no message. The trace gets a
// "sound" event only for a sound that starts.
void PlayInterfaceSound(Engine& engine, const std::string& path);
void StopInterfaceSound(Engine& engine);

// Plays a sound effect (WAV or Ogg Vorbis) once, at once, at the effect volume, on a stream of
// its own beside the music and voice; a new effect replaces the one playing. Nothing plays when
// the file is missing or undecodable, or the effect volume is 0.
void PlayEffect(Engine& engine, const std::string& path);

// Main thread: the requests of the sound commands. Each Start stops what its streamer plays
// first, then plays the streamer's file; a file that cannot be played leaves it silent.
void StartMusic(Engine& engine);
void StopMusic(Engine& engine);
bool StartVoice(Engine& engine);
void StopVoice(Engine& engine);
void StartWaveMusic(Engine& engine);
void StopWaveMusic(Engine& engine);
void PlayCdTrack(Engine& engine, int track);
void StopCd(Engine& engine);

// The ripped copy of CD track n in the title's folder: the first of cd\trackNN.ogg,
// trackNN.ogg, cd\trackNN.wav and trackNN.wav that exists (as a title-relative path); "" if none.
std::string RippedTrack(int track);

// Start-up of a CD-music title: whether its CD is there (ripped tracks count); shows
// "オーディオトラックが見つかりません" when it is not.
bool FindAudioCd(Engine& engine);

}  // namespace textreel
