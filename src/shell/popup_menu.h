// The open system menu, drawn by the engine as an overlay window: the "システム" popup and the
// submenus opened from it, in a plain light style (a dark outline around a near-white panel) that
// stands out over any picture. Where the window shows the picture larger than the game's pixels
// (a window scale above 1, full screen), it is also painted at the window's resolution. The pointer
// highlights items, hovering a submenu opens it, a click (either button) chooses, and Escape or a click
// outside closes. The arrow keys, Tab and Shift+Tab move the highlight (without wrapping round),
// Return and Space choose.
#pragma once

#include <vector>

#include "shell/overlay.h"
#include "shell/system_menu.h"

namespace textreel {

class PopupMenuWindow : public OverlayWindow {
  public:
    // The look, in game pixels.
    static constexpr int kFontSize = 12;
    static constexpr int kRowHeight = 20;
    static constexpr int kSeparatorHeight = 7;
    static constexpr int kPad = 2;         // inside the outline, above the first and below the last row
    static constexpr int kGutter = 22;     // left of the text: the check mark
    static constexpr int kArrowRoom = 26;  // right of the text: the submenu arrow
    static constexpr int kMinWidth = 90;
    static constexpr uint32_t kPanel = 0xF7F7F7;
    static constexpr uint32_t kOutline = 0x5A5A5A;
    static constexpr uint32_t kHot = 0xCCE4F7;
    static constexpr uint32_t kHotOutline = 0x7DA2CE;
    static constexpr uint32_t kText = 0x000000;
    static constexpr uint32_t kGrayedText = 0x8C8C8C;
    static constexpr uint32_t kSeparator = 0xC8C8C8;

    // One open level: the top popup or a submenu.
    struct Panel {
        const MenuItem* menu = nullptr;
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        int hot = -1;             // the highlighted item's index, or -1
        std::vector<int> rowTop;  // each item's top, relative to the panel
        std::vector<int> rowHeight;
    };

    // Opens the popup with its top-left corner at (x, y), moved inward where it would leave the
    // picture.
    PopupMenuWindow(Engine& engine, int x, int y);

    Viewport Bounds() const override;
    void Paint(OverlayCanvas& canvas) override;
    // The same look at the window's own resolution: lines and marks grow with the picture, the
    // text is drawn at the larger size rather than scaled up.
    bool PaintSharp(OverlayCanvas& canvas, double scale) override;
    void Input(Engine& engine, const InputEvent& event) override;
    bool Done() const override { return done_; }

    // Closes the popup: with the chosen command, or 0 for none.
    void Finish(Engine& engine, int chosen);
    const std::vector<Panel>& Panels() const { return panels_; }

  private:
    Panel Layout(const MenuItem& menu) const;
    // Opens the submenu of item index of panel level beside it, closing deeper levels.
    void OpenSubmenu(size_t level, int index);
    // The panel and item under a point: false when it is outside every panel.
    bool HitTest(int x, int y, size_t& level, int& index) const;
    void Activate(Engine& engine, size_t level, int index, bool byKey);
    void Move(size_t level, int step);
    void Key(Engine& engine, int key, bool shift);
    // The trace's focus event for the deepest panel's highlighted item.
    void TraceFocus(Engine& engine) const;
    // Self-voicing says the highlighted item when it changed.
    void SpeakHotItem(Engine& engine);
    void PaintPanel(OverlayCanvas& canvas, const Panel& panel, int ox, int oy, double scale) const;

    GlyphSource* glyphs_;
    GlyphSource* latin_;  // a translation's proportional Latin face, or nullptr
    int pictureWidth_;
    int pictureHeight_;
    std::vector<Panel> panels_;
    bool done_ = false;
    const MenuItem* spoken_ = nullptr;
};

}  // namespace textreel
