// The binding's interface: everything the engine asks of the outside world, in engine terms.
// The engine never includes SDL, FreeType, fontconfig, iconv, FFmpeg or POSIX headers; it talks to
// a Platform (an SDL window or the headless backend) and to the helpers declared next to this file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/picture_scaler.h"

namespace textreel {

class AudioMixer;

// A read-only view of a picture in the engine's pixel format: 24 bits per pixel, bytes blue, green,
// red, rows bottom-up (the first row in memory is the bottom row), each row padded to 4 bytes.
struct PixelView {
    const uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
};

// Key codes follow the Windows virtual-key numbers the scenario engine was made for, whatever the
// backend: letters are their upper-case ASCII codes, digits their ASCII codes.
namespace vk {
constexpr int kBack = 8;
constexpr int kTab = 9;
constexpr int kReturn = 13;
constexpr int kShift = 16;    // either Shift key, on its own
constexpr int kControl = 17;  // either Ctrl key
constexpr int kAlt = 18;      // either Alt key
constexpr int kEscape = 27;
constexpr int kSpace = 32;
constexpr int kPageUp = 33;
constexpr int kPageDown = 34;
constexpr int kEnd = 35;
constexpr int kHome = 36;
constexpr int kLeft = 37;
constexpr int kUp = 38;
constexpr int kRight = 39;
constexpr int kDown = 40;
constexpr int kDelete = 46;
constexpr int kF5 = 116;
constexpr int kF8 = 119;
constexpr int kF9 = 120;
constexpr int kOther = 255;  // any key the engine has no name for
}  // namespace vk

// A gamepad's buttons as the engine sees them, whatever the pad; the left stick arrives as the
// four directions of the D-pad.
enum class PadButton {
    kA,
    kB,
    kX,
    kY,
    kLeftShoulder,   // LB
    kRightShoulder,  // RB
    kStart,
    kBack,
    kUp,
    kDown,
    kLeft,
    kRight,
};

struct InputEvent {
    enum class Kind {
        kMouseMove,
        kButtonUp,
        kWheel,
        kKeyUp,
        kTextInput,
        kCloseRequest,
        kRepaint,       // the window was exposed or restored: draw it again from the engine's screen
        kWake,          // nothing happened; the loop should look at its request queue
        kKeyDown,       // a key press or its repeat; only dialogs act on it
        kButtonDown,    // a mouse button press; only dialogs act on it
        kTextEditing,   // an input method's composition in progress (text, cursor)
        kScriptedText,  // the events file's `text`: replace the name entry's text and press OK
        kPadButton,     // a press on the gamepad in charge (pad), or a step of its left stick
    };
    static constexpr int kLeftButton = 1;
    static constexpr int kRightButton = 2;
    static constexpr int kMiddleButton = 3;

    Kind kind = Kind::kWake;
    int x = 0;  // client pixels for mouse events
    int y = 0;
    int button = 0;
    int wheel = 0;                  // > 0: turned away from the player
    int key = 0;                    // virtual-key code
    std::string text;               // UTF-8, for kTextInput, kTextEditing and kScriptedText
    int cursor = 0;                 // kTextEditing: the composition's cursor, in characters
    PadButton pad = PadButton::kA;  // kPadButton
    bool alt = false;               // key events: an Alt key was held
    bool shift = false;
};

// A picture drawn above the window framebuffer when it is shown (dialogs, the popup menu), in game
// pixels. Pixels are 0xAARRGGBB, rows top-down; alpha 0 lets the game picture through.
struct OverlayImage {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    // Optionally the same picture painted at the output's own resolution, placed in output pixels
    // (see DisplayInfo::picture): a backend that scales the game picture up shows this one instead
    // of scaling the game-pixel one, so that text stays sharp. Screenshots use the game-pixel one.
    int sharpX = 0;
    int sharpY = 0;
    int sharpWidth = 0;
    int sharpHeight = 0;
    std::vector<uint32_t> sharpPixels;
};

// Where the game picture lies in the window's output (window or full-screen) pixels.
struct Viewport {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The window as the player sees it.
struct DisplayInfo {
    bool fullscreen = false;
    int scale = 1;        // the windowed integer scale
    int outputWidth = 0;  // the window's (or the display's, in full screen) pixels
    int outputHeight = 0;
    Viewport picture;  // the game picture inside them; the rest is black
};

enum class MessageBoxKind { kWarning, kOkCancel };
enum class MessageBoxAnswer { kOk, kCancel };

class Platform {
  public:
    virtual ~Platform() = default;

