// Start-up in its fixed order, the message loop and the shutdown order.
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "graphics/screen.h"
#include "input/quick_save.h"
#include "platform/encoding.h"
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
    for (const SettingsProblem& problem : settingsProblems) {
        std::fprintf(stderr, "textreel: %s:%u: %s\n", TitleSettings::kFileName, problem.line,
                     problem.message.c_str());
    }

    // One copy per title.
    switch (instanceLock_.Acquire(instance.instanceName)) {
        case InstanceLock::Result::kAcquired:
            break;
        case InstanceLock::Result::kHeldElsewhere:
            return kExitOk;
        case InstanceLock::Result::kUnavailable:
            std::fprintf(stderr,
                         "textreel: cannot make the lock file %s; a second copy will not be refused\n",
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
            Warn(Sjis(msg::kScenarioMissing));
            return kExitOk;
    }
    ReadEnvDat();
    EnsureSaveFolder(true);
    LoadReadingAidSettings(*this);
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
        opened = platform.OpenWindow(TitleUtf8(instance.windowName), w, h);
    } catch (const std::bad_alloc&) {
        Warn(msg::kAllocateError);
        return kExitFailure;
    }
    if (!opened) {
        std::fprintf(stderr, "textreel: cannot open the game window\n");
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
            std::fprintf(stderr, "textreel: cannot write the text stream: %s\n", error.c_str());
            trace.Event("exit", {{"code", int64_t{kExitUsage}}});
            return kExitUsage;
        }
    }
    if (!options_.eventsPath.empty()) {
        automation = std::make_unique<Automation>(*this);
        std::string error;
        if (!automation->Load(options_.eventsPath, options_.startDir, error)) {
            std::fprintf(stderr, "textreel: %s\n", error.c_str());
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
    int code = StartUp();
    if (code >= 0) {
        BeginClose();
        if (automation) {
            automation->Stop();
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
    WriteEnvDatAtExit();
    if (automation) {
        automation->Stop();
    }
    ReleaseGraphics(*this);
    StopAllSound(*this);
    platform.CloseWindow();
    instanceLock_.Release();
}

}  // namespace textreel
