// Return to the title. The window side asks for it; the script thread carries it out at the top
// of its loop, so that the scenario text is never replaced under a line that is being read.
#include "input/rollback.h"
#include "saveload/save_load_screen.h"
#include "shell/engine.h"

namespace textreel {

void Engine::Restart() {
    ResetRequest = 1;
    if (UiState == kSaveScreen || UiState == kLoadScreen || UiState == kTitleLoadScreen) {
        ReleaseSaveLoad(*this);
    }
    if (AdvanceMode == 1) {
        EndSkipMode();
    }
    MessageVisible = 0;
    MessageDrawn = 0;
    NewPagePending = 0;
    WaitIconOn = 0;
    UiState = 0;
    AdvanceMode = 0;
    // A timed section left by the return would otherwise lock out the title's clicks for good.
    SyncLock = 0;
    text.TextCursor.Set(text.TextOrigin);
    restartPending_ = true;
    // The script thread goes on from whatever holds it: a wait point, a stop, or a timed wait.
    ResumeScript();
    clock.WakeSleepers();
}

void Engine::PerformRestart() {
    // The read marks stay: they belong to the player, not to this run through the story. When the
    // file can no longer be read, the text already in memory is played again.
    scenario.Reload();
    scenario.ReadPos = 0;
    ForgetRollback(*this);
    // The title menu is not a place of reading: the automatic save keeps the last page read
    // before it until the story shows text again.
    textShownSinceTitle = false;
    text.TextCursor.Set(text.TextOrigin);
    ResetRequest = 0;
    restartPending_ = false;
}

}  // namespace textreel
