// A platform for unit tests: a headless window whose copies are recorded, and a clock whose sleeps
// pass at once (time jumps to the deadline), so that paced drawing runs at full speed.
#pragma once

#include <atomic>
#include <mutex>
#include <vector>

#include "platform/headless/headless_platform.h"

namespace textreel::testing {

class FakeClock : public Clock {
  public:
    int64_t NowMs() override { return now_; }
    uint64_t WakeToken() override { return generation_; }
    using Clock::SleepUntil;
    bool SleepUntil(int64_t deadlineMs, uint64_t token) override;
    void WakeSleepers() override { ++generation_; }
    void Shutdown() override { shutDown_ = true; }
    bool IsShutDown() override { return shutDown_; }

    void Advance(int64_t ms) { now_ += ms; }
    // Every sleep's length, in the order they were asked for.
    std::vector<int64_t> Sleeps();

  private:
    std::atomic<int64_t> now_{0};
    std::atomic<uint64_t> generation_{0};
    std::atomic<bool> shutDown_{false};
    std::mutex mutex_;
    std::vector<int64_t> sleeps_;
};

// One copy into the window.
struct WindowCopy {
    int sx, sy, w, h, dx, dy;
    bool stretch;
    bool operator==(const WindowCopy&) const = default;
};

class FakePlatform : public HeadlessPlatform {
  public:
    Clock& GetClock() override { return clock_; }

    void BlitToWindow(const PixelView& source, int sx, int sy, int w, int h, int dx, int dy) override;
    void StretchToWindow(const PixelView& source, int dx, int dy, int dw, int dh) override;
    MessageBoxAnswer ShowMessageBox(const std::string& text, const std::string& caption,
                                    MessageBoxKind kind) override;
    // Deadlines are fake time: an event already posted is taken, otherwise the wait ends at once.
    bool WaitEvent(InputEvent& event, int64_t deadlineMs) override;

    FakeClock& FakeTime() { return clock_; }
    std::vector<WindowCopy> Copies();
    void ClearCopies();
    // Message boxes shown (UTF-8 text), and the answer the next ones give.
    std::vector<std::string> Messages();
    void SetAnswer(MessageBoxAnswer answer) { answer_ = answer; }

    // The window's pixel at (x, y) as 0x00BBGGRR.
    uint32_t WindowPixel(int x, int y);

  private:
    FakeClock clock_;
    std::mutex mutex_;
    std::vector<WindowCopy> copies_;
    std::vector<std::string> messages_;
    std::atomic<MessageBoxAnswer> answer_{MessageBoxAnswer::kOk};
};

}  // namespace textreel::testing
