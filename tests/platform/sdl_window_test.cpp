// The real SDL backend in a window under a private Xvfb server: gamepads (SDL's virtual joysticks
// as the pads), message boxes and the window's own repaint of overlays. Skipped where Xvfb cannot
// be started.
#include <SDL.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

extern char** environ;

namespace textreel {
namespace {

// A private X server on a free display, which it picks and reports itself (-displayfd).
class PrivateXServer {
  public:
    PrivateXServer() {
        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        std::string fd = std::to_string(fds[1]);
        const char* argv[] = {"Xvfb",       "-displayfd", fd.c_str(), "-screen", "0",
                              "320x240x24", "-nolisten",  "tcp",      nullptr};
        if (posix_spawnp(&pid_, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        // The server writes its display number once it accepts clients.
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        while (pid_ > 0 && poll(&p, 1, 10000) == 1) {
            char c = 0;
            if (read(fds[0], &c, 1) != 1 || c == '\n') {
                break;
            }
            number += c;
        }
        close(fds[0]);
        if (!number.empty()) {
            display_ = ":" + number;
        }
    }
    ~PrivateXServer() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& Display() const { return display_; }

  private:
    pid_t pid_ = -1;
    std::string display_;
};

// The next pad event within a few seconds; none when another kind of event or nothing came.
std::optional<PadButton> NextPad(Platform& platform) {
    const int64_t deadline = platform.GetClock().NowMs() + 5000;
    InputEvent event;
    while (platform.WaitEvent(event, deadline)) {
        if (event.kind == InputEvent::Kind::kPadButton) {
            return event.pad;
        }
    }
    return std::nullopt;
}

SDL_Joystick* AttachPad() {
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                                SDL_CONTROLLER_BUTTON_MAX, 0);
    return index < 0 ? nullptr : SDL_JoystickOpen(index);
}

// Runs the platform's event loop until it has opened the pad as a game controller.
bool Opened(Platform& platform, SDL_Joystick* pad) {
    const int64_t deadline = platform.GetClock().NowMs() + 5000;
    InputEvent event;
    while (SDL_GameControllerFromInstanceID(SDL_JoystickInstanceID(pad)) == nullptr) {
        if (platform.GetClock().NowMs() >= deadline) {
            return false;
        }
        platform.WaitEvent(event, platform.GetClock().NowMs() + 20);
    }
    return true;
}

// A press that the next pump of events sees; the release comes with the next press of the pad.
void Press(SDL_Joystick* pad, SDL_GameControllerButton button) {
    for (int b = 0; b < SDL_CONTROLLER_BUTTON_MAX; ++b) {
        SDL_JoystickSetVirtualButton(pad, b, 0);
    }
    SDL_JoystickUpdate();
    SDL_JoystickSetVirtualButton(pad, button, 1);
}

// Points SDL at the private server; false (and the reason in skip) when the test cannot run here.
bool UseXServer(const PrivateXServer& x, std::string& skip) {
#if defined(__SANITIZE_THREAD__)
    // libX11, which SDL drives here, is not built for the thread checker: it reports its own
    // display lock destroyed while held and then hangs in it.
    skip = "SDL over X11 under ThreadSanitizer";
    return false;
#endif
    if (x.Display().empty()) {
        skip = "no Xvfb";
        return false;
    }
    setenv("DISPLAY", x.Display().c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    return true;
}

// The child processes the given thread started, from /proc.
std::string ChildrenOf(long tid) {
    std::ifstream file("/proc/self/task/" + std::to_string(tid) + "/children");
    std::string children;
    std::getline(file, children);
    return children;
}

// A box nobody answers, on the window, is closed by a dismissal from another thread (as a
// termination signal asks) and answers Cancel; its process is gone, and later boxes do not open.
TEST(SdlMessageBox, ADismissalFromAnotherThreadClosesTheOpenBoxAsCancel) {
    PrivateXServer x;
    std::string skip;
    if (!UseXServer(x, skip)) {
        GTEST_SKIP() << skip;
    }
    std::unique_ptr<Platform> platform = MakeSdlPlatform();
    ASSERT_TRUE(platform->OpenWindow("boxes", 64, 64));
    const long self = syscall(SYS_gettid);
    const std::string before = ChildrenOf(self);  // the X server
    std::future<bool> dismissal = std::async(std::launch::async, [&] {
        // The box is open once its process exists; then it is dismissed.
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (ChildrenOf(self) == before && std::chrono::steady_clock::now() < limit) {
            std::this_thread::yield();
        }
        const bool opened = ChildrenOf(self) != before;
        platform->DismissMessageBox();
        return opened;
    });
    EXPECT_EQ(platform->ShowMessageBox("nobody answers", "box", MessageBoxKind::kOkCancel),
              MessageBoxAnswer::kCancel);
    EXPECT_TRUE(dismissal.get()) << "the box never had a process of its own";
    EXPECT_EQ(ChildrenOf(self), before);
    EXPECT_EQ(platform->ShowMessageBox("later", "box", MessageBoxKind::kOkCancel), MessageBoxAnswer::kCancel);
    EXPECT_EQ(ChildrenOf(self), before);
}

// The pixels of the window's own surface (what SDL has put on the screen), found by its title.
std::vector<uint8_t> WindowPixels(const char* title) {
    for (Uint32 id = 1; id < 256; ++id) {
        SDL_Window* window = SDL_GetWindowFromID(id);
        if (window != nullptr && std::string(SDL_GetWindowTitle(window)) == title) {
            SDL_Surface* surface = SDL_GetWindowSurface(window);
            if (surface == nullptr) {
                return {};
            }
            const auto* pixels = static_cast<const uint8_t*>(surface->pixels);
            return std::vector<uint8_t>(pixels, pixels + static_cast<size_t>(surface->pitch) * surface->h);
        }
    }
    return {};
}

// A notice (F5, F9, Shift+C) is an overlay over an unchanged picture: setting it and taking it away
// each reach the window at the next present, with nothing else repainting.
TEST(SdlWindow, AnOverlayIsDrawnAndRemovedWithoutAnythingElseRepainting) {
    PrivateXServer x;
    std::string skip;
    if (!UseXServer(x, skip)) {
        GTEST_SKIP() << skip;
    }
    {
        std::unique_ptr<Platform> platform = MakeSdlPlatform();
        ASSERT_TRUE(platform->OpenWindow("notices", 64, 48));
        std::vector<uint8_t> picture(size_t{64} * 48 * 3, 0x40);
        platform->BlitToWindow(PixelView{picture.data(), 64, 48, 64 * 3}, 0, 0, 64, 48, 0, 0);
        platform->PresentIfChanged();
        const std::vector<uint8_t> plain = WindowPixels("notices");
        ASSERT_FALSE(plain.empty()) << SDL_GetError();

        OverlayImage notice;
        notice.x = 8;
        notice.y = 8;
        notice.width = 20;
        notice.height = 10;
        notice.pixels.assign(size_t{20} * 10, 0xFFFFE080u);
        platform->SetOverlay(90, notice);
        platform->PresentIfChanged();
        EXPECT_TRUE(WindowPixels("notices") != plain) << "the notice was not drawn";

        platform->SetOverlay(90, OverlayImage{});
        platform->PresentIfChanged();
        EXPECT_TRUE(WindowPixels("notices") == plain) << "the notice was not taken away";
    }
    unsetenv("DISPLAY");
    unsetenv("SDL_VIDEODRIVER");
    unsetenv("SDL_AUDIODRIVER");
}

TEST(SdlPad, TheFirstPadToSendInputIsInChargeAndTheStickRepeats) {
    PrivateXServer x;
    std::string skip;
    if (!UseXServer(x, skip)) {
        GTEST_SKIP() << skip;
    }
    // The window of a bare X server never has the focus; pads are heard all the same.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    {
        std::unique_ptr<Platform> platform = MakeSdlPlatform();
        ASSERT_TRUE(platform->OpenWindow("pads", 64, 64));
        SDL_Joystick* first = AttachPad();
        SDL_Joystick* second = AttachPad();
        ASSERT_NE(first, nullptr) << SDL_GetError();
        ASSERT_NE(second, nullptr) << SDL_GetError();
        ASSERT_TRUE(Opened(*platform, first));
        ASSERT_TRUE(Opened(*platform, second));

        Press(first, SDL_CONTROLLER_BUTTON_A);
        EXPECT_EQ(NextPad(*platform), PadButton::kA);
        // The second pad is not heard while the first is in charge: the next event is the first's.
        Press(second, SDL_CONTROLLER_BUTTON_B);
        Press(first, SDL_CONTROLLER_BUTTON_DPAD_DOWN);
        EXPECT_EQ(NextPad(*platform), PadButton::kDown);

        // The stick pushed right presses right at once and again while it is held.
        SDL_JoystickSetVirtualAxis(first, SDL_CONTROLLER_AXIS_LEFTX, 32767);
        const int64_t pushed = platform->GetClock().NowMs();
        EXPECT_EQ(NextPad(*platform), PadButton::kRight);
        EXPECT_EQ(NextPad(*platform), PadButton::kRight);
        EXPECT_GE(platform->GetClock().NowMs() - pushed, 150);
        SDL_JoystickSetVirtualAxis(first, SDL_CONTROLLER_AXIS_LEFTX, 0);
        Press(first, SDL_CONTROLLER_BUTTON_START);
        EXPECT_EQ(NextPad(*platform), PadButton::kStart);

        // Unplugged, the first hands over to the next pad that sends input.
        const SDL_JoystickID firstId = SDL_JoystickInstanceID(first);
        SDL_JoystickClose(first);
        for (int i = 0; i < SDL_NumJoysticks(); ++i) {
            if (SDL_JoystickGetDeviceInstanceID(i) == firstId) {
                SDL_JoystickDetachVirtual(i);
            }
        }
        Press(second, SDL_CONTROLLER_BUTTON_Y);
        EXPECT_EQ(NextPad(*platform), PadButton::kY);
        SDL_JoystickClose(second);
    }
    unsetenv("DISPLAY");
    unsetenv("SDL_VIDEODRIVER");
    unsetenv("SDL_AUDIODRIVER");
}

}  // namespace
}  // namespace textreel
