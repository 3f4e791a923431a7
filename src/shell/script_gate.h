// The gate at which the script thread suspends itself. The window side's resume wakes it only if it
// is waiting: a resume that arrives while it runs is dropped, never stored, unless the script
// thread has said just before that it expects one (it is about to suspend until something ends
// that may end at once).
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>

namespace textreel {

class ScriptGate {
  public:
    // Called (without the gate's lock) whenever the waiting state changes.
    void SetObserver(std::function<void()> observer) { observer_ = std::move(observer); }

    // Script thread: waits for a resume. Returns false when the gate was shut down.
    bool Suspend() {
        {
            std::unique_lock lock(mutex_);
            if (shutDown_) {
                return false;
            }
            keepEarly_ = false;
            if (early_) {
                early_ = false;
                return true;
            }
            waiting_ = true;
            released_ = false;
        }
        Notify();
        bool resumed;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return released_ || shutDown_; });
            resumed = released_;
            waiting_ = false;
            released_ = false;
        }
        Notify();
        return resumed;
    }

    // Window side: wakes the script thread if it waits; returns whether it did.
    bool Resume() {
        {
            std::lock_guard lock(mutex_);
            if (!waiting_ && keepEarly_) {
                keepEarly_ = false;
                early_ = true;
                return true;
            }
            if (!waiting_ || released_) {
                return false;
            }
            released_ = true;
        }
        wake_.notify_all();
        return true;
    }

    // Script thread: the next resume is kept even if it comes before the next Suspend.
    void KeepEarlyResume() {
        std::lock_guard lock(mutex_);
        keepEarly_ = true;
    }

    // Script thread: forgets a kept resume and the wish to keep one.
    void DropEarlyResume() {
        std::lock_guard lock(mutex_);
        keepEarly_ = false;
        early_ = false;
    }

    bool Waiting() {
        std::lock_guard lock(mutex_);
        return waiting_ && !released_;
    }

    // Wakes the waiter for good; every later Suspend returns at once.
    void Shutdown() {
        {
            std::lock_guard lock(mutex_);
            shutDown_ = true;
        }
        wake_.notify_all();
        Notify();
    }

  private:
    void Notify() {
        if (observer_) {
            observer_();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    bool waiting_ = false;
    bool released_ = false;
    bool shutDown_ = false;
    bool keepEarly_ = false;  // a resume before the next Suspend is kept ...
    bool early_ = false;      // ... and here it is
    std::function<void()> observer_;
};

}  // namespace textreel
