// The engine: one object that owns every subsystem's state, the script thread and the main loop.
// Tests make a fresh engine per case; two engines can live in one process.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "access/access.h"
#include "graphics/graphics_state.h"
#include "input/focus.h"
#include "input/keys.h"
#include "input/rollback_history.h"
#include "platform/instance_lock.h"
#include "platform/platform.h"
#include "saveload/save_load_state.h"
#include "script/backlog.h"
#include "script/flag_block.h"
#include "script/menu_table.h"
#include "script/scenario.h"
#include "script/script_random.h"
#include "script/title_string.h"
#include "shell/env_settings.h"
#include "shell/instance_file.h"
#include "shell/notice.h"
#include "shell/overlay.h"
#include "shell/script_gate.h"
#include "shell/system_menu.h"
#include "shell/texts.h"
#include "shell/title_settings.h"
#include "shell/trace.h"
#include "sound/sound_state.h"
#include "text/glyph_source.h"
#include "text/text_state.h"

namespace textreel {

class Automation;
class PopupMenuWindow;
namespace launcher {
class Launcher;
}

struct EngineOptions {
    std::string tracePath;      // empty: no trace
    std::string eventsPath;     // empty: no scripted input
    std::string startDir;       // the folder textreel was started in (relative screenshot paths)
    int scale = 0;              // the window's integer scale; 0: the largest that fits the desktop
    bool continueGame = false;  // load the save folder's "auto.sav" once the story first waits
    // The instance file named on the command line, in the title's folder; empty: the first by name.
    std::string instanceFile;
    // The seed of `random`; none: one from the system's entropy source.
    std::optional<uint32_t> seed;
    std::string textOutPath;  // empty: no text stream
    SpeechChoice speech = SpeechChoice::kAuto;
    std::string saveDir;  // when set, the folder of the saves and env.dat instead of the title's
    // Played by a driver in this process (the explorer) rather than an events file: virtual time
    // never falls back to the real pace, since the driver acts whenever the story waits; message
    // boxes are not echoed on stderr, since the driver reports them.
    bool driven = false;
    // --scaling; none: save/textreel.cfg's "scaling", else sharp.
    std::optional<Scaling> scaling;
    // When set, the engine shows the launcher instead of a title (no title is read or written).
    launcher::Launcher* launcher = nullptr;
    // The first command of the events file this engine runs (the ones before ran in an engine
    // before it in the same process), and whether the trace file goes on after theirs.
    size_t firstEvent = 0;
    bool appendTrace = false;
    // Called once the title has taken its single-instance marker: the title's folder, its instance
    // file's name, its window name (UTF-8) and its save folder, for the list of titles played.
    std::function<void(const std::string& folder, const std::string& instanceFile,
                       const std::string& windowName, const std::string& saveFolder)>
        titleStarted;
};

// Exit codes of the program.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // the program could not run (no display, a broken PNG library)
constexpr int kExitUsage = 2;
constexpr int kExitAlreadyRunning = 3;  // the title's single-instance marker is held by a running copy

// The values of MoviePlaying. While it is not kMovieNone the window takes only Esc and the right
// button, which end the movie.
constexpr int32_t kMovieNone = 0;
// `movieplay` has asked the main thread to play a movie that it has not started yet.
constexpr int32_t kMovieStarting = 1;
// The main thread has started the movie (or failed to, and is about to stop it).
constexpr int32_t kMovieStarted = 2;

class Engine {
  public:
    Engine(Platform& platform, EngineOptions options = {});
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Start-up, the message loop and shutdown, in the current directory (the title's folder).
    // Returns the exit code.
    int Run();

    // ----- services -----
    Platform& platform;
    Clock& clock;
    Trace trace;
    std::unique_ptr<Automation> automation;

    // ----- configuration, fixed after start-up -----
    InstanceConfig instance;
    // textreel.ini: the text encoding, wrapping and Latin drawing a translation asks for.
    TitleSettings titleSettings;
    // The engine's own texts in the language textreel.ini chose.
    TextTable texts;
    std::string workDir;                // the title's folder, ending in "/"
    Scaling scaling = Scaling::kSharp;  // how a window or display larger than the picture is filled

    // ----- state shared by the script thread and the window side -----
    // The clicks, keys and pad buttons the player has given (main thread), and the count at which
    // `URLOpen` last handed an address out (script thread; the first needs no action).
    std::atomic<uint64_t> PlayerActions{0};
    uint64_t urlAction = UINT64_MAX;
    std::atomic<int32_t> UiState{0};
    std::atomic<int32_t> AdvanceMode{0};
    std::atomic<int32_t> ScriptBusy{0};
    std::atomic<int32_t> WaitIconOn{0};
    std::atomic<int32_t> AutoStoppable{1};
    std::atomic<int32_t> SyncLock{0};
    std::atomic<int32_t> LoadInProgress{0};
    std::atomic<int32_t> MessageDrawn{0};
    std::atomic<int32_t> MessageVisible{0};
    std::atomic<int32_t> NewPagePending{0};
    std::atomic<int32_t> MessageWindowOpen{0};
    std::atomic<int32_t> VoicePlaying{0};
    std::atomic<int32_t> MoviePlaying{kMovieNone};
    std::atomic<int32_t> ResetRequest{0};
    std::atomic<int32_t> savedSpeedMs{1};
    // Set by a load before it resumes the script thread: what held the thread (the rest of a wait
    // line, a choice menu) is left, and reading goes on at the position the load set.
    std::atomic<int32_t> LoadResumePending{0};
    // 1 while a rollback brings back the page of an earlier wait: its lines are drawn again without
    // reaching the backlog or the trace, its waits leave no record and pictures change with a cut.
    std::atomic<int32_t> QuietReplay{0};
    // 1 from a rollback's step back until the script thread has taken up the earlier wait it goes
    // back to (see TakeRollbackArrival).
    std::atomic<int32_t> RollbackArrival{0};
    // Lines the interpreter has read, and their number when it last waited for the player (a
    // wait code, a choice menu, a movie). A story that runs kLoopLines lines without a wait is in
    // an endless loop: it takes no part in virtual time, and the explorer reports it.
    static constexpr uint64_t kLoopLines = 100000;
    std::atomic<uint64_t> LinesRun{0};
    std::atomic<uint64_t> LinesAtWait{0};
    // The clock reading taken by `syncstart`; script thread only.
    int64_t SyncStart = 0;

    // ----- subsystems -----
    EnvSettings env;
    PersistentFlags persistentFlags;
    Scenario scenario;
    FlagBlock flags;
    Backlog backlog;
    MenuTable menu;
    // The game state at the last wait points, for BackSpace.
    RollbackHistory rollback;
    // The automatic save's record: the game at the last text wait or choice menu met after message
    // text was shown since the run started or returned to the title; none until then (script
    // thread; the main thread writes it once the script thread has ended).
    std::optional<FlagBlock> readingPlace;
    // Whether message text was shown since the run started or returned to the title (script thread).
    bool textShownSinceTitle = false;
    // The generator of `random` (script thread).
    ScriptRandom random;
    GraphicsState graphics;
    TextState text;
    SoundState sound;
    // The text font's glyphs (FreeType unless a test puts its own source here before start-up).
    std::unique_ptr<GlyphSource> glyphs;
    // The save and load screens' slot texts: the same gothic at weight 600 (FreeType unless a test
    // puts its own source here; without one the text font serves).
    std::unique_ptr<GlyphSource> slotGlyphs;
    // The Latin face of proportional half-width text (textreel.ini's `latin = proportional`); none
    // for fixed text.
    std::unique_ptr<GlyphSource> latinGlyphs;

    // The reading aids: the text stream, the clipboard and self-voicing.
    std::unique_ptr<Access> access;

    // The windows drawn above the game picture (dialogs, the popup menu).
    OverlayStack overlays;
    // The system menu's items and check marks, and the popup while it is open (main thread).
    SystemMenu systemMenu;
    std::unique_ptr<PopupMenuWindow> popupMenu;

    // The window side's memory of the element under the pointer at the last mouse move, per group
    // (the button bar, the save/load slots, the choice entries); 99 when none.
    int lastHoveredButton = 99;
    int lastHoveredSlot = 99;
    int lastHoveredChoice = 99;
    // The focus of keys and gamepads (main thread).
    FocusState focus;
    // Which modifier keys are held, and whether for a chord (main thread).
    ModifierKeys modifierKeys;
    // How often the window side has resumed the script thread: a new page or menu forgets the focus.
    std::atomic<uint64_t> resumeCount{0};
    // The save or load screen while one is open (main thread).
    SaveLoadState saveLoad;
    // The notice drawn over the game for a moment (main thread).
    NoticeState notice;

    // ----- the script thread and the window side -----

    // Script thread: suspends itself until the window side resumes it. Returns false when the
    // program is closing (the caller then unwinds).
    bool SuspendScript();
    // Window side: resumes the script thread if it is suspended.
    bool ResumeScript();
    bool ScriptWaiting() { return gate_.Waiting(); }
    // Script thread, before it asks for something whose end resumes it: a resume that comes before
    // it has suspended itself is kept for its next suspension instead of being dropped.
    void KeepEarlyResume() { gate_.KeepEarlyResume(); }
    void DropEarlyResume() { gate_.DropEarlyResume(); }
    bool ScriptFinished() const { return scriptFinished_; }
    // Starts the script thread (start-up does this after the logo).
    void StartScriptThread();
    // Main thread: runs the requests of other threads until done() holds or the program closes,
    // for loops that must keep serving them while they block the event loop.
    void ServeRequestsUntil(const std::function<bool()>& done);

    // Runs f on the main thread and waits for it (at once when called on the main thread). While
    // the program closes, f may not run at all.
    void Send(std::function<void()> f);
    // Queues f to run on the main thread later.
    void Post(std::function<void()> f);
    bool OnMainThread() const { return std::this_thread::get_id() == mainThread_; }

    // A modal message box from any thread; text and caption are UTF-8 (a title's text comes
    // through TitleString::ToUtf8). Closing the program answers an open box with cancel.
    MessageBoxAnswer MessageBox(const std::string& textUtf8, const std::string& captionUtf8,
                                MessageBoxKind kind = MessageBoxKind::kWarning);
    // A warning box with the window name as caption.
    void Warn(const std::string& textUtf8) { MessageBox(textUtf8, Title(instance.windowName).ToUtf8()); }
    // The same for the title's own text (a label, a path).
    void Warn(const TitleString& text) { Warn(text.ToUtf8()); }
    bool ModalOpen() const { return modalOpen_ > 0; }

    // Closes the main window from any thread (the close box, the end of the scenario, a flow
    // error, the exit commands): the script thread is asked to stop and the program ends.
    void RequestClose();
    bool Quitting() const { return quitting_; }
    // Played by a driver in this process (the explorer), which never steps back.
    bool Driven() const { return options_.driven; }
    // Any thread, for a termination signal: the program closes as through the close box, with
    // exit code 0, however the threads stand (an open scripted box is answered with cancel).
    void CloseFromSignal();
    // Main thread: the launcher's player has chosen (a title, or to quit); the launcher closes.
    void CloseFromLauncher() { BeginClose(); }
    // After Run: the index of the first events-file command not run (for the engine after this).
    size_t EventsDone() const { return eventsDone_; }
    // Any thread: a second start of this title asked the window to come forward.
    void RaiseFromSignal();

    // Sleeps until the clock reaches deadlineMs, or the program closes (then false).
    bool SleepUntil(int64_t deadlineMs);
    bool SleepFor(int64_t ms) { return SleepUntil(clock.NowMs() + ms); }

    // Sets ScriptBusy and tells watchers of the engine's state.
    void SetScriptBusy(int32_t busy);

    // Wakes whoever watches for the engine to become idle (the events script's wait).
    void NotifyStateChange();
    // True when the script thread waits for the player (or has finished), or a modal box is open,
    // and nothing is being drawn or handled.
    bool Idle();
    // Blocks until Idle() or the program has closed.
    void WaitUntilIdle();
    // The same for at most ms milliseconds of wall time; returns whether the engine is idle.
    bool WaitUntilIdleFor(int64_t ms);

    // Main thread, for loops that hold the event loop (the logo): takes one pending input off the
    // queues without handling it. Requests of other threads that are not input are run meanwhile.
    // Returns false when nothing is pending.
    bool TakePendingInput(InputEvent& event);

    // Main thread: shows a modal overlay window and runs the event loop until it is done or the
    // program closes. Input goes to the window; the game picture keeps painting.
    void RunModal(OverlayWindow& window);

    // Handles one input event on the main thread (the window procedure).
    void HandleInput(const InputEvent& event);
    // Handles an input event on the main thread on behalf of another thread and waits for it.
    void SendInput(const InputEvent& event);

    // Requests that other threads send or post to the main thread, and the notices of the sound
    // and movie players; all run on the main thread.
    void VoicePlayRequest();
    void VoiceStopRequest();
    void MoviePlayRequest();
    void BgmRestartRequest();
    void BgmStopRequest();
    // A streamer's play-once file has played out (music: false, voice: true).
    void StreamPlayedOut(bool voice);
    // The movie ended (reason "end"), the player cut it short ("key", "click"), it failed
    // ("error") or the program closes ("close"): the player stops, the window shows the game's
    // picture again and the script thread goes on.
    void StopMovie(const char* reason);
    // Main thread: the movie of run has opened, or could not be (its box, and the stop).
    void MovieOpened(uint64_t run, MoviePlayer::StartError result, const std::string& why);
    // The player's Esc ("key") or right click ("click") during a movie: it stops now, or, when the
    // main thread has not started it yet, as soon as it has started, so that the story resumes only
    // once, after the movie.
    void CutMovieShort(const char* reason);

    // The window side's operations on the reading modes.
    void StartSkipMode();
    void EndSkipMode();
    void StartAutoMode();
    void EndAutoMode();
    // Return to the title (window side): a line in progress stops, the reading state is reset and
    // the script thread starts the scenario again from its first line.
    void Restart();
    // Script thread: whether a return to the title waits to be carried out, and carrying it out
    // (the scenario is loaded again, its read marks kept, and reading starts at the first line).
    bool RestartPending() const { return restartPending_; }
    void PerformRestart();

    // The save folder operation: builds the save folder path and checks it, creating it when asked;
    // a failed creation shows its message. path receives the folder's real path. The player's own
    // choice in the user's configuration folder comes first; a title whose own folder cannot take a
    // save folder, or whose "save" is a link out of it, keeps its saves in the user's data folder.
    bool EnsureSaveFolder(bool create, std::string* path = nullptr);
    // The title folder's real path (its working directory), which keys its folder of saves
    // in the user's data folder.
    std::string TitleRealPath() const;
    // The real path of a file in the save folder (which must exist), for reading or writing.
    std::optional<std::string> SaveFilePath(const std::string& folder, const char* name, bool forWrite);
    // Reads env.dat at start-up (settings, persistent flags, read marks).
    void ReadEnvDat();
    // Writes env.dat, first setting picture-seen flag n when n is not 99. Writes from the two
    // threads take turns; while skip mode runs, the speed from before it is stored.
    bool WriteEnvDat(int n = 99);
    // What a persistent flag changed by the story asks for: flag n is set as by WriteEnvDat, and the
    // file is written at once when the last write is at least a second old, else by the next tick
    // that comes a second after it, so that a title changing flags in a loop writes about once a
    // second. FlushEnvDat writes a pending change now (a load, the end of the run).
    void RequestEnvDatWrite(int n = 99);
    void FlushEnvDat();
    // The write at the end of a run; no box can open then, so a failure is told on stderr.
    void WriteEnvDatAtExit();

    // Resolves a resource path the scenario or the engine names (a picture, mask, sound, movie, a
    // menu or button part) inside the title's folder. A refused path counts as missing; the
    // refusal goes to stderr and to the trace as a "refused" event with the path and the reason.
    std::optional<std::string> ResolvePath(std::string_view windowsPath);
    // Writes the `refused` trace event for a refusal the resolver made (nothing when reason is empty).
    void TraceRefusal(const files::Refusal& refusal);

    // Bytes the title wrote (a line, a label, a name, a path), in the title's encoding.
    TitleString Title(std::string_view bytes) const { return TitleString(bytes, titleSettings.encoding); }
    // UTF-8 text (the engine's own, or typed by the player) in the title's encoding; ok (when given)
    // is cleared when a character Shift-JIS lacks became "?".
    std::string TitleText(std::string_view utf8, bool* ok = nullptr) const {
        return TitleString::FromUtf8(utf8, titleSettings.encoding, ok).Bytes();
    }
    // The engine's own text (a msg:: constant) as the player meets it, in UTF-8.
    std::string Text(std::string_view japanese) const { return texts(japanese); }

  private:
    struct Request {
        std::function<void()> run;
        std::optional<InputEvent> input;
        bool done = false;
        bool waiter = false;  // a thread waits for it (counted in waitingSenders_)
    };

    int StartUp();
    void MainLoop();
    void PumpEvents();
    void RunRequests();
    bool RunOneRequest(std::shared_ptr<Request>& request, bool dropInput);
    void Enqueue(const std::shared_ptr<Request>& request, bool waiter);
    // Virtual time: whether every thread that can act is held (see VirtualClock).
    bool Quiescent(int sleepers, int outsideActors);
    void Tick();
    void BeginClose();
    void ShutDown();
    void DiscardRequests();

    ScriptGate gate_;
    std::thread scriptThread_;
    std::atomic<bool> scriptStarted_{false};
    std::atomic<bool> scriptFinished_{false};
    std::atomic<bool> storyEnded_{false};
    std::thread::id mainThread_;
    InstanceLock instanceLock_;
    std::atomic<bool> raiseRequested_{false};
    size_t eventsDone_ = 0;
    std::unique_ptr<OverlayWindow> launcherWindow_;
    int StartLauncher();

    std::mutex requestMutex_;
    std::condition_variable requestDone_;
    std::deque<std::shared_ptr<Request>> requests_;
    std::atomic<int> handling_{0};
    int waitingSenders_ = 0;  // threads in Send or SendInput whose request has not run (requestMutex_)

    std::atomic<bool> quitting_{false};
    std::atomic<bool> restartPending_{false};
    std::atomic<int> modalOpen_{0};
    // --continue: the load of "auto.sav" that waits for the story's first wait.
    enum ContinueState : int32_t {
        kNoContinue = 0,           // nothing to load, or loaded
        kContinueAtFirstWait = 1,  // the script thread has not waited yet
        kContinuePosted = 2,       // the main thread loads once the script thread is suspended
    };
    std::atomic<int32_t> continueState_{kNoContinue};
    int64_t nextTick_ = 0;

    // Writes env.dat when a requested write is pending and the last one is a second old (main thread).
    void FlushEnvDatWhenDue();

    // One env.dat write at a time; a change not yet written, and when the last write began
    // (steady milliseconds).
    std::mutex envFileMutex_;
    std::atomic<bool> envWritePending_{false};
    std::atomic<int64_t> lastEnvWriteMs_{0};
    // The save folder of the user's once chosen (the explorer's scratch folder, the player's own
    // choice or the data-folder fallback; the title's names are not applied in it), and whether the
    // player's configuration has been looked at.
    std::mutex saveFolderMutex_;
    std::string fallbackSaveDir_;
    bool saveFolderConfigRead_ = false;

    std::mutex idleMutex_;
    std::condition_variable idleChanged_;
    uint64_t idleGeneration_ = 0;
    // The generation a wait for idleness (the events runner) or ServeRequestsUntil (the main
    // thread) sleeps on; virtual time counts such a thread as held until the generation moves.
    std::optional<uint64_t> idleWaitGeneration_;
    std::optional<uint64_t> serveWaitGeneration_;

    EngineOptions options_;
    int exitCode_ = kExitOk;
};

}  // namespace textreel
