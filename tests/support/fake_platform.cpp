#include "support/fake_platform.h"

namespace textreel::testing {

bool FakeClock::SleepUntil(int64_t deadlineMs, uint64_t token) {
    if (shutDown_ || token != generation_) {
        return false;
    }
    std::lock_guard lock(mutex_);
    int64_t now = now_;
    sleeps_.push_back(deadlineMs - now);
    if (deadlineMs > now) {
        now_ = deadlineMs;
    }
    return true;
}

std::vector<int64_t> FakeClock::Sleeps() {
    std::lock_guard lock(mutex_);
    return sleeps_;
}

void FakePlatform::BlitToWindow(const PixelView& source, int sx, int sy, int w, int h, int dx, int dy) {
    {
        std::lock_guard lock(mutex_);
        copies_.push_back({sx, sy, w, h, dx, dy, false});
    }
    HeadlessPlatform::BlitToWindow(source, sx, sy, w, h, dx, dy);
}

void FakePlatform::StretchToWindow(const PixelView& source, int dx, int dy, int dw, int dh) {
    {
        std::lock_guard lock(mutex_);
        copies_.push_back({0, 0, dw, dh, dx, dy, true});
    }
    HeadlessPlatform::StretchToWindow(source, dx, dy, dw, dh);
}

MessageBoxAnswer FakePlatform::ShowMessageBox(const std::string& text, const std::string&, MessageBoxKind) {
    std::lock_guard lock(mutex_);
    messages_.push_back(text);
    return answer_;
}

bool FakePlatform::WaitEvent(InputEvent& event, int64_t) {
    return Events().TryPop(event);
}

std::vector<WindowCopy> FakePlatform::Copies() {
    std::lock_guard lock(mutex_);
    return copies_;
}

void FakePlatform::ClearCopies() {
    std::lock_guard lock(mutex_);
    copies_.clear();
}

std::vector<std::string> FakePlatform::Messages() {
    std::lock_guard lock(mutex_);
    return messages_;
}

uint32_t FakePlatform::WindowPixel(int x, int y) {
    std::vector<uint8_t> rgb;
    int w = 0;
    int h = 0;
    ReadWindow(rgb, w, h);
    if (x < 0 || y < 0 || x >= w || y >= h) {
        return 0xFFFFFFFFu;
    }
    const uint8_t* p = rgb.data() + (static_cast<size_t>(y) * w + x) * 3;
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16);
}

}  // namespace textreel::testing
