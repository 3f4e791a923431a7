// The engine's sound state.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/audio_mixer.h"
#include "sound/ogg_streamer.h"

namespace textreel {

// One of the engine's streamers and what the main thread knows of its current run (for the
// trace's stop events).
struct StreamSlot {
    std::unique_ptr<OggStreamer> streamer;
    std::string playingPath;  // title-relative path of what plays, UTF-8
    bool playingLoop = false;
};

struct SoundState {
    // Decoded interface sounds and effects by the path the engine asked for; they are played on
    // every hover, so each file is read and decoded once.
    std::mutex cacheMutex;
    std::unordered_map<std::string, std::shared_ptr<const PcmSound>> cache;
    size_t cacheBytes = 0;

    // The music streamer (OGGPlay, onestopbgm), the voice streamer (talk), wave music (BGMWave)
    // and the ripped CD tracks (cdda). Their file names are title-relative Windows paths.
    StreamSlot music;
    StreamSlot voice;
    StreamSlot waveMusic;
    StreamSlot cd;

    // The sound effect that plays (wave); a new one replaces it.
    std::mutex effectMutex;
    std::shared_ptr<WaveOut> effect;

    // CD music: a CD (or ripped tracks) was found at start-up; the track asked for last.
    std::atomic<int32_t> cdFound{0};
    std::atomic<int32_t> cdTrack{1};

    // Auto mode waits here for the voice to end.
    std::mutex voiceMutex;
    std::condition_variable voiceEnded;
};

}  // namespace textreel
