#include "script/scenario.h"

#include <cstring>

#include "platform/files.h"
#include "script/byte_text.h"

namespace textreel {

bool Scenario::Load() {
    auto name = files::FindFirstWithExtension("txt");
    if (!name) {
        return false;
    }
    std::vector<uint8_t> bytes;
    // ScriptSize is a 32-bit count and every offset is one; a larger file cannot be played.
    if (!files::ReadAll(*name, bytes, 0xFFFFFFF0ull)) {
        return false;
    }
    LoadBytes(bytes);
    loadedFrom_ = *name;
    return true;
}

bool Scenario::Reload() {
    if (loadedFrom_.empty()) {
        return true;
    }
    std::vector<uint8_t> bytes;
    if (!files::ReadAll(loadedFrom_, bytes, 0xFFFFFFF0ull)) {
        return false;
    }
    std::string name = loadedFrom_;
    LoadBytes(bytes);
    loadedFrom_ = name;
    return true;
}

void Scenario::LoadBytes(const std::vector<uint8_t>& bytes) {
    loadedFrom_.clear();
    size_ = static_cast<uint32_t>(bytes.size());
    text_.assign(static_cast<size_t>(size_) + 2, 0);
    if (size_ > 0) {
        std::memcpy(text_.data(), bytes.data(), size_);
    }
    text_[size_] = kEndMark;
}

void Scenario::ResetMarks() {
    std::lock_guard lock(marksMutex_);
    marks_.assign(size_, 0);
}

bool Scenario::MarkAt(uint32_t p) {
    std::lock_guard lock(marksMutex_);
    return p < marks_.size() && marks_[p] != 0;
}

std::vector<uint8_t> Scenario::CopyMarks() {
    std::lock_guard lock(marksMutex_);
    return marks_;
}

void Scenario::SetMarks(const uint8_t* data, size_t count) {
    std::lock_guard lock(marksMutex_);
    if (count > marks_.size()) {
        count = marks_.size();
    }
    std::memcpy(marks_.data(), data, count);
}

int Scenario::ReadLine(char (&buffer)[kLineBufferSize], bool& end) {
    std::memset(buffer, 0, sizeof(buffer));
    uint32_t p = ReadPos;
    int n = 0;
    std::lock_guard lock(marksMutex_);
    for (;;) {
        uint8_t b = ByteAt(p);
        if (b == '\r' || ByteAt(p + 1) == '\n' || b == kEndMark) {
            break;
        }
        if (n < kLineMax) {
            buffer[n++] = static_cast<char>(b);
        }
        Mark(p);
        ++p;
    }
    ReadPos = p;
    end = ByteAt(p) == kEndMark;
    if (end) {
        ReadPos = p - 2;
    }
    return n;
}

void Scenario::AdvanceLine() {
    std::lock_guard lock(marksMutex_);
    Mark(ReadPos);
    ++ReadPos;
    Mark(ReadPos);
    ++ReadPos;
}

uint32_t Scenario::SkipToLineEnd(uint32_t p) const {
    for (;;) {
        uint8_t b = ByteAt(p);
        if (b == '\r' || ByteAt(p + 1) == '\n' || b == kEndMark) {
            return p;
        }
        ++p;
    }
}

int64_t Scenario::FindPattern(std::string_view pattern) const {
    if (pattern.size() > static_cast<size_t>(kLabelPatternMax)) {
        pattern = pattern.substr(0, kLabelPatternMax);
    }
    return FindBytes(text_.data(), size_, pattern);
}

bool Scenario::SeekLabel(std::string_view pattern) {
    int64_t at = FindPattern(pattern);
    if (at < 0 || at > static_cast<int64_t>(size_)) {
        return false;
    }
    uint32_t p = SkipToLineEnd(static_cast<uint32_t>(at));
    if (ByteAt(p) == kEndMark) {
        return false;
    }
    ReadPos = p;
    return true;
}

}  // namespace textreel
