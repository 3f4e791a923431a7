#include "platform/headless/headless_platform.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/display_geometry.h"
#include "platform/error_log.h"
#include "platform/files.h"

namespace textreel {

HeadlessPlatform::HeadlessPlatform(bool virtualTime)
    : clock_(virtualTime ? std::unique_ptr<Clock>(std::make_unique<VirtualClock>())
                         : std::unique_ptr<Clock>(std::make_unique<SteadyClock>())) {
    if (const char* display = std::getenv("TEXTREEL_HEADLESS_DISPLAY")) {
        int w = 0;
        int h = 0;
        char rest = 0;
        if (std::sscanf(display, "%dx%d%c", &w, &h, &rest) == 2 && w > 0 && h > 0 && w <= 65536 &&
            h <= 65536) {
            SetDisplaySize(w, h);
        } else {
            ErrorPrintf("textreel: TEXTREEL_HEADLESS_DISPLAY should be WIDTHxHEIGHT, not %s\n", display);
        }
    }
}

void HeadlessPlatform::SetDisplaySize(int width, int height) {
    std::lock_guard lock(displayMutex_);
    displayWidth_ = width;
    displayHeight_ = height;
}

void HeadlessPlatform::SetFullscreen(bool fullscreen) {
    std::lock_guard lock(displayMutex_);
    fullscreen_ = fullscreen;
}

DisplayInfo HeadlessPlatform::Display() {
    std::lock_guard lock(displayMutex_);
    return ComputeDisplay(gameWidth_, gameHeight_, scale_, fullscreen_, displayWidth_, displayHeight_);
}

void HeadlessPlatform::PostWindowEvent(InputEvent event) {
    if (event.kind == InputEvent::Kind::kMouseMove || event.kind == InputEvent::Kind::kButtonUp ||
        event.kind == InputEvent::Kind::kButtonDown) {
        std::lock_guard lock(displayMutex_);
        DisplayInfo d =
            ComputeDisplay(gameWidth_, gameHeight_, scale_, fullscreen_, displayWidth_, displayHeight_);
        OutputToGame(d.picture, gameWidth_, gameHeight_, event.x, event.y, event.x, event.y);
    }
    PostEvent(std::move(event));
}

HeadlessPlatform::~HeadlessPlatform() {
    // Virtual time ends with the platform: the audio drain's sleep on it returns.
    if (clock_->Virtual()) {
        clock_->Shutdown();
    }
}

bool HeadlessPlatform::OpenWindow(const std::string& title, int width, int height) {
    title_ = title;
    framebuffer_.Resize(width, height);
    std::lock_guard lock(displayMutex_);
    gameWidth_ = width;
    gameHeight_ = height;
    if (requestedScale_ > 0) {
        scale_ = std::clamp(requestedScale_, 1, kMaxWindowScale);
    } else if (displayWidth_ > 0) {
        scale_ = AutomaticScale(width, height, displayWidth_, displayHeight_);
    } else {
        scale_ = 1;
    }
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
    framebuffer_.TakeIfChanged([](const uint8_t*, int, const WindowFramebuffer::Area&) {});
}

bool HeadlessPlatform::WaitEvent(InputEvent& event, int64_t deadlineMs) {
    return events_.Wait(event, deadlineMs);
}

void HeadlessPlatform::PostEvent(InputEvent event) {
    if (event.kind == InputEvent::Kind::kMouseMove || event.kind == InputEvent::Kind::kButtonUp ||
        event.kind == InputEvent::Kind::kButtonDown) {
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

void HeadlessPlatform::SetClipboardText(const std::string& utf8) {
    std::lock_guard lock(clipboardMutex_);
    clipboard_ = utf8;
    if (const char* path = std::getenv("TEXTREEL_HEADLESS_CLIPBOARD")) {
        if (!files::WriteAtomically(path, utf8.data(), utf8.size())) {
            ErrorPrintf("textreel: cannot write the clipboard file %s\n", path);
        }
    }
}

std::string HeadlessPlatform::ClipboardText() {
    std::lock_guard lock(clipboardMutex_);
    return clipboard_;
}

std::unique_ptr<Platform> MakeHeadlessPlatform(bool virtualTime) {
    return std::make_unique<HeadlessPlatform>(virtualTime);
}

}  // namespace textreel
