#include "platform/repeat_limiter.h"

#include <algorithm>
#include <tuple>

namespace textreel {

namespace {
constexpr size_t kAddedBytes = 16;
}  // namespace

// A summary is not held to the budget: a line has one only after it was written perLine times in
// its window, so the summaries of a window are a fraction of its budget.
void RepeatLimiter::Emit(std::string text, std::vector<std::string>& out) {
    out.push_back(std::move(text));
}

// Tells the repeats of every line whose window has ended (or of all lines) and forgets those lines,
// oldest window first, so that the order does not depend on the table's.
void RepeatLimiter::Sweep(int64_t nowMs, bool all, std::vector<std::string>& out) {
    std::vector<std::tuple<int64_t, std::string, int64_t>> told;
    for (auto it = seen_.begin(); it != seen_.end();) {
        if (all || nowMs - it->second.windowStartMs >= limits_.windowMs) {
            if (it->second.held > 0) {
                told.emplace_back(it->second.windowStartMs, it->first, it->second.held);
            }
            it = seen_.erase(it);
        } else {
            ++it;
        }
    }
    std::sort(told.begin(), told.end());
    for (const auto& [start, line, held] : told) {
        Emit(summary_(line, held, nowMs), out);
    }
    lastSweepMs_ = nowMs;
}

void RepeatLimiter::Offer(std::string_view line, int64_t nowMs, std::vector<std::string>& out, bool repeats) {
    if (budgetStartMs_ == INT64_MIN || nowMs - budgetStartMs_ >= limits_.windowMs) {
        budgetStartMs_ = nowMs;
        budgetUsed_ = 0;
        if (leftOut_ > 0) {
            Emit(summary_({}, leftOut_, nowMs), out);
            leftOut_ = 0;
        }
    }
    if (lastSweepMs_ == INT64_MIN || nowMs - lastSweepMs_ >= limits_.windowMs) {
        Sweep(nowMs, false, out);
    }
    auto it = repeats ? seen_.find(std::string(line)) : seen_.end();
    if (it != seen_.end() && nowMs - it->second.windowStartMs >= limits_.windowMs) {
        if (it->second.held > 0) {
            Emit(summary_(line, it->second.held, nowMs), out);
        }
        it->second = Seen{nowMs, 0, 0};
    }
    if (it != seen_.end() && it->second.written >= limits_.perLine) {
        ++it->second.held;
        return;
    }
    // Each line is counted with room for what a writer adds to it (the trace's time).
    const size_t cost = line.size() + kAddedBytes;
    if (budgetUsed_ + cost > limits_.bytesPerWindow) {
        ++leftOut_;
        return;
    }
    if (repeats && it == seen_.end() && seen_.size() < limits_.maxTracked) {
        it = seen_.emplace(std::string(line), Seen{nowMs, 0, 0}).first;
    }
    if (it != seen_.end()) {
        ++it->second.written;
    }
    budgetUsed_ += cost;
    Emit(std::string(line), out);
}

void RepeatLimiter::Finish(int64_t nowMs, std::vector<std::string>& out) {
    Sweep(nowMs, true, out);
    if (leftOut_ > 0) {
        Emit(summary_({}, leftOut_, nowMs), out);
        leftOut_ = 0;
    }
}

}  // namespace textreel
