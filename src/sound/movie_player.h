// The movie player: decodes a movie on a thread of its own, puts its sound on a stream of the
// mixer and its pictures into the window framebuffer, each picture when its time has come.
//
// The sound is the clock: a picture waits until the sound heard has reached its time, and a
// picture that comes too late is dropped rather than shown late, so the two never drift apart. A
// movie without sound (or whose sound ended first) runs by the steady clock instead.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/movie_source.h"

namespace textreel {

class Platform;
class WaveOut;

class MoviePlayer {
  public:
    enum class StartError { kNone, kOpen, kScale, kPlay };

    struct Hooks {
        // The first picture has reached the window (or, for a movie without pictures, the sound
        // has begun). Runs on the player's thread.
        std::function<void()> showing;
        // The movie has played out; runs on the player's thread, which ends right after.
        std::function<void()> finished;
        // The sound's volume, 0..100, read for every piece of sound queued.
        std::function<int()> volume;
        // A movie opened by path has opened (kNone) or cannot be played (the kind, and why).
        // Runs on the player's thread, once, before anything else of the movie; when the movie is
        // stopped while it opens, with kOpen.
        std::function<void(StartError, const std::string& why)> opened;
        // The first picture is shown as soon as it is decoded, not at its time by the sound: a
        // movie that is skipped at its first picture (virtual time) does not wait for the clock.
        bool firstPictureAtOnce = false;
    };

    struct Stats {
        int64_t frames = 0;     // pictures shown
        int64_t dropped = 0;    // pictures decoded too late to be shown
        int64_t driftMs = 0;    // the largest gap between a shown picture's time and the sound's
        bool anything = false;  // a picture or some sound came out of the file
        bool failed = false;    // the decoder broke down (died or stopped answering) before the end
    };

    MoviePlayer() = default;
    ~MoviePlayer();
    MoviePlayer(const MoviePlayer&) = delete;
    MoviePlayer& operator=(const MoviePlayer&) = delete;

    // Main thread: opens the movie in the helper process and plays it in the window's whole area
    // (width x height), scaled to fit with its aspect kept. Returns at once: the helper's start and
    // the container's header (which a crafted file can make slow) are the player thread's, and
    // hooks.opened tells how the open went. Stop ends the open too.
    void Open(const std::string& realPath, Platform& platform, int width, int height, Hooks hooks);
    // The same for a source opened by the caller (tests: the decoder in this process).
    StartError Start(std::unique_ptr<MovieSource> decoder, Platform& platform, int width, int height,
                     Hooks hooks, std::string* error);

    // Main thread: stops the movie, waits for its thread and closes its sound. Safe to call when
    // nothing plays; returns what the movie showed.
    Stats Stop();

    bool Running() const { return running_; }
    const MovieInfo& Info() const { return info_; }

  private:
    // Takes the opened decoder's facts, sizes its pictures, opens the sound and blacks the window.
    StartError Prepare(std::string* error);
    void Run();
    int64_t SoundClockUs();
    bool Wait(std::chrono::steady_clock::time_point until);
    // Converts the decoded picture and puts it in the window; false when it could not be converted.
    bool ShowPicture();

    Platform* platform_ = nullptr;
    std::unique_ptr<MovieSource> decoder_;
    std::shared_ptr<WaveOut> sound_;
    Hooks hooks_;
    MovieInfo info_;
    std::thread thread_;
    std::atomic<bool> running_{false};

    // The window and the picture's place in it.
    int windowWidth_ = 0;
    int windowHeight_ = 0;
    int pictureX_ = 0;
    int pictureY_ = 0;
    int pictureWidth_ = 0;
    int pictureHeight_ = 0;
    std::vector<uint8_t> pixels_;  // the scaled picture, bottom-up, stride pictureStride_
    int pictureStride_ = 0;

    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;          // guarded by mutex_
    uint64_t soundNotices_ = 0;  // guarded by mutex_: buffers the mixer has finished

    Stats stats_;  // written by the player's thread, read after it has been joined
};

}  // namespace textreel
