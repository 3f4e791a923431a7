// Output that never holds the engine up: bytes go to a descriptor only as far as it takes them at
// once, the rest waits in memory up to a bound, and what comes beyond it is dropped. A pipe whose
// reader has stopped (a pager left open, a stopped terminal job) so costs lines, never the story,
// and a termination signal still ends the run at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace textreel {

class QuietOutput {
  public:
    // fd stays the caller's (it is not closed here).
    QuietOutput(int fd, size_t maxHeld) : fd_(fd), maxHeld_(maxHeld) {}
    ~QuietOutput();
    QuietOutput(const QuietOutput&) = delete;
    QuietOutput& operator=(const QuietOutput&) = delete;
    // Creates (or empties, unless append) the file at path and writes to it; nullptr when it cannot
    // be written.
    // A FIFO there is opened without waiting for a reader.
    static std::unique_ptr<QuietOutput> CreateFile(const std::string& path, size_t maxHeld,
                                                   bool append = false);

    // Any thread. Writes what the descriptor takes now and holds the rest; false when bytes had
    // to be dropped (more than maxHeld waiting, or the reader has gone for good).
    bool Write(std::string_view bytes);
    // Waits at most ms for the held bytes to go out (at the end of the run).
    void Drain(int ms);
    int64_t DroppedWrites() const;

  private:
    // Writes held_ as far as the descriptor takes it; mutex_ is held. ms is how long to wait for room.
    void Push(int ms);

    mutable std::mutex mutex_;
    int fd_;
    bool owned_ = false;
    size_t maxHeld_;
    std::string held_;
    bool gone_ = false;
    int64_t dropped_ = 0;
};

// The escapes that make control characters visible: C0 controls and DEL as \xNN, C1 controls
// (U+0080 to U+009F) as \u00NN, and bytes that are not UTF-8 as \xNN, so that a title's text can
// neither set a terminal's title nor write its clipboard.
std::string VisibleControls(std::string_view text);
// The same text without any control character (the text stream's lines); bytes that are not
// UTF-8 are dropped too.
std::string WithoutControls(std::string_view text);

}  // namespace textreel
