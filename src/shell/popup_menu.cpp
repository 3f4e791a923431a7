#include "shell/popup_menu.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "access/spoken_text.h"
#include "input/focus.h"
#include "shell/engine.h"

namespace textreel {

namespace {

bool Selectable(const MenuItem& item) {
    return item.kind != MenuItem::Kind::kSeparator;
}

}  // namespace

PopupMenuWindow::PopupMenuWindow(Engine& e, int x, int y)
    : glyphs_(e.glyphs.get()),
      latin_(e.latinGlyphs.get()),
      pictureWidth_(e.instance.windowWidth),
      pictureHeight_(e.instance.windowHeight) {
    Panel top = Layout(e.systemMenu.Root());
    // Like a desktop popup: it opens to the left of or above the point where there is no room
    // to the right or below, and stays inside the picture in any case.
    top.x = x + top.width <= pictureWidth_ ? x : x - top.width;
    top.y = y + top.height <= pictureHeight_ ? y : y - top.height;
    top.x = std::clamp(top.x, 0, std::max(pictureWidth_ - top.width, 0));
    top.y = std::clamp(top.y, 0, std::max(pictureHeight_ - top.height, 0));
    panels_.push_back(top);
}

PopupMenuWindow::Panel PopupMenuWindow::Layout(const MenuItem& menu) const {
    Panel p;
    p.menu = &menu;
    int textWidth = 0;
    int y = 1 + kPad;
    for (const MenuItem& item : menu.items) {
        int h = item.kind == MenuItem::Kind::kSeparator ? kSeparatorHeight : kRowHeight;
        p.rowTop.push_back(y);
        p.rowHeight.push_back(h);
        y += h;
        textWidth = std::max(
            textWidth, OverlayCanvas::TextWidth(glyphs_, kFontSize, item.text, TextEncoding::kUtf8, latin_));
    }
    p.height = y + kPad + 1;
    p.width = std::max(kGutter + textWidth + kArrowRoom, kMinWidth) + 2;
    return p;
}

Viewport PopupMenuWindow::Bounds() const {
    int x0 = pictureWidth_;
    int y0 = pictureHeight_;
    int x1 = 0;
    int y1 = 0;
    for (const Panel& p : panels_) {
        x0 = std::min(x0, p.x);
        y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x + p.width);
        y1 = std::max(y1, p.y + p.height);
    }
    if (x1 <= x0 || y1 <= y0) {
        return {};
    }
    return {x0, y0, x1 - x0, y1 - y0};
}

void PopupMenuWindow::OpenSubmenu(size_t level, int index) {
    panels_.resize(level + 1);
    const Panel& parent = panels_[level];
    const MenuItem& item = parent.menu->items[static_cast<size_t>(index)];
    if (item.kind != MenuItem::Kind::kSubmenu || item.grayed) {
        return;
    }
    Panel sub = Layout(item);
    // Beside the parent, its first row level with the item; on the left when the right has no room.
    sub.x = parent.x + parent.width - 3;
    if (sub.x + sub.width > pictureWidth_) {
        sub.x = parent.x - sub.width + 3;
    }
    sub.y = parent.y + parent.rowTop[static_cast<size_t>(index)] - 1 - kPad;
    sub.x = std::clamp(sub.x, 0, std::max(pictureWidth_ - sub.width, 0));
    sub.y = std::clamp(sub.y, 0, std::max(pictureHeight_ - sub.height, 0));
    panels_.push_back(sub);
}

bool PopupMenuWindow::HitTest(int x, int y, size_t& level, int& index) const {
    // The deepest panel is drawn on top, so it is asked first.
    for (size_t l = panels_.size(); l-- > 0;) {
        const Panel& p = panels_[l];
        if (x < p.x || y < p.y || x >= p.x + p.width || y >= p.y + p.height) {
            continue;
        }
        level = l;
        index = -1;
        for (size_t i = 0; i < p.rowTop.size(); ++i) {
            int top = p.y + p.rowTop[i];
            if (y >= top && y < top + p.rowHeight[i]) {
                index = static_cast<int>(i);
            }
        }
        return true;
    }
    return false;
}

