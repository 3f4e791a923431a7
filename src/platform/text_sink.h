// A line sink for the text stream: a file the lines are appended to, standard output, or a FIFO
// that a dictionary or reader program listens on. Writing never blocks the game on a FIFO: it is
// opened without waiting for a reader, lines are dropped while none is there, and it is opened
// again when one appears. Standard output never holds the game up either: a reader that stopped
// reading costs lines, not the story. Control characters a title's text holds are left out.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/quiet_output.h"

namespace textreel {

class TextSink {
  public:
    TextSink() = default;
    ~TextSink();
    TextSink(const TextSink&) = delete;
    TextSink& operator=(const TextSink&) = delete;

    // "-" is standard output; a FIFO is opened as above; anything else is created when missing and
    // appended to. False, with the reason in error, when the path cannot be written (a folder, a
    // file without write permission, a folder that does not exist).
    bool Open(const std::string& path, std::string& error);
    bool IsOpen() const { return kind_ != Kind::kNone; }

    // Writes text and a line end. Any thread; lines from two threads do not interleave.
    void WriteLine(std::string_view text);

  private:
    enum class Kind { kNone, kFile, kStdout, kFifo };
    bool OpenFifo();

    std::mutex mutex_;
    Kind kind_ = Kind::kNone;
    int fd_ = -1;
    std::string path_;
    std::unique_ptr<QuietOutput> stdout_;
};

}  // namespace textreel
