// Work that may run too long to wait for, done in a child process of its own: the parent can end it
// at a deadline or when it is told to stop, whatever the work is doing (a library call that takes no
// notice of either).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace textreel {

struct ChildOutcome {
    enum class Kind { kDone, kCannotStart, kEnded };
    Kind kind = Kind::kCannotStart;
    int code = 0;        // kDone: the work's result
    std::string output;  // kDone: what the work put in its output
};

// Runs work in a forked child and waits for it. The child's work fills its output string and
// returns a code from 0 to 255; both come back in the outcome. The child writes no file itself, so
// ending it leaves nothing half-written. It is killed when deadlineMs (on SteadyNowMs()'s clock, 0:
// none) passes or *stop is set; the outcome is then kEnded. Call it when no other thread of the
// process holds a lock the work needs; the child runs nothing but work.
ChildOutcome RunInChild(const std::function<int(std::string& output)>& work, int64_t deadlineMs,
                        const std::atomic<bool>* stop);

// The steady clock in milliseconds, the unit of RunInChild's deadline.
int64_t SteadyNowMs();

}  // namespace textreel
