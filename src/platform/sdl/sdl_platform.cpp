#include "platform/sdl/sdl_platform.h"

#include "platform/display_geometry.h"
#include "platform/error_log.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <thread>

namespace textreel {

namespace {

std::string ExecutableOf(const std::string& pid) {
    char path[4096];
    ssize_t n = readlink(("/proc/" + pid + "/exe").c_str(), path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}

// Ends the child processes thread tid forked that still run this program (not started another):
// SDL runs a message box in such a child, and its parent waits for it. The movie helper, the
// other kind of child, runs a program of its own and is left alone. Returns how many it ended.
int EndForkedChildren(int tid) {
    std::ifstream children("/proc/self/task/" + std::to_string(tid) + "/children");
    const std::string self = ExecutableOf("self");
    int ended = 0;
    std::string pid;
    while (children >> pid) {
        if (!self.empty() && ExecutableOf(pid) == self && kill(std::stoi(pid), SIGTERM) == 0) {
            ++ended;
        }
    }
    return ended;
}

int VirtualKey(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) {
        return 'A' + (key - SDLK_a);
    }
    if (key >= SDLK_0 && key <= SDLK_9) {
        return '0' + (key - SDLK_0);
    }
    switch (key) {
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return vk::kReturn;
        case SDLK_ESCAPE:
            return vk::kEscape;
        case SDLK_SPACE:
            return vk::kSpace;
        case SDLK_PAGEUP:
            return vk::kPageUp;
        case SDLK_PAGEDOWN:
            return vk::kPageDown;
        case SDLK_BACKSPACE:
            return vk::kBack;
        case SDLK_TAB:
            return vk::kTab;
        case SDLK_END:
            return vk::kEnd;
        case SDLK_HOME:
            return vk::kHome;
        case SDLK_LEFT:
            return vk::kLeft;
        case SDLK_UP:
            return vk::kUp;
        case SDLK_RIGHT:
            return vk::kRight;
        case SDLK_DOWN:
            return vk::kDown;
        case SDLK_DELETE:
            return vk::kDelete;
        case SDLK_F5:
            return vk::kF5;
        case SDLK_F8:
            return vk::kF8;
        case SDLK_F9:
            return vk::kF9;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT:
            return vk::kShift;
        case SDLK_LCTRL:
        case SDLK_RCTRL:
            return vk::kControl;
        case SDLK_LALT:
        case SDLK_RALT:
            return vk::kAlt;
        default:
            return vk::kOther;
    }
}

std::optional<PadButton> PadButtonOf(Uint8 button) {
    switch (button) {
        case SDL_CONTROLLER_BUTTON_A:
            return PadButton::kA;
        case SDL_CONTROLLER_BUTTON_B:
            return PadButton::kB;
        case SDL_CONTROLLER_BUTTON_X:
            return PadButton::kX;
        case SDL_CONTROLLER_BUTTON_Y:
            return PadButton::kY;
        case SDL_CONTROLLER_BUTTON_LEFTSHOULDER:
            return PadButton::kLeftShoulder;
        case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
            return PadButton::kRightShoulder;
        case SDL_CONTROLLER_BUTTON_START:
            return PadButton::kStart;
        case SDL_CONTROLLER_BUTTON_BACK:
            return PadButton::kBack;
        case SDL_CONTROLLER_BUTTON_DPAD_UP:
            return PadButton::kUp;
        case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
            return PadButton::kDown;
        case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
            return PadButton::kLeft;
        case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
            return PadButton::kRight;
        default:
            return std::nullopt;
    }
}

SDL_JoystickID PadId(SDL_GameController* pad) {
    return SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad));
}

// While it lives, standard error goes nowhere: the sound libraries SDL tries (ALSA first) write
// several lines of their own when there is no sound device, where one line of ours says enough.
class LibraryMessagesHidden {
  public:
    LibraryMessagesHidden() {
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        saved_ = null >= 0 ? fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3) : -1;
        if (saved_ >= 0 && dup2(null, STDERR_FILENO) < 0) {
            close(saved_);
            saved_ = -1;
        }
        if (null >= 0) {
            close(null);
        }
    }
    ~LibraryMessagesHidden() {
        if (saved_ >= 0) {
            dup2(saved_, STDERR_FILENO);
            close(saved_);
        }
    }
    LibraryMessagesHidden(const LibraryMessagesHidden&) = delete;
    LibraryMessagesHidden& operator=(const LibraryMessagesHidden&) = delete;

  private:
    int saved_ = -1;
};

}  // namespace

