#include "platform/headless/headless_platform.h"

#include <vector>

namespace textreel {

HeadlessPlatform::HeadlessPlatform() {
    audio_ = std::thread([this] { AudioThread(); });
}

HeadlessPlatform::~HeadlessPlatform() {
    stopAudio_ = true;
    mixer_.StopWaiting();
    if (audio_.joinable()) {
        audio_.join();
    }
}

// Without a device the mixer is still drained in real time, so sounds start, play and end
// exactly as they would with speakers. While nothing plays the thread sleeps until a sound or a
// stream buffer arrives.
void HeadlessPlatform::AudioThread() {
    constexpr int kPeriodMs = 20;
    constexpr int kFrames = AudioMixer::kRate * kPeriodMs / 1000;
    std::vector<int16_t> buffer(static_cast<size_t>(kFrames) * AudioMixer::kChannels);
    SteadyClock local;
    while (mixer_.WaitUntilActive()) {
        int64_t next = local.NowMs();
        do {
            mixer_.Mix(buffer.data(), kFrames);
            next += kPeriodMs;
            local.SleepUntil(next);
        } while (!stopAudio_ && mixer_.Active());
    }
}

bool HeadlessPlatform::OpenWindow(const std::string& title, int width, int height) {
    title_ = title;
    framebuffer_.Resize(width, height);
    return true;
}

bool HeadlessPlatform::CursorPosition(int& x, int& y) {
    x = cursorX_;
    y = cursorY_;
    return true;
}

void HeadlessPlatform::BlitToWindow(const PixelView& source, int sx, int sy, int w, int h, int dx, int dy) {
    framebuffer_.Blit(source, sx, sy, w, h, dx, dy);
}

void HeadlessPlatform::StretchToWindow(const PixelView& source, int dx, int dy, int dw, int dh) {
    framebuffer_.Stretch(source, dx, dy, dw, dh);
}

void HeadlessPlatform::ReadWindow(std::vector<uint8_t>& rgb, int& width, int& height) {
    framebuffer_.ReadRgb(rgb, width, height);
}

void HeadlessPlatform::PresentIfChanged() {
    framebuffer_.TakeIfChanged([](const uint8_t*, int) {});
}

bool HeadlessPlatform::WaitEvent(InputEvent& event, int64_t deadlineMs) {
    return events_.Wait(event, deadlineMs);
}

void HeadlessPlatform::PostEvent(InputEvent event) {
    if (event.kind == InputEvent::Kind::kMouseMove || event.kind == InputEvent::Kind::kButtonUp) {
        cursorX_ = event.x;
        cursorY_ = event.y;
    }
    events_.Push(std::move(event));
}

MessageBoxAnswer HeadlessPlatform::ShowMessageBox(const std::string&, const std::string&, MessageBoxKind) {
    return MessageBoxAnswer::kOk;
}

bool HeadlessPlatform::OpenUrl(const std::string&) {
    return true;
}

std::unique_ptr<Platform> MakeHeadlessPlatform() {
    return std::make_unique<HeadlessPlatform>();
}

}  // namespace textreel
