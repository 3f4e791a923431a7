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
#include "sound/movie_player.h"
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

    // The movie (movieplay). The script thread names the file (title-relative, Shift-JIS) before it
    // asks the main thread to play it; everything else is the main thread's.
    MoviePlayer movie;
    std::string movieName;
    std::string moviePath;  // the movie being played, UTF-8, for the trace; empty when none
    uint64_t movieRun = 0;  // counts the movies started, so that a late notice of an earlier one is ignored
    // The first picture of the movie that plays is on the screen (any thread).
    std::atomic<bool> movieShowing{false};

    // Auto mode waits here for the voice to end.
    std::mutex voiceMutex;
    std::condition_variable voiceEnded;
    // The script thread waits for voiceEnded (virtual time counts it as held while a voice plays).
    std::atomic<int32_t> voiceWaiting{0};
};

}  // namespace textreel