SdlPlatform::SdlPlatform() {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // The window surface stays in plain memory: SDL would otherwise back it with a GPU renderer,
    // which loads the GL driver (and with a software GL, LLVM) for a picture that needs none.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0) {
        videoReady_ = true;
        wakeEvent_ = SDL_RegisterEvents(1);
        // Without gamepads the game plays with the mouse and keys as before.
        if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
            ErrorPrintf("textreel: no gamepads: %s\n", SDL_GetError());
        }
    } else {
        ErrorPrintf("textreel: cannot open the display: %s\n", SDL_GetError());
    }
    std::optional<LibraryMessagesHidden> hidden(std::in_place);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        SDL_AudioSpec want{};
        want.freq = AudioMixer::kRate;
        want.format = AUDIO_S16SYS;
        want.channels = AudioMixer::kChannels;
        want.samples = 1024;
        want.callback = &SdlPlatform::AudioCallback;
        want.userdata = this;
        audioDevice_ = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
        if (audioDevice_ != 0) {
            // What the callback mixes is heard after the buffer that plays now.
            mixer_.SetDeviceLatency(want.samples);
            SDL_PauseAudioDevice(audioDevice_, 0);
        }
    }
    hidden.reset();
    if (audioDevice_ == 0) {
        ErrorLine("textreel: no audio device, playing silently");
        drain_ = std::make_unique<AudioDrain>(mixer_, clock_);
    }
}

SdlPlatform::~SdlPlatform() {
    if (audioDevice_ != 0) {
        SDL_CloseAudioDevice(audioDevice_);
    }
    drain_.reset();
    for (SDL_GameController* pad : pads_) {
        SDL_GameControllerClose(pad);
    }
    CloseWindow();
    SDL_Quit();
}

void SdlPlatform::AudioCallback(void* self, Uint8* stream, int length) {
    auto* platform = static_cast<SdlPlatform*>(self);
    int frames = length / static_cast<int>(sizeof(int16_t) * AudioMixer::kChannels);
    platform->mixer_.Mix(reinterpret_cast<int16_t*>(stream), frames);
}

bool SdlPlatform::OpenWindow(const std::string& title, int width, int height) {
    if (!videoReady_ || width <= 0 || height <= 0) {
        return false;
    }
    width_ = width;
    height_ = height;
    framebuffer_.Resize(width, height);
    if (requestedScale_ > 0) {
        scale_ = std::clamp(requestedScale_, 1, kMaxWindowScale);
    } else {
        SDL_Rect usable;
        // The usable area less room for the window's caption.
        constexpr int kCaptionAllowance = 40;
        scale_ = SDL_GetDisplayUsableBounds(0, &usable) == 0
                     ? AutomaticScale(width, height, usable.w, usable.h - kCaptionAllowance)
                     : 1;
    }
    window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width * scale_,
                               height * scale_, SDL_WINDOW_SHOWN);
    if (window_ == nullptr) {
        ErrorPrintf("textreel: cannot open the window: %s\n", SDL_GetError());
        return false;
    }
    // Text input runs only while a dialog asks for it.
    SDL_StopTextInput();
    Present(true);
    return true;
}

void SdlPlatform::CloseWindow() {
    if (picture_ != nullptr) {
        SDL_FreeSurface(picture_);
        picture_ = nullptr;
    }
    if (window_ != nullptr) {
        SDL_DestroyWindow(window_);
        window_ = nullptr;
    }
}

void SdlPlatform::SetFullscreen(bool fullscreen) {
    if (window_ == nullptr || fullscreen == fullscreen_) {
        fullscreen_ = fullscreen;
        return;
    }
    fullscreen_ = fullscreen;
    // A borderless window over the whole display; the display's mode is never changed. The window
    // is placed by hand rather than through the window manager's full-screen state, so that it
    // also covers the display where no window manager runs.
    if (fullscreen) {
        SDL_Rect bounds;
        int display = SDL_GetWindowDisplayIndex(window_);
        if (SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds) != 0) {
            bounds = {0, 0, width_, height_};
        }
        SDL_SetWindowBordered(window_, SDL_FALSE);
        SDL_SetWindowPosition(window_, bounds.x, bounds.y);
        SDL_SetWindowSize(window_, bounds.w, bounds.h);
        SDL_RaiseWindow(window_);
    } else {
        SDL_SetWindowBordered(window_, SDL_TRUE);
        SDL_SetWindowSize(window_, width_ * scale_, height_ * scale_);
        SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
    framebuffer_.MarkChanged();
    Present(true);
}

