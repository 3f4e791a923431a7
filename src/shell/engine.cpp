#include "shell/engine.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "access/spoken_text.h"
#include "input/quick_save.h"
#include "platform/encoding.h"
#include "platform/error_log.h"
#include "platform/files.h"
#include "script/utf8_text.h"
#include "shell/automation.h"
#include "shell/popup_menu.h"
#include "sound/sound.h"
#include "text/message_window.h"

namespace textreel {

Engine::Engine(Platform& platformIn, EngineOptions options)
    : platform(platformIn),
      clock(platformIn.GetClock()),
      trace(platformIn.GetClock()),
      options_(std::move(options)) {
    mainThread_ = std::this_thread::get_id();
    // A save folder given from outside (the explorer's scratch folder) is used as the user's data
    // folder is: the title's own folder is never written.
    fallbackSaveDir_ = options_.saveDir;
    gate_.SetObserver([this] { NotifyStateChange(); });
    if (options_.seed) {
        random.Seed(*options_.seed);
    }
    InitSound(*this);
    access = std::make_unique<Access>(trace, platform.Mixer(), clock, options_.speech);
    access->SetHooks(
        {[this] { return VoicePlaying != 0; },
         [this](const std::string& utf8) { Post([this, utf8] { platform.SetClipboardText(utf8); }); }});
    if (!options_.tracePath.empty() && !trace.Open(options_.tracePath, options_.appendTrace)) {
        ErrorPrintf("textreel: cannot write the trace file %s\n", options_.tracePath.c_str());
    }
}

Engine::~Engine() {
    if (clock.Virtual()) {
        // Virtual time no longer asks this engine whether it may move.
        static_cast<VirtualClock&>(clock).SetQuiescence(nullptr);
    }
    // A Run that ended normally has joined the script thread already; this covers an engine that
    // is destroyed while its thread still runs (a failed test, for instance).
    if (!quitting_) {
        BeginClose();
    }
    if (scriptThread_.joinable()) {
        scriptThread_.join();
    }
    // The streamers' notices post to this engine; none may come once it goes.
    StopAllSound(*this);
    automation.reset();
}

std::optional<std::string> Engine::ResolvePath(std::string_view windowsPath) {
    files::Refusal refusal;
    std::optional<std::string> path = files::Resolve(windowsPath, &refusal);
    if (!path && !refusal.reason.empty()) {
        trace.Event("refused", {{"path", refusal.path}, {"reason", refusal.reason}});
    }
    return path;
}

bool Engine::SuspendScript() {
    // The player sees the page the thread stops at, even when skip mode left it unshown.
    ShowPendingPage(*this);
    LinesAtWait = LinesRun.load();
    if (continueState_ == kContinueAtFirstWait && MoviePlaying == 0) {
        // --continue: the main thread loads "auto.sav" once this thread has suspended itself.
        continueState_ = kContinuePosted;
        Post([this] {
            ServeRequestsUntil([this] { return gate_.Waiting() || ScriptFinished(); });
            if (!quitting_ && gate_.Waiting()) {
                QuickLoad(*this, kAutoSaveFile);
            }
            continueState_ = kNoContinue;
            NotifyStateChange();
        });
    }
    return gate_.Suspend() && !quitting_;
}

bool Engine::ResumeScript() {
    const bool resumed = gate_.Resume();
    if (resumed) {
        ++resumeCount;
    }
    return resumed;
}

void Engine::Enqueue(const std::shared_ptr<Request>& request, bool waiter) {
    {
        std::lock_guard lock(requestMutex_);
        requests_.push_back(request);
        request->waiter = waiter;
        waitingSenders_ += waiter ? 1 : 0;
    }
    platform.PostEvent(InputEvent{});
    NotifyStateChange();
}

void Engine::Send(std::function<void()> f) {
    if (OnMainThread()) {
        f();
        return;
    }
    if (quitting_) {
        return;
    }
    auto request = std::make_shared<Request>();
    request->run = std::move(f);
    Enqueue(request, true);
    std::unique_lock lock(requestMutex_);
    // A request the main thread has started always runs to its end (it may write into the
    // caller's frame); one that has not started is dropped when the program closes.
    requestDone_.wait(lock, [&] { return request->done || (quitting_ && request->run != nullptr); });
    if (request->waiter) {
        request->waiter = false;
        --waitingSenders_;
    }
}

void Engine::Post(std::function<void()> f) {
    if (quitting_) {
        return;
    }
    auto request = std::make_shared<Request>();
    request->run = std::move(f);
    Enqueue(request, false);
}

void Engine::SendInput(const InputEvent& event) {
    if (OnMainThread()) {
        HandleInput(event);
        return;
    }
    if (quitting_) {
        return;
    }
    if (event.kind == InputEvent::Kind::kMouseMove || event.kind == InputEvent::Kind::kButtonUp) {
        platform.SetCursorPosition(event.x, event.y);
    }
    auto request = std::make_shared<Request>();
    request->input = event;
    request->run = [this, event] { HandleInput(event); };
    Enqueue(request, true);
    std::unique_lock lock(requestMutex_);
    requestDone_.wait(lock, [&] { return request->done || (quitting_ && request->run != nullptr); });
    if (request->waiter) {
        request->waiter = false;
        --waitingSenders_;
    }
}

// Takes the request off the queue's front and runs it, or (dropInput) drops it if it is an input
// event. Returns false when the queue was empty.
bool Engine::RunOneRequest(std::shared_ptr<Request>& request, bool dropInput) {
    std::function<void()> run;
    {
        std::lock_guard lock(requestMutex_);
        if (requests_.empty()) {
            return false;
        }
        request = requests_.front();
        requests_.pop_front();
        ++handling_;
        // Taking the function out marks the request as started.
        run = std::move(request->run);
        request->run = nullptr;
    }
    if (!(dropInput && request->input)) {
        run();
    }
    if (request->input && automation) {
        // Only the events file's runner sends input this way.
        automation->InputHandled();
    }
    {
        std::lock_guard lock(requestMutex_);
        request->done = true;
        if (request->waiter) {
            // The sender acts again from here on, before it has woken.
            request->waiter = false;
            --waitingSenders_;
        }
        --handling_;
    }
    requestDone_.notify_all();
    NotifyStateChange();
    return true;
}

bool Engine::TakePendingInput(InputEvent& event) {
    for (;;) {
        std::shared_ptr<Request> request;
        {
            std::lock_guard lock(requestMutex_);
            if (requests_.empty()) {
                break;
            }
        }
        if (!RunOneRequest(request, true)) {
            break;
        }
        if (request->input) {
            event = *request->input;
            return true;
        }
    }
    InputEvent polled;
    while (platform.WaitEvent(polled, clock.NowMs())) {
        if (polled.kind != InputEvent::Kind::kWake) {
            event = polled;
            return true;
        }
    }
    return false;
}

void Engine::RunRequests() {
    std::shared_ptr<Request> request;
    while (!quitting_ && RunOneRequest(request, false)) {
    }
}

void Engine::ServeRequestsUntil(const std::function<bool()>& done) {
    for (;;) {
        uint64_t generation;
        {
            std::lock_guard lock(idleMutex_);
            generation = idleGeneration_;
        }
        RunRequests();
        if (quitting_ || done()) {
            return;
        }
        {
            std::lock_guard lock(idleMutex_);
            serveWaitGeneration_ = generation;
        }
        clock.Poke();
        std::unique_lock lock(idleMutex_);
        idleChanged_.wait_for(lock, std::chrono::milliseconds(200),
                              [&] { return idleGeneration_ != generation; });
        serveWaitGeneration_.reset();
    }
}

void Engine::DiscardRequests() {
    {
        std::lock_guard lock(requestMutex_);
        requests_.clear();
    }
    requestDone_.notify_all();
}

MessageBoxAnswer Engine::MessageBox(const std::string& textUtf8, const std::string& captionUtf8,
                                    MessageBoxKind kind) {
    if (!OnMainThread()) {
        MessageBoxAnswer answer = MessageBoxAnswer::kCancel;
        Send([&] { answer = MessageBox(textUtf8, captionUtf8, kind); });
        return answer;
    }
    if (quitting_) {
        return MessageBoxAnswer::kCancel;
    }
    // A headless run echoes the box on stderr, unless its driver (the explorer) answers and reports
    // the boxes itself.
    if (platform.Headless() && !options_.driven) {
        ErrorPrintf("textreel: [%s] %s\n", captionUtf8.c_str(), textUtf8.c_str());
    }
    access->Say(SpokenMessageBox(captionUtf8, textUtf8));
    bool scripted = automation && platform.Headless();
    if (scripted) {
        automation->BoxOpening();
    }
    ++modalOpen_;
    NotifyStateChange();
    MessageBoxAnswer answer;
    if (scripted) {
        answer = automation->AnswerMessageBox();
    } else {
        answer = platform.ShowMessageBox(textUtf8, captionUtf8, kind);
    }
    if (quitting_) {
        answer = MessageBoxAnswer::kCancel;
    }
    trace.Event("message", {{"text", textUtf8},
                            {"caption", captionUtf8},
                            {"answer", std::string(answer == MessageBoxAnswer::kOk ? "ok" : "cancel")}});
    --modalOpen_;
    if (scripted) {
        automation->BoxClosed();
    }
    NotifyStateChange();
    return answer;
}

void Engine::RequestClose() {
    if (OnMainThread()) {
        BeginClose();
        return;
    }
    Send([this] { BeginClose(); });
}

void Engine::CloseFromSignal() {
    BeginClose();
    platform.PostEvent(InputEvent{});
    platform.DismissMessageBox();
}

void Engine::RaiseFromSignal() {
    raiseRequested_ = true;
    platform.PostEvent(InputEvent{});
}

void Engine::BeginClose() {
    if (quitting_.exchange(true)) {
        return;
    }
    // Wake every wait of the script thread: the gate, sleeps and pending requests.
    clock.Shutdown();
    gate_.Shutdown();
    WakeSoundWaits(*this);
    DiscardRequests();
    if (automation) {
        automation->OnClose();
    }
    NotifyStateChange();
}

bool Engine::SleepUntil(int64_t deadlineMs) {
    for (;;) {
        if (quitting_) {
            return false;
        }
        uint64_t token = clock.WakeToken();
        if (clock.NowMs() >= deadlineMs) {
            return true;
        }
        if (!clock.SleepUntil(deadlineMs, token) && clock.IsShutDown()) {
            return false;
        }
    }
}

void Engine::SetScriptBusy(int32_t busy) {
    ScriptBusy = busy;
    NotifyStateChange();
}

void Engine::NotifyStateChange() {
    {
        std::lock_guard lock(idleMutex_);
        ++idleGeneration_;
    }
    idleChanged_.notify_all();
    clock.Poke();
}

bool Engine::Idle() {
    if (quitting_ || scriptFinished_ || overlays.Count() > 0) {
        return true;
    }
    // A scripted box counts only while it waits for the events file: one that a queued answer
    // covers closes by itself.
    if (automation && platform.Headless() ? automation->BoxAwaitingAnswer() : modalOpen_ > 0) {
        return true;
    }
    if (!gate_.Waiting() || ScriptBusy != 0 || handling_ != 0 || continueState_ != kNoContinue) {
        return false;
    }
    // A movie counts once its first picture is on the screen: then it waits for its end or for
    // the player's Esc or right click.
    if (MoviePlaying != kMovieNone && !sound.movieShowing) {
        return false;
    }
    std::lock_guard lock(requestMutex_);
    return requests_.empty();
}

void Engine::WaitUntilIdle() {
    while (!WaitUntilIdleFor(3600 * 1000)) {
    }
}

bool Engine::WaitUntilIdleFor(int64_t ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        uint64_t generation;
        {
            std::lock_guard lock(idleMutex_);
            generation = idleGeneration_;
        }
        if (Idle()) {
            return true;
        }
        auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            return false;
        }
        {
            std::lock_guard lock(idleMutex_);
            idleWaitGeneration_ = generation;
        }
        clock.Poke();
        std::unique_lock lock(idleMutex_);
        // The timeout is a safety net only; every change that can make the engine idle notifies.
        idleChanged_.wait_for(
            lock,
            std::min<std::chrono::steady_clock::duration>(std::chrono::milliseconds(200), deadline - now),
            [&] { return idleGeneration_ != generation; });
        idleWaitGeneration_.reset();
    }
}

