// The trace: one JSON object per line for what a player would see or hear, with the time in ms.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "platform/repeat_limiter.h"

namespace textreel {

class Clock;
class QuietOutput;

class Trace {
  public:
    // A value written as it is: JSON text the caller has built (arrays and objects).
    struct Json {
        std::string text;
    };
    using Value = std::variant<int64_t, std::string, bool, Json>;
    struct Field {
        std::string_view name;
        Value value;
    };

    explicit Trace(Clock& clock);
    ~Trace();
    Trace(const Trace&) = delete;
    Trace& operator=(const Trace&) = delete;

    // Opens the file, emptied unless append is set.
    bool Open(const std::string& path, bool append = false);
    // Keeps the lines in memory instead of a file (for tests).
    void Capture();
    std::vector<std::string> CapturedLines();
    bool Enabled() const { return file_ != nullptr || capture_ || observer_ != nullptr; }
    bool Observed() const { return observer_ != nullptr; }
    // The written trace is held to a bounded rate whatever the title does: an event line that
    // repeats is written kLimits.perLine times per second, and then once as a `repeated` event
    // (count, and the last line held back as `last`); lines beyond kLimits.bytesPerWindow in a
    // second are told as one `left-out` event (count). Events of the player's input are held to
    // the bytes only, the events file's `input` and the `exit` line to nothing. The times are the
    // clock's, so a run in virtual time writes the same trace every run. The observer sees every
    // event.
    static constexpr RepeatLimiter::Limits kLimits{};
    // Hands every event (its name, and its line without the time) to observer on the thread that
    // writes it, before it is written. Set before the engine runs; the explorer watches the game so.
    using Observer = std::function<void(std::string_view name, const std::string& fields)>;
    void Observe(Observer observer) { observer_ = std::move(observer); }

    // Writes {"ms":..,"event":name, fields...}. String values must be UTF-8.
    void Event(std::string_view name, std::initializer_list<Field> fields = {});

    // Hands a note to the observer only; the trace file never holds it. A note tells a watcher
    // (the explorer) of something a player does not see, such as a sound the story names that
    // cannot be played.
    void Note(std::string_view name, std::initializer_list<Field> fields = {});

    // Writes a `jump` event for label, unless a jump to the same label was written less than
    // kJumpQuietMs earlier with no other event between: an endless loop of jumps writes one line
    // per label per kJumpQuietMs instead of flooding the file.
    void Jump(const std::string& label);
    static constexpr int64_t kJumpQuietMs = 100;

    static std::string Escape(std::string_view utf8);

  private:
    // How a line is held back: not at all, to the byte budget, or also as a repeat.
    enum class Limit { kNone, kBudget, kRepeats };
    // Writes a line (without its time) through the limiter; mutex_ is held.
    void WriteLimited(const std::string& line, int64_t nowMs, Limit limit);
    // Writes one finished line; mutex_ is held.
    void Write(std::string line);

    Clock& clock_;
    std::mutex mutex_;
    std::unique_ptr<QuietOutput> file_;
    RepeatLimiter limiter_;
    bool capture_ = false;
    Observer observer_;
    std::vector<std::string> captured_;
    // When each label's last `jump` line was written, since the last event of another kind.
    std::unordered_map<std::string, int64_t> lastJumpMs_;
};

}  // namespace textreel