DisplayInfo SdlPlatform::Display() {
    int w = width_ * scale_;
    int h = height_ * scale_;
    if (window_ != nullptr) {
        SDL_GetWindowSize(window_, &w, &h);
    }
    DisplayInfo d = ComputeDisplay(width_, height_, scale_, false, 0, 0);
    d.fullscreen = fullscreen_;
    d.outputWidth = w;
    d.outputHeight = h;
    d.picture = FitPicture(width_, height_, w, h);
    return d;
}

void SdlPlatform::ToGame(int x, int y, int& gx, int& gy) {
    OutputToGame(viewport_, width_, height_, x, y, gx, gy);
}

void SdlPlatform::SetOverlay(int layer, OverlayImage image) {
    framebuffer_.SetOverlay(layer, std::move(image));
    Wake();
}

void SdlPlatform::SetTextInput(bool on, const Viewport& area) {
    if (on) {
        Viewport out = GameToOutput(viewport_, width_, height_, area);
        SDL_Rect rect{out.x, out.y, out.width, out.height};
        SDL_SetTextInputRect(&rect);
        if (!textInput_) {
            SDL_StartTextInput();
        }
    } else if (textInput_) {
        SDL_StopTextInput();
    }
    textInput_ = on;
}

bool SdlPlatform::CursorPosition(int& x, int& y) {
    x = cursorX_;
    y = cursorY_;
    return window_ != nullptr;
}

void SdlPlatform::SetCursorPosition(int x, int y) {
    cursorX_ = x;
    cursorY_ = y;
}

void SdlPlatform::Wake() {
    if (wakeEvent_ != 0) {
        SDL_Event wake{};
        wake.type = wakeEvent_;
        SDL_PushEvent(&wake);
    }
}

void SdlPlatform::BlitToWindow(const PixelView& source, int sx, int sy, int w, int h, int dx, int dy) {
    if (framebuffer_.Blit(source, sx, sy, w, h, dx, dy)) {
        Wake();
    }
}

void SdlPlatform::StretchToWindow(const PixelView& source, int dx, int dy, int dw, int dh) {
    if (framebuffer_.Stretch(source, dx, dy, dw, dh)) {
        Wake();
    }
}

void SdlPlatform::ReadWindow(std::vector<uint8_t>& rgb, int& width, int& height) {
    framebuffer_.ReadRgb(rgb, width, height);
}