// Counts the threads that take part in the time (the main thread, the script thread while it
// runs, the events runner while it runs, and outside ones such as the audio drain) and those held:
// asleep on the clock, at the gate, waiting for a request the main thread has not run, for a
// voice to end, for the engine to become idle while it is not, for an answer from the runner. A
// thread whose wait has been ended counts as acting from that moment, before it wakes.
bool Engine::Quiescent(int sleepers, int outsideActors) {
    // A movie's first picture comes in real time (the player's own clock); virtual time waits
    // for it, since the movie is skipped there.
    if (quitting_ || (MoviePlaying != 0 && !sound.movieShowing)) {
        return false;
    }
    int actors = 1 + outsideActors;
    int held = sleepers;
    actors += scriptStarted_ && !scriptFinished_ ? 1 : 0;
    actors += automation && automation->Running() ? 1 : 0;
    held += gate_.Waiting() ? 1 : 0;
    {
        std::lock_guard lock(requestMutex_);
        held += waitingSenders_;
    }
    held += sound.voiceWaiting != 0 && VoicePlaying != 0 ? 1 : 0;
    held += automation && automation->MainAwaitingAnswer() ? 1 : 0;
    bool idleWait = false;
    {
        std::lock_guard lock(idleMutex_);
        held += serveWaitGeneration_ == idleGeneration_ ? 1 : 0;
        idleWait = idleWaitGeneration_ == idleGeneration_;
    }
    held += idleWait && !Idle() ? 1 : 0;
    // A story looping without a wait would otherwise hold the time still for good: it counts as
    // held unless it was counted already (waiting for the main thread inside its loop).
    const bool looping = scriptStarted_ && !scriptFinished_ && LinesRun - LinesAtWait >= kLoopLines;
    return held == actors || (looping && held + 1 == actors);
}

}  // namespace textreel
