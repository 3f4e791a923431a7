// `wait`, `syncstart`, `syncexit` and `synctiming`: waits on the clock. They sleep until their
// deadline; closing the program, a return to the title or a load that begins wakes them early.
#include "script/byte_text.h"
#include "script/commands.h"
#include "shell/engine.h"
#include "text/message_window.h"

namespace textreel {

namespace {

enum class WaitEnd { kDeadline, kLoad, kInterrupted };

WaitEnd SleepUntilDeadline(Engine& e, int64_t deadline) {
    // A page skip mode left unshown reaches the window before the pause.
    ShowPendingPage(e);
    for (;;) {
        // The token is taken before the tests, so that a wake after them is not missed.
        uint64_t token = e.clock.WakeToken();
        if (e.Quitting() || e.RestartPending()) {
            return WaitEnd::kInterrupted;
        }
        if (e.LoadInProgress != 0) {
            return WaitEnd::kLoad;
        }
        if (e.clock.NowMs() >= deadline) {
            return WaitEnd::kDeadline;
        }
        e.clock.SleepUntil(deadline, token);
    }
}

// A load that began during the wait has set the position to continue from; the interpreter still
// steps over a line end after this command, so the position goes back by those two bytes.
void WaitFor(Engine& e, int64_t deadline) {
    if (SleepUntilDeadline(e, deadline) == WaitEnd::kLoad) {
        e.scenario.ReadPos -= 2;
    }
}

}  // namespace

void CmdWait(Engine& e, const char* line, int) {
    e.WaitIconOn = 0;
    int64_t start = e.clock.NowMs();
    // Clicks, skip mode and auto mode do not shorten it.
    WaitFor(e, start + NumberAfterBlank(line));
}

void CmdSyncStart(Engine& e, const char*, int) {
    e.SyncStart = e.clock.NowMs();
    e.SyncLock = 1;
}

void CmdSyncExit(Engine& e, const char*, int) {
    e.SyncLock = 0;
}

void CmdSyncTiming(Engine& e, const char* line, int) {
    // A time already passed returns at once.
    WaitFor(e, e.SyncStart + NumberAfterBlank(line));
}

}  // namespace textreel