void SdlPlatform::Present(bool force) {
    if (window_ == nullptr) {
        return;
    }
    if (force) {
        framebuffer_.MarkChanged();
    }
    SDL_Surface* screen = nullptr;
    bool direct = false;
    WindowFramebuffer::Area area;
    framebuffer_.TakeIfChanged([&](const uint8_t* pixels, int pitch, const WindowFramebuffer::Area& changed) {
        area = changed;
        if (area.width <= 0) {
            return;  // taken with the change before
        }
        screen = SDL_GetWindowSurface(window_);
        if (screen == nullptr) {
            return;
        }
        viewport_ = FitPicture(width_, height_, screen->w, screen->h);
        direct = viewport_.width == width_ && viewport_.height == height_ && screen->w == width_ &&
                 screen->h == height_;
        // Scaled (a larger window or full screen): the picture in the window's format is made
        // the first time it is needed and kept; a new one takes the whole picture.
        if (!direct && picture_ == nullptr) {
            // In the window's own format when it has four bytes a pixel, so that the scaler writes
            // straight into the window.
            const Uint32 format =
                screen->format->BytesPerPixel == 4 ? screen->format->format : Uint32{SDL_PIXELFORMAT_RGB888};
            picture_ = SDL_CreateRGBSurfaceWithFormat(0, width_, height_, 32, format);
            if (picture_ == nullptr) {
                ErrorPrintf("textreel: cannot make the window picture: %s\n", SDL_GetError());
                screen = nullptr;
                return;
            }
            area = WindowFramebuffer::Area{0, 0, width_, height_};
        }
        // Only the changed area is converted: a blinking wait icon costs its own pixels, not the
        // whole picture's.
        const uint8_t* from = pixels + static_cast<size_t>(area.y) * pitch + static_cast<size_t>(area.x) * 3;
        if (direct) {
            // The window is the picture's size: the picture goes straight into the window's own
            // surface, with no copy of the window's size kept in between.
            const bool locked = SDL_MUSTLOCK(screen) && SDL_LockSurface(screen) == 0;
            SDL_ConvertPixels(
                area.width, area.height, SDL_PIXELFORMAT_BGR24, from, pitch, screen->format->format,
                static_cast<uint8_t*>(screen->pixels) + static_cast<size_t>(area.y) * screen->pitch +
                    static_cast<size_t>(area.x) * screen->format->BytesPerPixel,
                screen->pitch);
            if (locked) {
                SDL_UnlockSurface(screen);
            }
            return;
        }
        SDL_ConvertPixels(area.width, area.height, SDL_PIXELFORMAT_BGR24, from, pitch,
                          picture_->format->format,
                          static_cast<uint8_t*>(picture_->pixels) +
                              static_cast<size_t>(area.y) * picture_->pitch + static_cast<size_t>(area.x) * 4,
                          picture_->pitch);
    });
    if (screen == nullptr || area.width <= 0) {
        return;
    }
    if (!direct) {
        SDL_Rect target{viewport_.x, viewport_.y, viewport_.width, viewport_.height};
        if (viewport_.width != screen->w || viewport_.height != screen->h) {
            SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 0, 0));
        }
        if (picture_->format->format == screen->format->format) {
            const bool locked = SDL_MUSTLOCK(screen) && SDL_LockSurface(screen) == 0;
            ScalePicture(
                scaling_, static_cast<const uint8_t*>(picture_->pixels), width_, height_, picture_->pitch,
                static_cast<uint8_t*>(screen->pixels) + static_cast<size_t>(target.y) * screen->pitch +
                    static_cast<size_t>(target.x) * 4,
                target.w, target.h, screen->pitch);
            if (locked) {
                SDL_UnlockSurface(screen);
            }
        } else {
            SDL_BlitScaled(picture_, nullptr, screen, &target);
        }
        // Overlays painted at the output's resolution go over their scaled-up game-pixel copies.
        framebuffer_.ForEachSharpOverlay([screen](const OverlayImage& image) {
            SDL_Surface* sharp = SDL_CreateRGBSurfaceWithFormatFrom(
                const_cast<uint32_t*>(image.sharpPixels.data()), image.sharpWidth, image.sharpHeight, 32,
                image.sharpWidth * 4, SDL_PIXELFORMAT_ARGB8888);
            if (sharp != nullptr) {
                SDL_SetSurfaceBlendMode(sharp, SDL_BLENDMODE_BLEND);
                SDL_Rect at{image.sharpX, image.sharpY, image.sharpWidth, image.sharpHeight};
                SDL_BlitSurface(sharp, nullptr, screen, &at);
                SDL_FreeSurface(sharp);
            }
        });
    }
    if (direct) {
        const SDL_Rect changed{area.x, area.y, area.width, area.height};
        SDL_UpdateWindowSurfaceRects(window_, &changed, 1);
        return;
    }
    SDL_UpdateWindowSurface(window_);
}

void SdlPlatform::RaiseWindow() {
    if (window_ != nullptr) {
        SDL_RaiseWindow(window_);
    }
}

void SdlPlatform::PresentIfChanged() {
    Present(false);
}