void PopupMenuWindow::Finish(Engine& e, int chosen) {
    if (done_) {
        return;
    }
    done_ = true;
    MenuClosed(e, chosen);
}

void PopupMenuWindow::Activate(Engine& e, size_t level, int index, bool byKey) {
    if (index < 0) {
        return;
    }
    const MenuItem& item = panels_[level].menu->items[static_cast<size_t>(index)];
    panels_[level].hot = index;
    if (item.kind == MenuItem::Kind::kSubmenu) {
        if (panels_.size() <= level + 1 || panels_[level + 1].menu != &item) {
            OpenSubmenu(level, index);
        }
        if (byKey && panels_.size() > level + 1) {
            panels_[level + 1].hot = -1;
            Move(level + 1, 1);
        }
        return;
    }
    if (item.kind == MenuItem::Kind::kCommand && !item.grayed) {
        Finish(e, item.id);
    }
}

void PopupMenuWindow::Move(size_t level, int step) {
    // From no highlight a step forward goes to the first item, back to the last; at either end
    // the highlight stays (it does not wrap round).
    Panel& p = panels_[level];
    const int n = static_cast<int>(p.menu->items.size());
    for (int at = p.hot < 0 ? (step > 0 ? 0 : n - 1) : p.hot + step; at >= 0 && at < n; at += step) {
        if (Selectable(p.menu->items[static_cast<size_t>(at)])) {
            p.hot = at;
            return;
        }
    }
}

void PopupMenuWindow::TraceFocus(Engine& e) const {
    const Panel& p = panels_.back();
    if (p.hot < 0) {
        return;
    }
    const size_t i = static_cast<size_t>(p.hot);
    const int top = p.y + p.rowTop[i];
    textreel::TraceFocus(e, "menu", {p.x, top, p.x + p.width - 1, top + p.rowHeight[i] - 1, p.hot});
}

void PopupMenuWindow::Key(Engine& e, int key, bool shift) {
    size_t level = panels_.size() - 1;
    Panel& deepest = panels_[level];
    switch (key) {
        case vk::kEscape:
            Finish(e, 0);
            break;
        case vk::kDown:
            Move(level, 1);
            TraceFocus(e);
            break;
        case vk::kUp:
            Move(level, -1);
            TraceFocus(e);
            break;
        case vk::kTab:
            Move(level, shift ? -1 : 1);
            TraceFocus(e);
            break;
        case vk::kRight:
            if (deepest.hot >= 0 &&
                deepest.menu->items[static_cast<size_t>(deepest.hot)].kind == MenuItem::Kind::kSubmenu) {
                Activate(e, level, deepest.hot, true);
                TraceFocus(e);
            }
            break;
        case vk::kLeft:
            if (level > 0) {
                panels_.pop_back();
                TraceFocus(e);
            }
            break;
        case vk::kReturn:
        case vk::kSpace:
            Activate(e, level, deepest.hot, true);
            break;
        default:
            break;
    }
}

void PopupMenuWindow::Input(Engine& e, const InputEvent& event) {
    size_t level = 0;
    int index = -1;
    switch (event.kind) {
        case InputEvent::Kind::kMouseMove:
            if (HitTest(event.x, event.y, level, index)) {
                panels_[level].hot = index;
                panels_.resize(level + 1);
                if (index >= 0) {
                    OpenSubmenu(level, index);
                }
            } else if (panels_.back().hot >= 0 && panels_.size() == 1) {
                panels_.back().hot = -1;
            }
            break;
        case InputEvent::Kind::kButtonUp:
            if (event.button != InputEvent::kLeftButton && event.button != InputEvent::kRightButton) {
                break;
            }
            if (!HitTest(event.x, event.y, level, index)) {
                Finish(e, 0);  // a click outside closes the menu and goes no further
            } else {
                Activate(e, level, index, false);
            }
            break;
        case InputEvent::Kind::kKeyDown:
            Key(e, event.key, event.shift);
            break;
        default:
            break;
    }
    SpeakHotItem(e);
}

