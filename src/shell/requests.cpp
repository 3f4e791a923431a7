// The main thread's side of the sound and movie requests. The streamers and the movie player are
// started and stopped here only, so that they are never touched from two threads at once.
#include "shell/engine.h"

namespace textreel {

void Engine::VoicePlayRequest() {
    // FIXME: start the voice streamer once it exists.
    VoicePlaying = 1;
}

void Engine::VoiceStopRequest() {
    if (VoicePlaying != 0) {
        // FIXME: stop the voice streamer once it exists.
    }
    VoicePlaying = 0;
}

void Engine::MoviePlayRequest() {
    // FIXME: play the movie once the player exists. Until then the movie ends at once, so that the
    // script thread waiting for it goes on.
    MovieEnded();
}

void Engine::BgmRestartRequest() {
    // FIXME: restart the music streamer once it exists.
}

void Engine::BgmStopRequest() {
    // FIXME: stop the music streamer once it exists.
}

void Engine::StreamPlayedOut(bool voice) {
    if (voice) {
        VoiceStopRequest();
    } else {
        BgmStopRequest();
    }
}

void Engine::MovieEnded() {
    MoviePlaying = 0;
    ResumeScript();
    NotifyStateChange();
}

}  // namespace textreel
