#include "platform/clock.h"

#include <algorithm>
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

// ----- VirtualClock -----

VirtualClock::VirtualClock() : keeper_([this] { Keep(); }) {}

VirtualClock::~VirtualClock() {
    {
        std::lock_guard lock(mutex_);
        stopKeeper_ = true;
        shutDown_ = true;
    }
    keeperWake_.notify_all();
    wake_.notify_all();
    keeper_.join();
}

int64_t VirtualClock::NowMs() {
    std::lock_guard lock(mutex_);
    return nowMs_;
}

uint64_t VirtualClock::WakeToken() {
    std::lock_guard lock(mutex_);
    return generation_;
}

bool VirtualClock::SleepUntil(int64_t deadlineMs, uint64_t token) {
    std::unique_lock lock(mutex_);
    if (shutDown_ || generation_ != token) {
        return false;
    }
    if (nowMs_ >= deadlineMs) {
        return true;
    }
    Sleeper self{deadlineMs, token};
    auto it = sleepers_.insert(sleepers_.end(), &self);
    ++changes_;
    keeperWake_.notify_all();
    wake_.wait(lock, [&] { return shutDown_ || generation_ != token || nowMs_ >= deadlineMs; });
    sleepers_.erase(it);
    ++changes_;
    keeperWake_.notify_all();
    return !shutDown_ && generation_ == token;
}

void VirtualClock::WakeSleepers() {
    {
        std::lock_guard lock(mutex_);
        ++generation_;
        ++changes_;
    }
    wake_.notify_all();
    keeperWake_.notify_all();
}

void VirtualClock::Shutdown() {
    {
        std::lock_guard lock(mutex_);
        shutDown_ = true;
        ++changes_;
    }
    wake_.notify_all();
    keeperWake_.notify_all();
}

bool VirtualClock::IsShutDown() {
    std::lock_guard lock(mutex_);
    return shutDown_;
}

void VirtualClock::Poke() {
    {
        std::lock_guard lock(mutex_);
        ++changes_;
    }
    keeperWake_.notify_all();
}

void VirtualClock::AddActors(int delta) {
    {
        std::lock_guard lock(mutex_);
        outsideActors_ += delta;
        ++changes_;
    }
    keeperWake_.notify_all();
}

void VirtualClock::SetQuiescence(Quiescence quiescent) {
    {
        std::lock_guard asking(askMutex_);
        std::lock_guard lock(mutex_);
        quiescent_ = std::move(quiescent);
        ++changes_;
    }
    keeperWake_.notify_all();
}

void VirtualClock::SetPacing(std::function<bool()> paced) {
    {
        std::lock_guard asking(askMutex_);
        std::lock_guard lock(mutex_);
        paced_ = std::move(paced);
        ++changes_;
    }
    keeperWake_.notify_all();
}

void VirtualClock::Keep() {
    std::unique_lock lock(mutex_);
    uint64_t seen = changes_ - 1;
    for (;;) {
        keeperWake_.wait(lock, [&] { return stopKeeper_ || shutDown_ || changes_ != seen; });
        if (stopKeeper_ || shutDown_) {
            return;
        }
        seen = changes_;
        if (!quiescent_) {
            continue;
        }
        // The sleepers still held: a woken one counts as acting until it sleeps again.
        int held = 0;
        int64_t next = 0;
        for (const Sleeper* s : sleepers_) {
            if (s->token == generation_ && s->deadlineMs > nowMs_) {
                next = held == 0 ? s->deadlineMs : std::min(next, s->deadlineMs);
                ++held;
            }
        }
        if (held == 0) {
            continue;
        }
        const int outside = outsideActors_;
        lock.unlock();
        bool still = false;
        bool paced = false;
        {
            std::lock_guard asking(askMutex_);
            still = quiescent_ && quiescent_(held, outside);
            paced = still && paced_ && paced_();
        }
        lock.lock();
        if (!still || changes_ != seen || stopKeeper_ || shutDown_) {
            continue;
        }
        if (paced) {
            // Real time passes before the jump; anything that happens meanwhile is looked at first.
            const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(next - nowMs_);
            keeperWake_.wait_until(lock, until, [&] { return stopKeeper_ || shutDown_ || changes_ != seen; });
            if (changes_ != seen || stopKeeper_ || shutDown_) {
                continue;
            }
        }
        nowMs_ = next;
        ++changes_;
        wake_.notify_all();
    }
}

}  // namespace textreel