void PopupMenuWindow::SpeakHotItem(Engine& e) {
    const MenuItem* hot = nullptr;
    for (auto p = panels_.rbegin(); p != panels_.rend() && hot == nullptr; ++p) {
        if (p->hot >= 0) {
            hot = &p->menu->items[static_cast<size_t>(p->hot)];
        }
    }
    if (done_ || hot == nullptr || hot == spoken_) {
        return;
    }
    spoken_ = hot;
    e.access->Say(SpokenMenuItem(hot->text, hot->checked, hot->grayed));
}

void PopupMenuWindow::PaintPanel(OverlayCanvas& c, const Panel& p, int ox, int oy, double scale) const {
    // Positions are game pixels; the canvas has scale pixels for each, its origin at (ox, oy).
    auto X = [&](int gx) { return static_cast<int>(std::lround((gx - ox) * scale)); };
    auto Y = [&](int gy) { return static_cast<int>(std::lround((gy - oy) * scale)); };
    auto fill = [&](int x, int y, int w, int h, uint32_t rgb) {
        int x0 = X(x);
        int y0 = Y(y);
        c.Fill(x0, y0, std::max(X(x + w) - x0, 1), std::max(Y(y + h) - y0, 1), rgb);
    };
    auto outline = [&](int x, int y, int w, int h, uint32_t rgb) {
        fill(x, y, w, 1, rgb);
        fill(x, y + h - 1, w, 1, rgb);
        fill(x, y, 1, h, rgb);
        fill(x + w - 1, y, 1, h, rgb);
    };
    const int fontSize = std::max(static_cast<int>(std::lround(kFontSize * scale)), 1);
    fill(p.x, p.y, p.width, p.height, kPanel);
    outline(p.x, p.y, p.width, p.height, kOutline);
    for (size_t i = 0; i < p.menu->items.size(); ++i) {
        const MenuItem& item = p.menu->items[i];
        int top = p.y + p.rowTop[i];
        int h = p.rowHeight[i];
        if (item.kind == MenuItem::Kind::kSeparator) {
            fill(p.x + 1 + kPad + 4, top + h / 2, p.width - 2 * (kPad + 5), 1, kSeparator);
            continue;
        }
        if (static_cast<int>(i) == p.hot) {
            fill(p.x + 1 + kPad, top, p.width - 2 * (kPad + 1), h, kHot);
            outline(p.x + 1 + kPad, top, p.width - 2 * (kPad + 1), h, kHotOutline);
        }
        uint32_t ink = item.grayed ? kGrayedText : kText;
        int textTop = Y(top) + (Y(top + h) - Y(top) - fontSize) / 2;
        c.Text(glyphs_, fontSize, X(p.x + 1 + kGutter), textTop, item.text, ink, TextEncoding::kUtf8, latin_);
        if (item.checked) {
            // A tick: a short stroke down to the right, then a long one up to the right.
            int cx = p.x + 1 + 7;
            int cy = top + h / 2;
            for (int k = 0; k < 3; ++k) {
                fill(cx + k, cy - 1 + k, 2, 2, ink);
            }
            for (int k = 0; k < 5; ++k) {
                fill(cx + 3 + k, cy + 1 - k, 2, 2, ink);
            }
        }
        if (item.kind == MenuItem::Kind::kSubmenu) {
            // A small triangle pointing right.
            int ax = p.x + p.width - 1 - kPad - 12;
            int ay = top + h / 2;
            for (int k = 0; k < 4; ++k) {
                fill(ax + k, ay - 3 + k, 1, 7 - 2 * k, ink);
            }
        }
    }
}

void PopupMenuWindow::Paint(OverlayCanvas& c) {
    Viewport b = Bounds();
    for (const Panel& p : panels_) {
        PaintPanel(c, p, b.x, b.y, 1.0);
    }
}

bool PopupMenuWindow::PaintSharp(OverlayCanvas& c, double scale) {
    Viewport b = Bounds();
    for (const Panel& p : panels_) {
        PaintPanel(c, p, b.x, b.y, scale);
    }
    return true;
}

}  // namespace textreel
