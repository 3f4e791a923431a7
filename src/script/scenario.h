// The scenario text in memory, the read position and the read marks, with the byte-level rules by
// which the interpreter cuts it into lines and finds labels.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace textreel {

// The line buffer: at most 1023 bytes of content and always a zero byte after them.
constexpr int kLineBufferSize = 1024;
constexpr int kLineMax = kLineBufferSize - 1;
// A label pattern is ":" and at most 63 bytes of name.
constexpr int kLabelPatternMax = 64;
// The end-of-scenario mark.
constexpr uint8_t kEndMark = 3;

// The largest scenario the engine reads. Real ones are a few megabytes; a larger file is refused
// at start, so that a hostile one cannot fill memory.
constexpr uint64_t kMaxScenarioBytes = uint64_t{64} << 20;

class Scenario {
  public:
    enum class LoadResult {
        kLoaded,
        kMissing,   // no "*.txt", or it cannot be read
        kRefused,   // a link out of the folder, a FIFO or a device: *refusal says which
        kTooLarge,  // over kMaxScenarioBytes
    };
    // Finds the first "*.txt" in the current directory and loads it (LoadScenario). The text is read
    // straight into its place, so loading costs the file's size once.
    LoadResult Load(files::Refusal* refusal = nullptr);
    // The name of the file the text came from; empty for text given directly.
    const std::string& FileName() const { return loadedFrom_; }
    // Loads the scenario file again for a return to the title (an author may have changed it); the
    // read marks stay as they are. When the file cannot be read, or the text did not come from a
    // file, the text in memory is kept.
    bool Reload();
    // Takes the given bytes as the scenario (what Load does after reading the file).
    void LoadBytes(const std::vector<uint8_t>& bytes);
    bool Loaded() const { return !text_.empty(); }

    uint32_t Size() const { return size_; }
    // The byte at offset p; the end mark at Size() and beyond, so that no walk runs off the text.
    uint8_t ByteAt(uint32_t p) const { return p < size_ ? text_[p] : kEndMark; }
    const uint8_t* Bytes() const { return text_.data(); }

    // The read marks, one per scenario byte (kept as one bit each). Made (all zero) by ResetMarks
    // after the first load and kept as they are when the scenario is loaded again.
    void ResetMarks();
    bool MarkAt(uint32_t p);
    // Copies count marks from offset from out as bytes of 0 or 1 (0 past Size()), or in from bytes
    // (a byte other than 0 sets the mark, 0 clears it; those past Size() are passed over).
    void CopyMarks(uint32_t from, uint8_t* out, size_t count);
    // Every mark as a byte of 0 or 1, Size() bytes.
    std::vector<uint8_t> CopyMarks() {
        std::vector<uint8_t> out(size_);
        CopyMarks(0, out.data(), out.size());
        return out;
    }
    void SetMarks(uint32_t from, const uint8_t* data, size_t count);
    void SetMarks(const uint8_t* data, size_t count) { SetMarks(0, data, count); }

    // ReadLine: copies the next line from ReadPos into buffer (zero-filled first), marking the
    // bytes it passes, and leaves ReadPos on the line's end. Returns the length; end is set when the
    // end mark was reached. A line longer than 1023 bytes is cut; its rest is passed over.
    int ReadLine(char (&buffer)[kLineBufferSize], bool& end);

    // AdvanceLine: marks and steps over the two bytes of the line end.
    void AdvanceLine();

    // SeekLabel: finds the first occurrence of pattern anywhere in the text and puts ReadPos on
    // the end of the line holding it. Fails when there is none or the line runs into the end mark.
    bool SeekLabel(std::string_view pattern);

    // The offset of the first occurrence of pattern, or -1.
    int64_t FindPattern(std::string_view pattern) const;

    // Sets ReadPos so that the line starting at offset start is the next line read, given that the
    // interpreter still performs AdvanceLine for the line it is in.
    void SeekToLineStart(uint32_t start) { ReadPos = start - 2; }

    // Walks from p with the line-end rules of ReadLine without copying or marking.
    uint32_t SkipToLineEnd(uint32_t p) const;

    // The interpreter's read position. Moved by the script thread, and by the window side only
    // while the script thread is suspended (the suspension orders the two); atomic, since the
    // explorer reads it from the window side whenever it looks at the game.
    std::atomic<uint32_t> ReadPos{0};

  private:
    void Mark(uint32_t p) {
        if (p < size_ && p / 64 < marks_.size()) {
            marks_[p / 64] |= uint64_t{1} << (p % 64);
        }
    }
    bool Marked(uint32_t p) const {
        return p < size_ && p / 64 < marks_.size() && (marks_[p / 64] >> (p % 64) & 1) != 0;
    }
    // Takes bytes (the file, with room for two more) as the text.
    void TakeText(std::vector<uint8_t> bytes);

    std::string loadedFrom_;     // the file the text came from, empty for text given directly
    std::vector<uint8_t> text_;  // Size() bytes, the end mark, and a zero guard byte
    uint32_t size_ = 0;
    std::mutex marksMutex_;        // the settings writer reads the marks from either thread
    std::vector<uint64_t> marks_;  // bit p % 64 of word p / 64 for byte p
};

}  // namespace textreel
