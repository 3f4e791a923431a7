// The Backlog: the last 5000 message lines shown, 80 bytes each, for the backlog viewer and the
// save title.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>

namespace textreel {

class Backlog {
  public:
    static constexpr int kSlots = 5000;
    static constexpr int kSlotSize = 80;

    void Clear() {
        std::lock_guard lock(mutex_);
        slots_.fill(0);
        next_ = 0;
    }

    // Stores the line's first 80 bytes in slot BacklogNext (slot 0 after the last one) and moves
    // BacklogNext past it.
    void Add(const char* line, int length) {
        std::lock_guard lock(mutex_);
        int slot = next_ > kSlots - 1 ? 0 : next_;
        uint8_t* p = slots_.data() + static_cast<size_t>(slot) * kSlotSize;
        std::memset(p, 0, kSlotSize);
        std::memcpy(p, line, static_cast<size_t>(length < kSlotSize ? (length < 0 ? 0 : length) : kSlotSize));
        next_ = slot + 1;
    }

    // Takes BacklogNext back to an earlier value, so that the lines after it count as not shown
    // (they are overwritten as lines are shown again).
    void Rewind(int next) {
        std::lock_guard lock(mutex_);
        if (next >= 0 && next <= kSlots) {
            next_ = next;
        }
    }

    // BacklogNext: the slot after the newest line, 0 before the first.
    int Next() {
        std::lock_guard lock(mutex_);
        return next_;
    }

    // The text of a slot up to its first zero byte, never more than 80 bytes.
    std::string Slot(int index) {
        std::lock_guard lock(mutex_);
        if (index < 0 || index >= kSlots) {
            return {};
        }
        const char* p = reinterpret_cast<const char*>(slots_.data() + static_cast<size_t>(index) * kSlotSize);
        size_t n = 0;
        while (n < kSlotSize && p[n] != '\0') {
            ++n;
        }
        return std::string(p, n);
    }

  private:
    std::mutex mutex_;
    std::array<uint8_t, static_cast<size_t>(kSlots) * kSlotSize> slots_{};
    int next_ = 0;
};

}  // namespace textreel
