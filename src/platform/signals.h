// Termination signals (SIGTERM, SIGINT, SIGHUP) end the engine as the close box does; SIGUSR1, sent
// by a second start of the same title, brings the window forward. They are
// blocked in every thread and taken by a watcher thread of their own, so that the handler is
// ordinary code that may lock and wake the engine's waits.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace textreel {

// Blocks the termination signals in the calling thread and in every thread it starts later. Call
// it first thing in main, before any thread exists.
void BlockTerminationSignals();

class SignalWatcher {
  public:
    // Starts watching; onSignal runs on the watcher's thread for the first termination signal that
    // arrives, onRaise for each SIGUSR1.
    explicit SignalWatcher(std::function<void()> onSignal, std::function<void()> onRaise = {});
    ~SignalWatcher();
    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;

    bool Active() const { return signalFd_ >= 0; }

  private:
    void Watch();

    std::function<void()> onSignal_;
    std::function<void()> onRaise_;
    int signalFd_ = -1;
    int stopPipe_[2] = {-1, -1};
    std::thread thread_;
};

}  // namespace textreel
