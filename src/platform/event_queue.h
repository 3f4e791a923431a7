// A thread-safe queue of input events for the main thread, with a deadline wait on the clock.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>

#include "platform/platform.h"

namespace textreel {

class EventQueue {
  public:
    explicit EventQueue(Clock& clock) : clock_(clock) {}

    void Push(InputEvent event) {
        {
            std::lock_guard lock(mutex_);
            events_.push_back(std::move(event));
        }
        ready_.notify_one();
        if (clock_.Virtual()) {
            // The main thread waits on the clock in virtual time.
            clock_.WakeSleepers();
        }
    }

    bool TryPop(InputEvent& event) {
        std::lock_guard lock(mutex_);
        if (events_.empty()) {
            return false;
        }
        event = std::move(events_.front());
        events_.pop_front();
        return true;
    }

    // Waits until an event arrives or the clock reaches deadlineMs.
    bool Wait(InputEvent& event, int64_t deadlineMs) {
        if (clock_.Virtual()) {
            return WaitVirtual(event, deadlineMs);
        }
        std::unique_lock lock(mutex_);
        for (;;) {
            if (!events_.empty()) {
                event = std::move(events_.front());
                events_.pop_front();
                return true;
            }
            int64_t remaining = deadlineMs - clock_.NowMs();
            if (remaining <= 0) {
                return false;
            }
            ready_.wait_for(lock, std::chrono::milliseconds(remaining));
        }
    }

  private:
    // In virtual time the wait is a sleep on the clock that a new event cuts short, so that the
    // clock sees the main thread held while the queue is empty.
    bool WaitVirtual(InputEvent& event, int64_t deadlineMs) {
        for (;;) {
            const uint64_t token = clock_.WakeToken();
            if (TryPop(event)) {
                return true;
            }
            if (clock_.IsShutDown() || clock_.NowMs() >= deadlineMs) {
                return false;
            }
            clock_.SleepUntil(deadlineMs, token);
        }
    }

    Clock& clock_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<InputEvent> events_;
};

}  // namespace textreel
