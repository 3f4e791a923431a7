#include "platform/headless/headless_platform.h"

namespace textreel {

HeadlessPlatform::HeadlessPlatform() = default;

HeadlessPlatform::~HeadlessPlatform() = default;

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
