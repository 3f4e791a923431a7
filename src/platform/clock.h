// Milliseconds since start and sleeping until a deadline. Waits sleep; they never spin.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <thread>

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

    // Virtual time (--fast): the clock jumps to the next deadline instead of sleeping.
    virtual bool Virtual() const { return false; }
    // Virtual time only: something that may change whether every thread is held has happened, so
    // the clock asks again whether it may move on.
    virtual void Poke() {}
    // Virtual time only: a thread outside the engine (the audio drain) starts or stops taking part
    // in the time (delta +1 or -1); while it does, time moves only when it sleeps on the clock.
    virtual void AddActors(int /*delta*/) {}
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

// Virtual time: NowMs starts at 0 and moves only when every thread that can act is held, either
// asleep on this clock or waiting for something that only another thread can end. Then it jumps to
// the earliest deadline of the sleepers. The owner says what "held" means with SetQuiescence: it is
// asked with the number of sleepers whose deadline is still ahead (held on the clock) and the
// number of outside actors, and answers whether nothing else can act. Every change that can make a
// thread held calls Poke (sleeps here do it themselves); changes that let a thread act again must
// be visible to the question at once. A keeper thread of the clock asks the question, and moves the
// time only when no change came between the question and the move, so the order of events is the
// order of their deadlines whatever the scheduler does.
class VirtualClock : public Clock {
  public:
    using Quiescence = std::function<bool(int sleepers, int outsideActors)>;

    VirtualClock();
    ~VirtualClock() override;
    VirtualClock(const VirtualClock&) = delete;
    VirtualClock& operator=(const VirtualClock&) = delete;

    int64_t NowMs() override;
    uint64_t WakeToken() override;
    using Clock::SleepUntil;
    bool SleepUntil(int64_t deadlineMs, uint64_t token) override;
    void WakeSleepers() override;
    void Shutdown() override;
    bool IsShutDown() override;
    bool Virtual() const override { return true; }
    void Poke() override;
    void AddActors(int delta) override;

    // Set before the threads that sleep here start (until then time never moves); an empty one
    // withdraws the question, and returns once no question is being asked.
    void SetQuiescence(Quiescence quiescent);
    // Asked with the question above: true when nobody is left to hurry time along (the events
    // file has ended and the story waits for the player). Time then keeps the real pace, so that
    // the wait icon's tick does not spin a core until the run is closed.
    void SetPacing(std::function<bool()> paced);

  private:
    struct Sleeper {
        int64_t deadlineMs;
        uint64_t token;
    };
    void Keep();

    std::mutex mutex_;
    std::condition_variable wake_;        // sleepers wait here
    std::condition_variable keeperWake_;  // the keeper waits here
    std::list<Sleeper*> sleepers_;
    int64_t nowMs_ = 0;
    uint64_t generation_ = 0;
    uint64_t changes_ = 0;
    int outsideActors_ = 0;
    bool shutDown_ = false;
    bool stopKeeper_ = false;
    std::mutex askMutex_;   // held while the keeper asks, so that the owner can withdraw the question
    Quiescence quiescent_;  // written under both mutexes
    std::function<bool()> paced_;
    std::thread keeper_;
};

}  // namespace textreel
