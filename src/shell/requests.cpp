// The main thread's side of the sound and movie requests. The streamers and the movie player are
// started and stopped here only, so that they are never touched from two threads at once.
#include <cstdio>

#include "graphics/screen.h"
#include "platform/error_log.h"
#include "shell/engine.h"
#include "shell/messages.h"
#include "sound/sound.h"

namespace textreel {

void Engine::VoicePlayRequest() {
    // A voice that cannot be played leaves nothing to wait for, so VoicePlaying follows the
    // streamer: auto mode must not wait for a voice that never started.
    VoicePlaying = StartVoice(*this) ? 1 : 0;
    if (VoicePlaying == 0) {
        WakeSoundWaits(*this);
    }
}

void Engine::VoiceStopRequest() {
    if (VoicePlaying != 0) {
        StopVoice(*this);
    }
    VoicePlaying = 0;
    WakeSoundWaits(*this);
}

void Engine::MoviePlayRequest() {
    SoundState& s = sound;
    s.movieShowing = false;
    const uint64_t run = ++s.movieRun;
    s.moviePath = Title(s.movieName).ToUtf8();

    MoviePlayer::Hooks hooks;
    hooks.showing = [this, run] {
        if (clock.Virtual()) {
            // Virtual time skips movies: as a player pressing Esc at the first picture. The stop
            // is queued first, so that the engine never looks idle with the movie on the screen.
            Post([this, run] {
                if (sound.movieRun == run && MoviePlaying != 0 && !sound.moviePath.empty()) {
                    StopMovie("key");
                }
            });
        }
        sound.movieShowing = true;
        NotifyStateChange();
    };
    hooks.finished = [this, run] {
        Post([this, run] {
            if (sound.movieRun == run && MoviePlaying != kMovieNone && !sound.moviePath.empty()) {
                StopMovie("end");
            }
        });
    };
    hooks.volume = [this] { return env.BgmVolumeInUse(); };
    hooks.firstPictureAtOnce = clock.Virtual();

    // The movie opens on the player's thread (a crafted file may take the helper a while); the
    // main thread goes on, and the story waits for the movie as before.
    hooks.opened = [this, run](MoviePlayer::StartError result, const std::string& why) {
        Post([this, run, result, why] { MovieOpened(run, result, why); });
    };
    std::optional<std::string> real = ResolvePath(s.movieName);
    if (!real) {
        MovieOpened(run, MoviePlayer::StartError::kOpen, "the file cannot be found");
        return;
    }
    s.movie.Open(*real, platform, instance.windowWidth, instance.windowHeight, std::move(hooks));
}

void Engine::MovieOpened(uint64_t run, MoviePlayer::StartError result, const std::string& why) {
    SoundState& s = sound;
    if (s.movieRun != run || MoviePlaying != kMovieStarting || s.moviePath.empty()) {
        return;  // stopped (closed) while it opened
    }
    MoviePlaying = kMovieStarted;
    if (result != MoviePlayer::StartError::kNone) {
        ErrorPrintf("textreel: the movie %s cannot be played: %s\n", s.moviePath.c_str(), why.c_str());
        const char* text = result == MoviePlayer::StartError::kOpen    ? msg::kMovieOpenFailed
                           : result == MoviePlayer::StartError::kScale ? msg::kMovieSizeFailed
                                                                       : msg::kMoviePlayFailed;
        MessageBox(Text(text), Text(msg::kMovieCaption));
        StopMovie("error");
        return;
    }
    const MovieInfo& info = s.movie.Info();
    trace.Event("movie-start", {{"path", s.moviePath},
                                {"width", int64_t{info.width}},
                                {"height", int64_t{info.height}},
                                {"duration", info.durationMs}});
    if (!s.movieCutReason.empty()) {
        // Esc or the right button came while the movie was on its way.
        std::string reason = s.movieCutReason;
        StopMovie(reason.c_str());
    }
}

void Engine::CutMovieShort(const char* reason) {
    if (MoviePlaying == kMovieStarting) {
        sound.movieCutReason = reason;
        return;
    }
    StopMovie(reason);
}

void Engine::BgmRestartRequest() {
    StartMusic(*this);
}

void Engine::BgmStopRequest() {
    StopMusic(*this);
}

void Engine::StreamPlayedOut(bool voice) {
    if (voice) {
        VoiceStopRequest();
    } else {
        BgmStopRequest();
    }
}

void Engine::StopMovie(const char* reason) {
    SoundState& s = sound;
    MoviePlayer::Stats stats = s.movie.Stop();
    std::string what = reason;
    if (what == "end" && (!stats.anything || stats.failed)) {
        // The file opened but nothing in it could be decoded, or its decoder broke down.
        MessageBox(Text(msg::kMoviePlayFailed), Text(msg::kMovieCaption));
        what = "error";
    }
    if (!s.moviePath.empty()) {
        trace.Event("movie-stop", {{"path", s.moviePath},
                                   {"reason", what},
                                   {"frames", stats.frames},
                                   {"dropped", stats.dropped},
                                   {"drift_ms", stats.driftMs}});
    }
    s.moviePath.clear();
    s.movieCutReason.clear();
    s.movieShowing = false;
    MoviePlaying = kMovieNone;
    // The window belongs to the game again: its picture replaces the movie's last one.
    Repaint(*this);
    ResumeScript();
    NotifyStateChange();
}

}  // namespace textreel
