// The main thread's side of the sound and movie requests. The streamers and the movie player are
// started and stopped here only, so that they are never touched from two threads at once.
#include "shell/engine.h"
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
    // FIXME: play the movie once the player exists. Until then the movie ends at once, so that the
    // script thread waiting for it goes on.
    MovieEnded();
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

void Engine::MovieEnded() {
    MoviePlaying = 0;
    ResumeScript();
    NotifyStateChange();
}

}  // namespace textreel
