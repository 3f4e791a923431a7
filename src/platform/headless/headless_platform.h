// The backend for --headless: no window and no audio device. The picture exists only in the
// framebuffer; input arrives through PostEvent (the events script); time runs as usual, or in
// virtual time (--fast).
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/audio_drain.h"
#include "platform/audio_mixer.h"
#include "platform/event_queue.h"
#include "platform/platform.h"
#include "platform/window_framebuffer.h"

namespace textreel {

class HeadlessPlatform : public Platform {
  public:
    // virtualTime: the clock jumps to the next deadline instead of sleeping (--fast).
    explicit HeadlessPlatform(bool virtualTime = false);
    ~HeadlessPlatform() override;

    bool Headless() const override { return true; }
    bool OpenWindow(const std::string& title, int width, int height) override;
    void CloseWindow() override {}
    void SetFullscreen(bool fullscreen) override;
    void SetWindowScale(int scale) override { requestedScale_ = scale; }
    DisplayInfo Display() override;
    void SetOverlay(int layer, OverlayImage image) override {
        framebuffer_.SetOverlay(layer, std::move(image));
    }
    bool CursorPosition(int& x, int& y) override;
    void SetCursorPosition(int x, int y) override {
        cursorX_ = x;
        cursorY_ = y;
    }

    void BlitToWindow(const PixelView& source, int sx, int sy, int w, int h, int dx, int dy) override;
    void StretchToWindow(const PixelView& source, int dx, int dy, int dw, int dh) override;
    void ReadWindow(std::vector<uint8_t>& rgb, int& width, int& height) override;
    void PresentIfChanged() override;

    bool WaitEvent(InputEvent& event, int64_t deadlineMs) override;
    void PostEvent(InputEvent event) override;

    MessageBoxAnswer ShowMessageBox(const std::string& text, const std::string& caption,
                                    MessageBoxKind kind) override;

    Clock& GetClock() override { return *clock_; }
    AudioMixer& Mixer() override { return mixer_; }
    bool OpenUrl(const std::string& address) override;

    // The clipboard is kept in memory; with TEXTREEL_HEADLESS_CLIPBOARD=FILE each text put on it
    // is also written to FILE (replacing what it held), so that a test can see what was copied.
    void SetClipboardText(const std::string& utf8) override;
    std::string ClipboardText();

    const std::string& WindowTitle() const { return title_; }

    // The simulated display, from TEXTREEL_HEADLESS_DISPLAY=WxH (0 x 0 when it is not set: the
    // window is then always at scale 1 and full screen covers just the game picture).
    int DisplayWidth() const { return displayWidth_; }
    int DisplayHeight() const { return displayHeight_; }
    void SetDisplaySize(int width, int height);
    // Input as the window would report it, in its output pixels: mapped back to game pixels as the
    // real backend does, then posted.
    void PostWindowEvent(InputEvent event);

  protected:
    EventQueue& Events() { return events_; }

  private:
    std::unique_ptr<Clock> clock_;
    EventQueue events_{*clock_};
    WindowFramebuffer framebuffer_;
    AudioMixer mixer_;
    std::string title_;
    std::mutex clipboardMutex_;
    std::string clipboard_;
    std::mutex displayMutex_;
    int gameWidth_ = 0;
    int gameHeight_ = 0;
    int requestedScale_ = 1;
    int scale_ = 1;
    bool fullscreen_ = false;
    int displayWidth_ = 0;
    int displayHeight_ = 0;
    std::atomic<int> cursorX_{0};
    std::atomic<int> cursorY_{0};
    AudioDrain drain_{mixer_, *clock_};  // no device: the mixer is played into nowhere
};

}  // namespace textreel
