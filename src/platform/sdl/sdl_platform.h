// The real backend: an SDL window, SDL's event queue and audio device. The picture reaches the
// screen through SDL's window surface (no GPU context, so the process stays small); scaled output
// (a larger windowed scale, full screen) is scaled in software into that surface, by default
// sharply (whole factor by repetition, the rest filtered).
#pragma once

#include <SDL.h>

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/audio_drain.h"
#include "platform/audio_mixer.h"
#include "platform/pad_stick.h"
#include "platform/picture_scaler.h"
#include "platform/platform.h"
#include "platform/window_framebuffer.h"

namespace textreel {

class SdlPlatform : public Platform {
  public:
    SdlPlatform();
    ~SdlPlatform() override;

    bool Headless() const override { return false; }
    bool OpenWindow(const std::string& title, int width, int height) override;
    void CloseWindow() override;
    void SetFullscreen(bool fullscreen) override;
    void SetWindowScale(int scale) override { requestedScale_ = scale; }
    void RaiseWindow() override;
    void SetScaling(Scaling scaling) override { scaling_ = scaling; }
    DisplayInfo Display() override;
    void SetOverlay(int layer, OverlayImage image) override;
    void SetTextInput(bool on, const Viewport& area) override;
    bool CursorPosition(int& x, int& y) override;
    void SetCursorPosition(int x, int y) override;

    void BlitToWindow(const PixelView& source, int sx, int sy, int w, int h, int dx, int dy) override;
    void StretchToWindow(const PixelView& source, int dx, int dy, int dw, int dh) override;
    void ReadWindow(std::vector<uint8_t>& rgb, int& width, int& height) override;
    void PresentIfChanged() override;

    bool WaitEvent(InputEvent& event, int64_t deadlineMs) override;
    void PostEvent(InputEvent event) override;

    MessageBoxAnswer ShowMessageBox(const std::string& text, const std::string& caption,
                                    MessageBoxKind kind) override;
    void DismissMessageBox() override;

    Clock& GetClock() override { return clock_; }
    AudioMixer& Mixer() override { return mixer_; }
    bool OpenUrl(const std::string& address) override;
    void SetClipboardText(const std::string& utf8) override;

  private:
    bool Translate(const SDL_Event& sdl, InputEvent& event);
    // Gamepads: hot-plugged through SDL's game-controller interface; the first that sends input is
    // in charge until it is unplugged, and the others are not heard meanwhile.
    bool TranslatePad(const SDL_Event& sdl, InputEvent& event);
    bool TakesCharge(SDL_JoystickID pad);
    void Present(bool force);
    void Wake();
    // A window position in game pixels.
    void ToGame(int x, int y, int& gx, int& gy);
    static void AudioCallback(void* self, Uint8* stream, int length);

    SteadyClock clock_;
    WindowFramebuffer framebuffer_;
    AudioMixer mixer_;
    bool videoReady_ = false;
    SDL_Window* window_ = nullptr;
    SDL_Surface* picture_ = nullptr;  // the framebuffer in the window's format, when it is scaled
    int requestedScale_ = 0;
    int scale_ = 1;
    Scaling scaling_ = Scaling::kSharp;
    bool fullscreen_ = false;
    bool textInput_ = false;
    Viewport viewport_;  // where the picture went at the last present
    SDL_AudioDeviceID audioDevice_ = 0;
    std::unique_ptr<AudioDrain> drain_;  // without a device, sounds still play out in time
    Uint32 wakeEvent_ = 0;
    int width_ = 0;
    int height_ = 0;
    // The box open on the window: the thread showing it (whose child process SDL's box runs in),
    // and whether a dismissal was asked for.
    std::atomic<int> boxThread_{0};
    std::atomic<bool> boxDismissed_{false};
    std::atomic<int> cursorX_{0};
    std::atomic<int> cursorY_{0};
    std::vector<SDL_GameController*> pads_;
    SDL_JoystickID padInCharge_ = -1;
    int stickX_ = 0;
    int stickY_ = 0;
    PadStick stick_;
    std::mutex injectedMutex_;
    std::deque<InputEvent> injected_;
};

}  // namespace textreel
