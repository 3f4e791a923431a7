// Overlays: windows the engine draws itself above the game picture (the dialogs, the popup menu),
// with its own font, without touching the engine's surfaces. Each open overlay window is one layer
// of the platform's framebuffer; the topmost window takes all input while it is open.
#pragma once

#include "shell/title_settings.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "text/glyph_source.h"

namespace textreel {

class Engine;

// A picture to paint an overlay window into: 0xAARRGGBB pixels, rows top-down, transparent at
// first. Colours given to its operations are 0x00RRGGBB and are drawn opaque.
class OverlayCanvas {
  public:
    OverlayCanvas(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }
    uint32_t At(int x, int y) const;

    void Fill(int x, int y, int w, int h, uint32_t rgb);
    // A one-pixel outline.
    void Outline(int x, int y, int w, int h, uint32_t rgb);
    // Raised (buttons, the window) or sunken (edit fields, static boxes) edges, two pixels wide.
    void Bevel(int x, int y, int w, int h, bool sunken);

    // Draws text with the top of its cell at y; returns the pen's advance. The engine's own texts
    // are UTF-8; a title's text (a name) is drawn in the title's encoding. Characters the font
    // cannot draw are skipped; a character cut off at the very end is dropped. With latin (a
    // translation's proportional Latin face), half-width characters come from it at its own
    // advances, on the baseline of glyphs.
    int Text(GlyphSource* glyphs, int size, int x, int y, const std::string& text, uint32_t rgb,
             TextEncoding encoding = TextEncoding::kUtf8, GlyphSource* latin = nullptr);
    static int TextWidth(GlyphSource* glyphs, int size, const std::string& text,
                         TextEncoding encoding = TextEncoding::kUtf8, GlyphSource* latin = nullptr);

    OverlayImage TakeImage(int x, int y);

  private:
    void Blend(int x, int y, uint32_t rgb, int level);

    int width_;
    int height_;
    std::vector<uint32_t> pixels_;
};

// The classic dialog colours.
namespace overlay_colour {
constexpr uint32_t kFace = 0xD4D0C8;
constexpr uint32_t kLight = 0xFFFFFF;
constexpr uint32_t kShadow = 0x808080;
constexpr uint32_t kDarkShadow = 0x404040;
constexpr uint32_t kText = 0x000000;
constexpr uint32_t kCaption = 0x0A246A;
constexpr uint32_t kCaptionText = 0xFFFFFF;
constexpr uint32_t kWindow = 0xFFFFFF;
constexpr uint32_t kHighlight = 0x0A246A;
constexpr uint32_t kHighlightText = 0xFFFFFF;
}  // namespace overlay_colour

// A window drawn as an overlay. Positions are game pixels; input arrives in game pixels too.
class OverlayWindow {
  public:
    virtual ~OverlayWindow() = default;
    // Where the window stands on the game picture.
    virtual Viewport Bounds() const = 0;
    virtual void Paint(OverlayCanvas& canvas) = 0;
    // Paints the window again at scale output pixels per game pixel into a canvas of its bounds
    // in output pixels, for a window shown larger than the game's pixels. False: the window has
    // no such painting, and the game-pixel one is scaled.
    virtual bool PaintSharp(OverlayCanvas&, double) { return false; }
    // Input while the window is the topmost one (main thread).
    virtual void Input(Engine& engine, const InputEvent& event) = 0;
    virtual bool Done() const = 0;
    // Whether (and where, in game pixels) the window takes typed text through the input method.
    virtual bool WantsTextInput(Viewport&) const { return false; }
};

// The open overlay windows, bottom to top (main thread, except the count).
class OverlayStack {
  public:
    // The platform layers the windows use: kFirstLayer + their place in the stack.
    static constexpr int kFirstLayer = 100;

    void Push(Engine& engine, OverlayWindow* window);
    // Takes the window off (wherever it is) and removes its layer.
    void Remove(Engine& engine, OverlayWindow* window);
    OverlayWindow* Top() const { return windows_.empty() ? nullptr : windows_.back(); }
    // The number of open windows; any thread may ask.
    int Count() const { return count_; }

    // Gives an input event to the topmost window and paints it again; a window that is done is
    // taken off at once. Returns false when no window is open.
    bool Route(Engine& engine, const InputEvent& event);
    // Paints every open window into its layer and updates the text input.
    void Repaint(Engine& engine);

  private:
    std::vector<OverlayWindow*> windows_;
    std::atomic<int> count_{0};
    uint32_t swallowKeyUp_ = 0;  // a key whose press a window took: its release stays there
};

}  // namespace textreel
