#include "shell/overlay.h"

#include <algorithm>

#include "platform/display_geometry.h"
#include "platform/encoding.h"
#include "shell/engine.h"
#include "text/line_layout.h"

namespace textreel {

namespace {

// Calls f(face, code, advance) for each character: half-width ones from latin (when given) at its
// own advances and kerning, the others from glyphs.
template <typename F>
void ForEachCharacter(GlyphSource& glyphs, GlyphSource* latin, int size, const std::string& text,
                      TextEncoding encoding, F&& f) {
    std::vector<LineChar> chars;
    SplitLine(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int>(text.size()), encoding, chars);
    for (LineChar& c : chars) {
        c.advance = std::max(glyphs.Advance(size, GlyphCode(c, encoding)), 0);
    }
    if (latin != nullptr) {
        SetLatinAdvances(chars, *latin, size, encoding);
    }
    for (const LineChar& c : chars) {
        f(c.halfWidth && latin != nullptr ? *latin : glyphs, GlyphCode(c, encoding), c.advance);
    }
}

}  // namespace

OverlayCanvas::OverlayCanvas(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0) {}

uint32_t OverlayCanvas::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return 0;
    }
    return pixels_[static_cast<size_t>(y) * width_ + x];
}

void OverlayCanvas::Fill(int x, int y, int w, int h, uint32_t rgb) {
    int x0 = std::max(x, 0);
    int y0 = std::max(y, 0);
    int x1 = std::min(x + w, width_);
    int y1 = std::min(y + h, height_);
    for (int row = y0; row < y1; ++row) {
        std::fill_n(pixels_.begin() + static_cast<ptrdiff_t>(row) * width_ + x0, std::max(x1 - x0, 0),
                    0xFF000000u | (rgb & 0xFFFFFF));
    }
}

void OverlayCanvas::Outline(int x, int y, int w, int h, uint32_t rgb) {
    Fill(x, y, w, 1, rgb);
    Fill(x, y + h - 1, w, 1, rgb);
    Fill(x, y, 1, h, rgb);
    Fill(x + w - 1, y, 1, h, rgb);
}

void OverlayCanvas::Bevel(int x, int y, int w, int h, bool sunken) {
    using namespace overlay_colour;
    uint32_t outerLight = sunken ? kShadow : kLight;
    uint32_t outerDark = sunken ? kLight : kDarkShadow;
    uint32_t innerLight = sunken ? kDarkShadow : kFace;
    uint32_t innerDark = sunken ? kFace : kShadow;
    Fill(x, y, w, 1, outerLight);
    Fill(x, y, 1, h, outerLight);
    Fill(x, y + h - 1, w, 1, outerDark);
    Fill(x + w - 1, y, 1, h, outerDark);
    Fill(x + 1, y + 1, w - 2, 1, innerLight);
    Fill(x + 1, y + 1, 1, h - 2, innerLight);
    Fill(x + 1, y + h - 2, w - 2, 1, innerDark);
    Fill(x + w - 2, y + 1, 1, h - 2, innerDark);
}

void OverlayCanvas::Blend(int x, int y, uint32_t rgb, int level) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || level <= 0) {
        return;
    }
    uint32_t& p = pixels_[static_cast<size_t>(y) * width_ + x];
    uint32_t a = level >= 64 ? 255 : static_cast<uint32_t>(level) * 255u / 64;
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        uint32_t below = (p >> shift) & 0xFF;
        uint32_t ink = (rgb >> shift) & 0xFF;
        out |= ((ink * a + below * (255 - a) + 127) / 255) << shift;
    }
    p = out;
}

int OverlayCanvas::TextWidth(GlyphSource* glyphs, int size, const std::string& text, TextEncoding encoding,
                             GlyphSource* latin) {
    if (glyphs == nullptr) {
        return 0;
    }
    int width = 0;
    ForEachCharacter(*glyphs, latin, size, text, encoding,
                     [&](GlyphSource&, uint32_t, int advance) { width += advance; });
    return width;
}

