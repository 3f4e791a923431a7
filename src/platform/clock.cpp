#include "platform/clock.h"

#include <chrono>

namespace textreel {

namespace {
int64_t SteadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
}  // namespace

SteadyClock::SteadyClock() : startNs_(SteadyNs()) {}

int64_t SteadyClock::NowMs() {
    return (SteadyNs() - startNs_) / 1000000;
}

uint64_t SteadyClock::WakeToken() {
    std::lock_guard lock(mutex_);
    return generation_;
}

bool SteadyClock::SleepUntil(int64_t deadlineMs, uint64_t token) {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (shutDown_ || generation_ != token) {
            return false;
        }
        int64_t remainingNs = deadlineMs * 1000000 - (SteadyNs() - startNs_);
        if (remainingNs <= 0) {
            return true;
        }
        wake_.wait_for(lock, std::chrono::nanoseconds(remainingNs));
    }
}

void SteadyClock::WakeSleepers() {
    {
        std::lock_guard lock(mutex_);
        ++generation_;
    }
    wake_.notify_all();
}

void SteadyClock::Shutdown() {
    {
        std::lock_guard lock(mutex_);
        shutDown_ = true;
    }
    wake_.notify_all();
}

bool SteadyClock::IsShutDown() {
    std::lock_guard lock(mutex_);
    return shutDown_;
}

}  // namespace textreel
