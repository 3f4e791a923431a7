#include "script/scenario.h"

#include <cstring>

#include "platform/files.h"
#include "script/byte_text.h"

namespace textreel {

Scenario::LoadResult Scenario::Load(files::Refusal* refusal) {
    files::Refusal refused;
    auto name = files::FindFirstWithExtension("txt", &refused);
    if (!name) {
        if (refusal != nullptr) {
            *refusal = refused;
        }
        return refused.reason.empty() ? LoadResult::kMissing : LoadResult::kRefused;
    }
    uint64_t size = 0;
    if (files::RegularFileSize(*name, size) && size > kMaxScenarioBytes) {
        return LoadResult::kTooLarge;
    }
    std::vector<uint8_t> bytes;
    if (!files::ReadAll(*name, bytes, kMaxScenarioBytes, 2)) {
        return LoadResult::kMissing;
    }
    TakeText(std::move(bytes));
    loadedFrom_ = *name;
    return LoadResult::kLoaded;
}

bool Scenario::Reload() {
    if (loadedFrom_.empty()) {
        return true;
    }
    std::vector<uint8_t> bytes;
    if (!files::ReadAll(loadedFrom_, bytes, kMaxScenarioBytes, 2)) {
        return false;
    }
    std::string name = loadedFrom_;
    TakeText(std::move(bytes));
    loadedFrom_ = name;
    return true;
}

void Scenario::LoadBytes(const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> copy;
    copy.reserve(bytes.size() + 2);
    copy.assign(bytes.begin(), bytes.end());
    TakeText(std::move(copy));
}

void Scenario::TakeText(std::vector<uint8_t> bytes) {
    loadedFrom_.clear();
    size_ = static_cast<uint32_t>(bytes.size());
    text_ = std::move(bytes);
    text_.push_back(kEndMark);
    text_.push_back(0);
}

void Scenario::ResetMarks() {
    std::lock_guard lock(marksMutex_);
    marks_.assign((static_cast<size_t>(size_) + 63) / 64, 0);
}

bool Scenario::MarkAt(uint32_t p) {
    std::lock_guard lock(marksMutex_);
    return Marked(p);
}

void Scenario::CopyMarks(uint32_t from, uint8_t* out, size_t count) {
    std::lock_guard lock(marksMutex_);
    for (size_t i = 0; i < count; ++i) {
        const uint64_t p = uint64_t{from} + i;
        out[i] = p <= UINT32_MAX && Marked(static_cast<uint32_t>(p)) ? 1 : 0;
    }
}

void Scenario::SetMarks(uint32_t from, const uint8_t* data, size_t count) {
    std::lock_guard lock(marksMutex_);
    for (size_t i = 0; i < count; ++i) {
        const uint64_t p = uint64_t{from} + i;
        if (p >= size_) {
            break;
        }
        if (data[i] != 0) {
            Mark(static_cast<uint32_t>(p));
        } else if (p / 64 < marks_.size()) {
            marks_[p / 64] &= ~(uint64_t{1} << (p % 64));
        }
    }
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