bool SdlPlatform::Translate(const SDL_Event& sdl, InputEvent& event) {
    switch (sdl.type) {
        case SDL_QUIT:
            event.kind = InputEvent::Kind::kCloseRequest;
            return true;
        case SDL_WINDOWEVENT:
            if (sdl.window.event == SDL_WINDOWEVENT_CLOSE) {
                event.kind = InputEvent::Kind::kCloseRequest;
                return true;
            }
            if (sdl.window.event == SDL_WINDOWEVENT_EXPOSED || sdl.window.event == SDL_WINDOWEVENT_RESTORED) {
                // The engine copies its screen into the framebuffer again; the loop then presents it.
                event.kind = InputEvent::Kind::kRepaint;
                return true;
            }
            if (sdl.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                Present(true);
            }
            return false;
        case SDL_MOUSEMOTION:
            event.kind = InputEvent::Kind::kMouseMove;
            ToGame(sdl.motion.x, sdl.motion.y, event.x, event.y);
            cursorX_ = event.x;
            cursorY_ = event.y;
            return true;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            event.kind =
                sdl.type == SDL_MOUSEBUTTONUP ? InputEvent::Kind::kButtonUp : InputEvent::Kind::kButtonDown;
            ToGame(sdl.button.x, sdl.button.y, event.x, event.y);
            if (sdl.button.button == SDL_BUTTON_LEFT) {
                event.button = InputEvent::kLeftButton;
            } else if (sdl.button.button == SDL_BUTTON_RIGHT) {
                event.button = InputEvent::kRightButton;
            } else {
                event.button = InputEvent::kMiddleButton;
            }
            return true;
        case SDL_MOUSEWHEEL: {
            int delta = sdl.wheel.y;
            if (sdl.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) {
                delta = -delta;
            }
            if (delta == 0) {
                return false;
            }
            event.kind = InputEvent::Kind::kWheel;
            event.wheel = delta;
            return true;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            event.kind = sdl.type == SDL_KEYUP ? InputEvent::Kind::kKeyUp : InputEvent::Kind::kKeyDown;
            event.key = VirtualKey(sdl.key.keysym.sym);
            event.alt = (sdl.key.keysym.mod & KMOD_ALT) != 0;
            event.shift = (sdl.key.keysym.mod & KMOD_SHIFT) != 0;
            return true;
        case SDL_TEXTEDITING:
            event.kind = InputEvent::Kind::kTextEditing;
            event.text = sdl.edit.text;
            event.cursor = sdl.edit.start;
            return true;
        case SDL_TEXTINPUT:
            event.kind = InputEvent::Kind::kTextInput;
            event.text = sdl.text.text;
            return true;
        case SDL_CONTROLLERDEVICEADDED:
        case SDL_CONTROLLERDEVICEREMOVED:
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERAXISMOTION:
            return TranslatePad(sdl, event);
        default:
            if (wakeEvent_ != 0 && sdl.type == wakeEvent_) {
                event.kind = InputEvent::Kind::kWake;
                return true;
            }
            return false;
    }
}

bool SdlPlatform::TakesCharge(SDL_JoystickID pad) {
    if (padInCharge_ < 0) {
        for (SDL_GameController* open : pads_) {
            if (PadId(open) == pad) {
                padInCharge_ = pad;
            }
        }
    }
    return padInCharge_ >= 0 && padInCharge_ == pad;
}

bool SdlPlatform::TranslatePad(const SDL_Event& sdl, InputEvent& event) {
    switch (sdl.type) {
        case SDL_CONTROLLERDEVICEADDED:
            // A pad plugged in (or there at start-up); "which" is its device index.
            if (SDL_GameController* pad = SDL_GameControllerOpen(sdl.cdevice.which)) {
                if (std::find(pads_.begin(), pads_.end(), pad) == pads_.end()) {
                    pads_.push_back(pad);
                } else {
                    SDL_GameControllerClose(pad);  // open already: SDL counted a second opening
                }
            }
            return false;
        case SDL_CONTROLLERDEVICEREMOVED:
            // "which" is the instance id here: the pad in charge gone, the next to send input leads.
            for (auto it = pads_.begin(); it != pads_.end(); ++it) {
                if (PadId(*it) == sdl.cdevice.which) {
                    SDL_GameControllerClose(*it);
                    pads_.erase(it);
                    break;
                }
            }
            if (padInCharge_ == sdl.cdevice.which) {
                padInCharge_ = -1;
                stick_.Release();
                stickX_ = 0;
                stickY_ = 0;
            }
            return false;
        case SDL_CONTROLLERBUTTONDOWN: {
            std::optional<PadButton> button = PadButtonOf(sdl.cbutton.button);
            if (!button || !TakesCharge(sdl.cbutton.which)) {
                return false;
            }
            event.kind = InputEvent::Kind::kPadButton;
            event.pad = *button;
            return true;
        }
        case SDL_CONTROLLERAXISMOTION: {
            const Uint8 axis = sdl.caxis.axis;
            if (axis != SDL_CONTROLLER_AXIS_LEFTX && axis != SDL_CONTROLLER_AXIS_LEFTY) {
                return false;
            }
            // A stick at rest (or drifting) does not take charge.
            if (padInCharge_ != sdl.caxis.which &&
                (std::abs(static_cast<int>(sdl.caxis.value)) < PadStick::kThreshold ||
                 !TakesCharge(sdl.caxis.which))) {
                return false;
            }
            (axis == SDL_CONTROLLER_AXIS_LEFTX ? stickX_ : stickY_) = sdl.caxis.value;
            std::optional<PadButton> direction = stick_.Move(stickX_, stickY_, clock_.NowMs());
            if (!direction) {
                return false;
            }
            event.kind = InputEvent::Kind::kPadButton;
            event.pad = *direction;
            return true;
        }
        default:
            return false;
    }
}

bool SdlPlatform::WaitEvent(InputEvent& event, int64_t deadlineMs) {
    for (;;) {
        {
            std::lock_guard lock(injectedMutex_);
            if (!injected_.empty()) {
                event = std::move(injected_.front());
                injected_.pop_front();
                return true;
            }
        }
        Present(false);
        if (std::optional<PadButton> repeat = stick_.Repeat(clock_.NowMs())) {
            event = InputEvent{};
            event.kind = InputEvent::Kind::kPadButton;
            event.pad = *repeat;
            return true;
        }
        int64_t wakeAt = deadlineMs;
        if (std::optional<int64_t> next = stick_.NextRepeatMs()) {
            wakeAt = std::min(wakeAt, *next);
        }
        int64_t remaining = wakeAt - clock_.NowMs();
        SDL_Event sdl;
        if (remaining <= 0) {
            // The deadline has passed: take what is already queued, but do not wait.
            if (SDL_PollEvent(&sdl) == 0) {
                if (wakeAt < deadlineMs) {
                    continue;  // the stick's repeat is due, not the caller's deadline
                }
                return false;
            }
        } else if (SDL_WaitEventTimeout(&sdl, static_cast<int>(std::min<int64_t>(remaining, 1000))) == 0) {
            continue;
        }
        InputEvent translated;
        if (Translate(sdl, translated)) {
            if (translated.kind == InputEvent::Kind::kWake) {
                continue;  // a framebuffer change or an injected event; loop to look at both
            }
            event = std::move(translated);
            return true;
        }
    }
}

void SdlPlatform::PostEvent(InputEvent event) {
    if (event.kind == InputEvent::Kind::kMouseMove || event.kind == InputEvent::Kind::kButtonUp ||
        event.kind == InputEvent::Kind::kButtonDown) {
        cursorX_ = event.x;
        cursorY_ = event.y;
    }
    {
        std::lock_guard lock(injectedMutex_);
        injected_.push_back(std::move(event));
    }
    if (wakeEvent_ != 0) {
        SDL_Event wake{};
        wake.type = wakeEvent_;
        SDL_PushEvent(&wake);
    }
}

MessageBoxAnswer SdlPlatform::ShowMessageBox(const std::string& text, const std::string& caption,
                                             MessageBoxKind kind) {
    SDL_MessageBoxButtonData buttons[2] = {};
    int count = 1;
    buttons[0].flags = SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
    buttons[0].buttonid = 1;
    buttons[0].text = "OK";
    if (kind == MessageBoxKind::kOkCancel) {
        buttons[1].flags = SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
        buttons[1].buttonid = 0;
        buttons[1].text = "Cancel";
        count = 2;
    } else {
        buttons[0].flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    }
    SDL_MessageBoxData data{};
    data.flags = kind == MessageBoxKind::kWarning ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_INFORMATION;
    data.window = window_;
    data.title = caption.c_str();
    data.message = text.c_str();
    data.numbuttons = count;
    data.buttons = buttons;
    int pressed = -1;
    boxThread_ = static_cast<int>(syscall(SYS_gettid));
    const bool shown = !boxDismissed_ && SDL_ShowMessageBox(&data, &pressed) == 0;
    boxThread_ = 0;
    if (boxDismissed_) {
        return MessageBoxAnswer::kCancel;
    }
    if (!shown) {
        ErrorPrintf("%s: %s\n", caption.c_str(), text.c_str());
        return MessageBoxAnswer::kOk;
    }
    if (kind == MessageBoxKind::kWarning) {
        return MessageBoxAnswer::kOk;
    }
    return pressed == 1 ? MessageBoxAnswer::kOk : MessageBoxAnswer::kCancel;
}

// Once asked, every later box is dismissed too: the engine is closing. The box that is opening may
// not have its process yet, so this looks again for a while (5 s at most) until the box is gone.
void SdlPlatform::DismissMessageBox() {
    boxDismissed_ = true;
    for (int i = 0; i < 500; ++i) {
        const int tid = boxThread_;
        if (tid == 0 || EndForkedChildren(tid) > 0) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool SdlPlatform::OpenUrl(const std::string& address) {
    return SDL_OpenURL(address.c_str()) == 0;
}

void SdlPlatform::SetClipboardText(const std::string& utf8) {
    if (videoReady_ && SDL_SetClipboardText(utf8.c_str()) != 0) {
        ErrorPrintf("textreel: the clipboard does not take the line: %s\n", SDL_GetError());
    }
}

std::unique_ptr<Platform> MakeSdlPlatform() {
    return std::make_unique<SdlPlatform>();
}

}  // namespace textreel
