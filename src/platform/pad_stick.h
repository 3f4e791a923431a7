// A gamepad's left stick as the four directions of the D-pad: pushing it past half way presses the
// direction it leans most towards at once, and holding it there presses it again every 150 ms.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <optional>

#include "platform/platform.h"

namespace textreel {

class PadStick {
  public:
    static constexpr int kThreshold = 16384;  // of 32767: half way
    static constexpr int64_t kRepeatMs = 150;

    // The stick's position changed (axes from -32768 to 32767, y grows downwards) at nowMs: the
    // direction pressed now, if a new one is.
    std::optional<PadButton> Move(int x, int y, int64_t nowMs) {
        std::optional<PadButton> lean;
        if (std::abs(x) >= kThreshold || std::abs(y) >= kThreshold) {
            if (std::abs(x) > std::abs(y)) {
                lean = x > 0 ? PadButton::kRight : PadButton::kLeft;
            } else {
                lean = y > 0 ? PadButton::kDown : PadButton::kUp;
            }
        }
        if (lean == held_) {
            return std::nullopt;
        }
        held_ = lean;
        next_ = nowMs + kRepeatMs;
        return lean;
    }
    // The repeat due by nowMs while the stick is held, if one is.
    std::optional<PadButton> Repeat(int64_t nowMs) {
        if (!held_ || nowMs < next_) {
            return std::nullopt;
        }
        // A loop that was held up long does not catch up with a burst of presses.
        next_ = nowMs - next_ < kRepeatMs ? next_ + kRepeatMs : nowMs + kRepeatMs;
        return held_;
    }
    // When the next repeat is due; none while the stick is at rest.
    std::optional<int64_t> NextRepeatMs() const {
        return held_ ? std::optional<int64_t>(next_) : std::nullopt;
    }
    void Release() { held_.reset(); }

  private:
    std::optional<PadButton> held_;
    int64_t next_ = 0;
};

}  // namespace textreel
