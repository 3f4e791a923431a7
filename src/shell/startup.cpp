// Start-up in its fixed order, the message loop and the shutdown order.
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "graphics/screen.h"
#include "input/quick_save.h"
#include "launcher/launcher.h"
#include "launcher/launcher_window.h"
#include "platform/encoding.h"
#include "platform/error_log.h"
#include "platform/files.h"
#include "script/interpreter.h"
#include "shell/automation.h"
#include "shell/display_mode.h"
#include "shell/engine.h"
#include "shell/messages.h"
#include "shell/notice.h"
#include "shell/reading_aids.h"
#include "sound/sound.h"
#include "text/message_window.h"

namespace textreel {

namespace {
constexpr int kTickMs = 500;
// The largest window side the engine accepts; beyond it the surfaces take more memory than any
// title needs (six screen-sized surfaces and the window's framebuffer).
constexpr int kMaxScreenSide = 4096;
}  // namespace

int Engine::StartUp() {
    // The title's folder is the working directory; every resource path is relative to it.
    workDir = files::CurrentDirectory();
    if (workDir.empty() || workDir.back() != '/') {
        workDir += '/';
    }

    // The instance file: the one named on the command line, else the first by name. A title without
    // one runs with the per-key defaults, as does one whose instance file is refused (a link out of
    // the folder, a FIFO, a device).
    files::Refusal refusal;
    instance = ReadInstanceConfig(nullptr, options_.instanceFile, &refusal);
    TraceRefusal(refusal);
    // textreel.ini: a translation's text settings; what it gets wrong is ignored and said on stderr.
    std::vector<SettingsProblem> settingsProblems;
    files::Refusal settingsRefusal;
    titleSettings = ReadTitleSettings(settingsProblems, nullptr, &settingsRefusal);
    TraceRefusal(settingsRefusal);
    texts.Use(titleSettings.language, titleSettings.texts);
    systemMenu.Translate(texts);
    for (const SettingsProblem& problem : settingsProblems) {
        ErrorPrintf("textreel: %s:%u: %s\n", TitleSettings::kFileName, problem.line, problem.message.c_str());
    }

    // One copy per title. A driven run (the explorer) plays a copy of its own beside the player's
    // and takes no marker.
    switch (options_.driven ? InstanceLock::Result::kAcquired
                            : instanceLock_.Acquire(instance.instanceName)) {
        case InstanceLock::Result::kAcquired:
            break;
        case InstanceLock::Result::kHeldElsewhere:
            // The copy that runs is told to come forward; this one says why it ends.
            InstanceLock::SignalHolder(instance.instanceName);
            ErrorPrintf("textreel: %s is already running\n", Title(instance.windowName).ToUtf8().c_str());
            return kExitAlreadyRunning;
        case InstanceLock::Result::kUnavailable:
            ErrorPrintf("textreel: cannot make the lock file %s; a second copy will not be refused\n",
                        InstanceLock::PathFor(instance.instanceName).c_str());
            break;
    }

    // Prepare the run.
    backlog.Clear();
    text.areaLeft = 40;
    text.areaTop = instance.windowHeight - 155;
    text.areaRight = 780;
    text.areaBottom = 580;
    text.TextOrigin.Set(40, instance.windowHeight - 155);
    text.TextCursor.Set(text.TextOrigin);
    refusal = {};
    switch (scenario.Load(&refusal)) {
        case Scenario::LoadResult::kLoaded:
            break;
        case Scenario::LoadResult::kTooLarge:
            Warn("The scenario file is larger than " + std::to_string(kMaxScenarioBytes >> 20) +
                 " MB, more than any title holds; it is not read.");
            return kExitOk;
        case Scenario::LoadResult::kRefused:
            TraceRefusal(refusal);
            [[fallthrough]];
        case Scenario::LoadResult::kMissing:
            Warn(Text(msg::kScenarioMissing));
            return kExitOk;
    }
    ReadEnvDat();
    EnsureSaveFolder(true);
    // The title joins the list of titles played (a folder without a scenario is no title).
    if (options_.titleStarted) {
        std::string saveFolder;
        if (EnsureSaveFolder(false, &saveFolder) && !saveFolder.empty() && saveFolder[0] != '/') {
            saveFolder = workDir + saveFolder;
        }
        options_.titleStarted(workDir.size() > 1 ? workDir.substr(0, workDir.size() - 1) : workDir,
                              options_.instanceFile, Title(instance.windowName).ToUtf8(), saveFolder);
    }
    LoadReadingAidSettings(*this);
    if (options_.scaling) {
        scaling = *options_.scaling;
    } else if (std::string chosen = OwnSetting(*this, "scaling"); !chosen.empty()) {
        if (std::optional<Scaling> parsed = ParseScaling(chosen)) {
            scaling = *parsed;
        } else {
            std::fprintf(
                stderr,
                "textreel: textreel.cfg: scaling = %s is not sharp, nearest or smooth; sharp is used\n",
                chosen.c_str());
        }
    }
    platform.SetScaling(scaling);
    if (instance.cdMusic) {
        FindAudioCd(*this);
    }

    int w = instance.windowWidth;
    int h = instance.windowHeight;
    if (w <= 0 || h <= 0 || w > kMaxScreenSide || h > kMaxScreenSide) {
        Warn("The instance file asks for a screen of " + std::to_string(w) + " x " + std::to_string(h) +
             " pixels, which cannot be shown.");
        return kExitFailure;
    }

    // The window.
    platform.SetWindowScale(options_.scale);
    bool opened = false;
    try {
        opened = platform.OpenWindow(Title(instance.windowName).ToUtf8(), w, h);
    } catch (const std::bad_alloc&) {
        Warn(msg::kAllocateError);
        return kExitFailure;
    }
    if (!opened) {
        ErrorPrintf("textreel: cannot open the game window\n");
        return kExitFailure;
    }
    AdvanceMode = 0;
    nextTick_ = clock.NowMs() + kTickMs;
    ApplyStoredDisplayMode(*this);

    bool created = false;
    try {
        created = CreateGraphics(*this);
    } catch (const std::bad_alloc&) {
        ReleaseGraphics(*this);
        Warn(msg::kAllocateError);
        return kExitFailure;
    }
    if (!created) {
        return kExitOk;
    }
    ShowLogo(*this);

    StartScriptThread();
    return -1;
}

// The launcher instead of a title: its window, drawn over an empty picture, until the player has
// chosen. Nothing of a title is read, and nothing is written but the list of titles.
int Engine::StartLauncher() {
    workDir = files::CurrentDirectory() + "/";
    instance = DefaultInstanceConfig();
    instance.windowWidth = launcher::LauncherWindow::kWidth;
    instance.windowHeight = launcher::LauncherWindow::kHeight;
    env.windowed = 1;  // Alt+Enter switches it as in a title, but nothing is stored
    if (options_.scaling) {
        scaling = *options_.scaling;
    }
    platform.SetScaling(scaling);
    platform.SetWindowScale(options_.scale);
    bool opened = false;
    try {
        opened = platform.OpenWindow("textreel", instance.windowWidth, instance.windowHeight) &&
                 CreateGraphics(*this);
    } catch (const std::bad_alloc&) {
        opened = false;
    }
    if (!opened) {
        ErrorPrintf("textreel: cannot open the launcher's window\n");
        return kExitFailure;
    }
    nextTick_ = clock.NowMs() + kTickMs;
    options_.launcher->Load();
    launcherWindow_ = options_.launcher->MakeWindow(*this);
    overlays.Push(*this, launcherWindow_.get());
    static_cast<launcher::LauncherWindow*>(launcherWindow_.get())->TraceState(*this);
    return -1;
}

void Engine::TraceRefusal(const files::Refusal& refusal) {
    if (!refusal.reason.empty()) {
        trace.Event("refused", {{"path", refusal.path}, {"reason", refusal.reason}});
    }
}

void Engine::StartScriptThread() {
    scriptStarted_ = true;
    scriptThread_ = std::thread([this] {
        // 1: the scenario came to its end; 0: the program closed while the story went on.
        storyEnded_ = ScriptThreadMain(*this) == 1;
        scriptFinished_ = true;
        NotifyStateChange();
    });
}

int Engine::Run() {
    if (!options_.textOutPath.empty()) {
        std::string error;
        if (!access->OpenTextOut(options_.textOutPath, error)) {
            ErrorPrintf("textreel: cannot write the text stream: %s\n", error.c_str());
            trace.Event("exit", {{"code", int64_t{kExitUsage}}});
            return kExitUsage;
        }
    }
    if (!options_.eventsPath.empty()) {
        automation = std::make_unique<Automation>(*this);
        std::string error;
        if (!automation->Load(options_.eventsPath, options_.startDir, error, options_.firstEvent)) {
            ErrorPrintf("textreel: %s\n", error.c_str());
            trace.Event("exit", {{"code", int64_t{kExitUsage}}});
            return kExitUsage;
        }
    }
    if (clock.Virtual()) {
        // From here on virtual time may move: every thread it counts is known.
        auto& virtualClock = static_cast<VirtualClock&>(clock);
        virtualClock.SetQuiescence(
            [this](int sleepers, int outside) { return Quiescent(sleepers, outside); });
        if (!options_.driven) {
            virtualClock.SetPacing([this] { return (!automation || !automation->Running()) && Idle(); });
        }
    }
    if (automation) {
        // The script runs from the start, so that it can answer the boxes start-up may show.
        automation->Start();
    }
    if (options_.continueGame) {
        continueState_ = kContinueAtFirstWait;
    }
    eventsDone_ = options_.firstEvent;
    int code = options_.launcher != nullptr ? StartLauncher() : StartUp();
    if (code >= 0) {
        BeginClose();
        if (automation) {
            automation->Stop();
            eventsDone_ = automation->NextCommand();
        }
        trace.Event("exit", {{"code", int64_t{code}}});
        return code;
    }
    MainLoop();
    ShutDown();
    trace.Event("exit", {{"code", int64_t{exitCode_}}});
    return exitCode_;
}

void Engine::MainLoop() {
    while (!quitting_) {
        PumpEvents();
    }
}

// One round of the event loop: an input event or a wake-up, the other threads' requests, the
// tick when it is due, and the picture when it changed.
void Engine::PumpEvents() {
    InputEvent event;
    if (platform.WaitEvent(event, nextTick_)) {
        if (event.kind != InputEvent::Kind::kWake) {
            ++handling_;
            HandleInput(event);
            --handling_;
        }
    }
    RunRequests();
    if (raiseRequested_.exchange(false)) {
        platform.RaiseWindow();
    }
    int64_t now = clock.NowMs();
    if (now >= nextTick_) {
        Tick();
        nextTick_ += kTickMs;
        if (nextTick_ <= now) {
            nextTick_ = now + kTickMs;
        }
    }
    platform.PresentIfChanged();
}

void Engine::Tick() {
    WaitIconStep(*this);
    ExpireNotice(*this);
    FlushEnvDatWhenDue();
}

void Engine::ShutDown() {
    BeginClose();
    const bool storyStarted = scriptThread_.joinable();
    if (storyStarted) {
        scriptThread_.join();
    }
    if (MoviePlaying != kMovieNone) {
        StopMovie("close");
    }
    // A story that was still going is kept for --continue; one that has ended is not.
    if (storyStarted && !storyEnded_ && LoadInProgress == 0) {
        AutoSave(*this);
    }
    // Every way out of a running game passes here (the close box, the exit commands, the end of
    // the scenario, a termination signal): the lines read and the settings since the last write
    // are kept.
    if (options_.launcher == nullptr) {
        WriteEnvDatAtExit();
    }
    if (automation) {
        automation->Stop();
        eventsDone_ = automation->NextCommand();
    }
    if (launcherWindow_) {
        overlays.Remove(*this, launcherWindow_.get());
        launcherWindow_.reset();
    }
    ReleaseGraphics(*this);
    StopAllSound(*this);
    platform.CloseWindow();
    instanceLock_.Release();
}

}  // namespace textreel
