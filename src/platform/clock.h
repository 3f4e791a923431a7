// Milliseconds since start and sleeping until a deadline. Waits sleep; they never spin.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace textreel {

class Clock {
  public:
    virtual ~Clock() = default;

    virtual int64_t NowMs() = 0;

    // The current wake generation. A sleeper that notes it before testing its condition and passes
    // it to SleepUntil cannot miss a WakeSleepers call made after the test.
    virtual uint64_t WakeToken() = 0;

    // Sleeps until NowMs() >= deadlineMs. Returns early (false) when WakeSleepers was called since
    // the token was taken, or after Shutdown. Returns true when the deadline was reached.
    virtual bool SleepUntil(int64_t deadlineMs, uint64_t token) = 0;
    bool SleepUntil(int64_t deadlineMs) { return SleepUntil(deadlineMs, WakeToken()); }

    // Wakes every sleeper so that it tests its condition again.
    virtual void WakeSleepers() = 0;

    // From now on every sleep returns at once: the program is closing.
    virtual void Shutdown() = 0;
    virtual bool IsShutDown() = 0;
};

// The real clock: a steady clock counted from the moment the object was made.
class SteadyClock : public Clock {
  public:
    SteadyClock();
    int64_t NowMs() override;
    uint64_t WakeToken() override;
    using Clock::SleepUntil;
    bool SleepUntil(int64_t deadlineMs, uint64_t token) override;
    void WakeSleepers() override;
    void Shutdown() override;
    bool IsShutDown() override;

  private:
    int64_t startNs_;
    std::mutex mutex_;
    std::condition_variable wake_;
    uint64_t generation_ = 0;
    bool shutDown_ = false;
};

}  // namespace textreel