    virtual bool Headless() const = 0;

    // The window (main thread). The client area is width x height; the title is UTF-8.
    virtual bool OpenWindow(const std::string& title, int width, int height) = 0;
    virtual void CloseWindow() = 0;
    // Full screen is a borderless window over the desktop with the picture scaled to fit.
    virtual void SetFullscreen(bool fullscreen) = 0;
    // The windowed integer scale (1..8), or 0 for the largest that fits the desktop; given before
    // OpenWindow. Event coordinates and screenshots stay in game pixels whatever the scale.
    virtual void SetWindowScale(int) {}
    // Brings the window in front of the desktop's others, where the desktop lets a program do so.
    virtual void RaiseWindow() {}
    // How the picture is scaled to a window or display that is not a whole multiple of it.
    virtual void SetScaling(Scaling) {}
    virtual DisplayInfo Display() { return {}; }
    // Overlay layers (main thread): drawn above the framebuffer in the order of their numbers; an
    // image without pixels removes its layer. Screenshots show them as the player does.
    virtual void SetOverlay(int, OverlayImage) {}
    // Text input through the keyboard's input method, on or off; area (game pixels) is where the
    // text is typed, so that the method's candidate list opens beside it.
    virtual void SetTextInput(bool, const Viewport&) {}
    // The pointer in client pixels; false when unknown.
    virtual bool CursorPosition(int& x, int& y) = 0;
    // Moves the pointer (scripted input moves it as a player's hand would).
    virtual void SetCursorPosition(int x, int y) = 0;

    // The window framebuffer: a width x height picture owned by the platform. Copies may come
    // from any thread; the main thread shows the picture when it changed.
    virtual void BlitToWindow(const PixelView& source, int sx, int sy, int w, int h, int dx, int dy) = 0;
    // Scales the whole source into the destination rectangle of the window (nearest pixel).
    virtual void StretchToWindow(const PixelView& source, int dx, int dy, int dw, int dh) = 0;
    // A copy of the framebuffer, rows top-down, bytes red, green, blue.
    virtual void ReadWindow(std::vector<uint8_t>& rgb, int& width, int& height) = 0;
    // Main thread: shows the framebuffer when it changed since the last call.
    virtual void PresentIfChanged() = 0;

    // Events. WaitEvent runs on the main thread and returns false when the deadline (clock
    // milliseconds) passed first; PostEvent may be called from any thread and wakes it.
    virtual bool WaitEvent(InputEvent& event, int64_t deadlineMs) = 0;
    virtual void PostEvent(InputEvent event) = 0;

    // A modal message box on the main thread; text and caption are UTF-8.
    virtual MessageBoxAnswer ShowMessageBox(const std::string& text, const std::string& caption,
                                            MessageBoxKind kind) = 0;
    // From any thread: closes the message box that is open (or opening) as if dismissed, so that
    // a close asked from outside (a termination signal) is not held up by a box nobody answers.
    virtual void DismissMessageBox() {}

    virtual Clock& GetClock() = 0;
    virtual AudioMixer& Mixer() = 0;

    // Hands an address to the desktop's default handler, never through a shell.
    virtual bool OpenUrl(const std::string& address) = 0;

    // Puts UTF-8 text on the desktop's clipboard (main thread).
    virtual void SetClipboardText(const std::string&) {}
};

// Makes the SDL backend (a real window and audio device) or the headless one.
std::unique_ptr<Platform> MakeSdlPlatform();
std::unique_ptr<Platform> MakeHeadlessPlatform(bool virtualTime = false);

}  // namespace textreel