int OverlayCanvas::Text(GlyphSource* glyphs, int size, int x, int y, const std::string& text, uint32_t rgb,
                        TextEncoding encoding, GlyphSource* latin) {
    if (glyphs == nullptr || size <= 0) {
        return 0;
    }
    const int ascent = glyphs->Ascent(size);
    int pen = x;
    GlyphBitmap glyph;
    ForEachCharacter(
        *glyphs, latin, size, text, encoding, [&](GlyphSource& face, uint32_t code, int advance) {
            if (face.BitmapSize(size, code) > 0 && face.Render(size, code, glyph) &&
                glyph.pitch >= glyph.blackBoxWidth &&
                glyph.levels.size() >=
                    static_cast<size_t>(glyph.pitch) * static_cast<size_t>(glyph.blackBoxHeight)) {
                int left = pen + glyph.originX;
                int top = y + ascent - glyph.originY;
                for (int r = 0; r < glyph.blackBoxHeight; ++r) {
                    const uint8_t* row = glyph.levels.data() + static_cast<size_t>(r) * glyph.pitch;
                    for (int c = 0; c < glyph.blackBoxWidth; ++c) {
                        Blend(left + c, top + r, rgb, row[c]);
                    }
                }
            }
            pen += advance;
        });
    return pen - x;
}

OverlayImage OverlayCanvas::TakeImage(int x, int y) {
    OverlayImage image;
    image.x = x;
    image.y = y;
    image.width = width_;
    image.height = height_;
    image.pixels = std::move(pixels_);
    pixels_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0);
    return image;
}

void OverlayStack::Push(Engine& engine, OverlayWindow* window) {
    windows_.push_back(window);
    // Counted only once its picture is in place: a scripted wait that stops at the window must
    // find it drawn.
    Repaint(engine);
    ++count_;
    engine.NotifyStateChange();
}

void OverlayStack::Remove(Engine& engine, OverlayWindow* window) {
    auto it = std::find(windows_.begin(), windows_.end(), window);
    if (it == windows_.end()) {
        return;
    }
    // The layers above shift down by one: clear the topmost layer, then paint the rest again.
    engine.platform.SetOverlay(kFirstLayer + static_cast<int>(windows_.size()) - 1, OverlayImage{});
    windows_.erase(it);
    --count_;
    Repaint(engine);
    engine.NotifyStateChange();
}

bool OverlayStack::Route(Engine& engine, const InputEvent& event) {
    // The release of a key whose press went to a window stays with it, even when the press
    // closed the window: Enter in a dialog does not also advance the story.
    if (event.kind == InputEvent::Kind::kKeyUp && swallowKeyUp_ == static_cast<uint32_t>(event.key) + 1) {
        swallowKeyUp_ = 0;
        return true;
    }
    OverlayWindow* top = Top();
    if (top == nullptr) {
        return false;
    }
    if (event.kind == InputEvent::Kind::kKeyDown) {
        swallowKeyUp_ = static_cast<uint32_t>(event.key) + 1;
    }
    top->Input(engine, event);
    if (top->Done()) {
        Remove(engine, top);
    } else {
        Repaint(engine);
    }
    return true;
}

void OverlayStack::Repaint(Engine& engine) {
    Viewport typing;
    bool wantsText = false;
    const int gameWidth = engine.instance.windowWidth;
    const int gameHeight = engine.instance.windowHeight;
    DisplayInfo display;
    if (!windows_.empty()) {
        display = engine.platform.Display();
    }
    const bool scaled = display.picture.width > 0 && gameWidth > 0 &&
                        (display.picture.width != gameWidth || display.picture.height != gameHeight);
    for (size_t i = 0; i < windows_.size(); ++i) {
        Viewport b = windows_[i]->Bounds();
        OverlayCanvas canvas(b.width, b.height);
        windows_[i]->Paint(canvas);
        OverlayImage image = canvas.TakeImage(b.x, b.y);
        if (scaled) {
            Viewport out = GameToOutput(display.picture, gameWidth, gameHeight, b);
            OverlayCanvas sharp(out.width, out.height);
            if (windows_[i]->PaintSharp(sharp, static_cast<double>(display.picture.width) / gameWidth)) {
                OverlayImage s = sharp.TakeImage(out.x, out.y);
                image.sharpX = s.x;
                image.sharpY = s.y;
                image.sharpWidth = s.width;
                image.sharpHeight = s.height;
                image.sharpPixels = std::move(s.pixels);
            }
        }
        engine.platform.SetOverlay(kFirstLayer + static_cast<int>(i), std::move(image));
    }
    if (OverlayWindow* top = Top()) {
        wantsText = top->WantsTextInput(typing);
    }
    engine.platform.SetTextInput(wantsText, typing);
}

// Runs the event loop for a modal window until it is done or the program closes: input goes to
// the window, requests of other threads are served, the tick and the repaint go on.
void Engine::RunModal(OverlayWindow& window) {
    overlays.Push(*this, &window);
    while (!quitting_ && !window.Done()) {
        PumpEvents();
    }
    overlays.Remove(*this, &window);
}

}  // namespace textreel
