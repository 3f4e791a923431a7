// Work that may run too long to wait for, done in a child process of its own: the parent can end it
// at a deadline or when it is told to stop, whatever the work is doing (a library call that takes no
// notice of either).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

namespace textreel {

struct ChildOutcome {
    enum class Kind { kDone, kCannotStart, kEnded };
    Kind kind = Kind::kCannotStart;
    int code = 0;  // kDone: the work's result
};

// Runs work in a forked child and waits for it. The child returns work()'s value (0 to 255) as its
// exit code. It is killed when deadlineMs (on the steady clock, 0: none) passes or *stop is set;
// the outcome is then kEnded. Call it when no other thread of the process holds a lock the work
// needs; the child runs nothing but work.
ChildOutcome RunInChild(const std::function<int()>& work, int64_t deadlineMs, const std::atomic<bool>* stop);

// The steady clock in milliseconds, the unit of RunInChild's deadline.
int64_t SteadyNowMs();

}  // namespace textreel
