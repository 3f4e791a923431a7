// Keeps a log from flooding: a line that repeats is let through a few times per window, and the
// repeats held back are then told once as "… repeated N times"; all lines together are held to a
// byte budget per window, and lines over it are counted and told once as left out. The caller
// gives the time, so that a trace in virtual time stays the same every run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace textreel {

class RepeatLimiter {
  public:
    struct Limits {
        int64_t windowMs = 1000;
        int perLine = 5;                   // the times one line is written per window
        size_t bytesPerWindow = 48 << 10;  // every line and summary together
        size_t maxTracked = 4096;          // distinct lines remembered per window
    };
    // What is written in place of held-back lines: `line` repeated `count` more times (a summary
    // of repeats), or, with an empty line, `count` lines left out over the budget.
    using Summary = std::function<std::string(std::string_view line, int64_t count, int64_t nowMs)>;

    RepeatLimiter(Limits limits, Summary summary) : limits_(limits), summary_(std::move(summary)) {}

    // Decides about line (its key is the line itself) at nowMs; appends to out what to write now:
    // summaries of earlier repeats whose window has ended, then the line unless it is held back.
    // With repeats false the line is held to the budget only (a line that may come often).
    void Offer(std::string_view line, int64_t nowMs, std::vector<std::string>& out, bool repeats = true);
    // The summaries of everything still held back (at the end of the run).
    void Finish(int64_t nowMs, std::vector<std::string>& out);

  private:
    struct Seen {
        int64_t windowStartMs = 0;
        int written = 0;
        int64_t held = 0;
    };
    void Sweep(int64_t nowMs, bool all, std::vector<std::string>& out);
    void Emit(std::string text, std::vector<std::string>& out);

    Limits limits_;
    Summary summary_;
    std::unordered_map<std::string, Seen> seen_;
    int64_t budgetStartMs_ = INT64_MIN;
    size_t budgetUsed_ = 0;
    int64_t leftOut_ = 0;
    int64_t lastSweepMs_ = INT64_MIN;
};

}  // namespace textreel
