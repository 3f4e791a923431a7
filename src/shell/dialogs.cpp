#include "shell/dialogs.h"

#include <algorithm>
#include <array>
#include <string>

#include "input/focus.h"
#include "platform/encoding.h"
#include "shell/dialog_models.h"
#include "shell/engine.h"
#include "shell/messages.h"
#include "shell/overlay.h"
#include "text/line_layout.h"

namespace textreel {

namespace {

using namespace overlay_colour;

constexpr int kBorder = 3;
constexpr int kCaptionHeight = 20;
constexpr int kCloseBoxSize = 16;

// Dialog units to pixels for a font whose cell is cell pixels high: a dialog unit is an eighth of
// the cell vertically and a quarter of a half-width character (half the cell) horizontally.
int Du(int units, int cell) {
    return (units * cell + 4) / 8;
}

// The font sizes of the dialogs, in points, at 96 pixels per inch.
int CellFor(int points) {
    return (points * 96 + 36) / 72;
}

struct Rect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    bool Contains(int px, int py) const { return px >= x && py >= y && px < x + w && py < y + h; }
};

Rect DuRect(int x, int y, int w, int h, int cell) {
    return {Du(x, cell), Du(y, cell), Du(w, cell), Du(h, cell)};
}

// What the dialogs have in common: a frame with a caption (and maybe a close box) around a grey
// client area of a size in dialog units, centred on the game picture.
class DialogWindow : public OverlayWindow {
  public:
    DialogWindow(Engine& e, const char* caption, int points, int clientW, int clientH, bool closeBox)
        : glyphs_(e.glyphs.get()),
          latin_(e.latinGlyphs.get()),
          texts_(e.texts),
          title_(e.Text(caption)),
          cell_(CellFor(points)),
          closeBox_(closeBox) {
        e.access->Say(title_);
        bounds_.width = Du(clientW, cell_) + 2 * kBorder;
        bounds_.height = Du(clientH, cell_) + 2 * kBorder + kCaptionHeight;
        bounds_.x = std::max((e.instance.windowWidth - bounds_.width) / 2, 0);
        bounds_.y = std::max((e.instance.windowHeight - bounds_.height) / 2, 0);
    }

    Viewport Bounds() const override { return bounds_; }
    bool Done() const override { return done_; }
    int Result() const { return result_; }

    void Paint(OverlayCanvas& c) override {
        c.Fill(0, 0, bounds_.width, bounds_.height, kFace);
        c.Bevel(0, 0, bounds_.width, bounds_.height, false);
        c.Fill(kBorder, kBorder, bounds_.width - 2 * kBorder, kCaptionHeight - 2, kCaption);
        c.Text(glyphs_, 12, kBorder + 4, kBorder + 2, title_, kCaptionText, TextEncoding::kUtf8, latin_);
        if (closeBox_) {
            Rect b = CloseBox();
            c.Fill(b.x, b.y, b.w, b.h, kFace);
            c.Bevel(b.x, b.y, b.w, b.h, false);
            for (int i = 0; i < 7; ++i) {
                c.Fill(b.x + 4 + i, b.y + 3 + i, 2, 1, kText);
                c.Fill(b.x + 10 - i, b.y + 3 + i, 2, 1, kText);
            }
        }
        PaintClient(c, kBorder, kBorder + kCaptionHeight);
    }

    void Input(Engine& e, const InputEvent& event) override {
        int x = event.x - bounds_.x;
        int y = event.y - bounds_.y;
        if (closeBox_ && event.kind == InputEvent::Kind::kButtonUp &&
            event.button == InputEvent::kLeftButton && CloseBox().Contains(x, y)) {
            OnCloseBox(e);
            return;
        }
        ClientInput(e, event, x - kBorder, y - kBorder - kCaptionHeight);
    }

  protected:
    virtual void PaintClient(OverlayCanvas& c, int ox, int oy) = 0;
    // Input with positions relative to the client area.
    virtual void ClientInput(Engine& e, const InputEvent& event, int x, int y) = 0;
    virtual void OnCloseBox(Engine&) { Finish(2); }

    void Finish(int result) {
        result_ = result;
        done_ = true;
    }
    // The trace's focus event for a control of the client area (r relative to it).
    void TraceFocus(Engine& e, int index, const Rect& r) const {
        const int left = bounds_.x + kBorder + r.x;
        const int top = bounds_.y + kBorder + kCaptionHeight + r.y;
        textreel::TraceFocus(e, "dialog", {left, top, left + r.w - 1, top + r.h - 1, index});
    }
    Rect CloseBox() const {
        return {bounds_.width - kBorder - kCloseBoxSize - 2, kBorder + 1, kCloseBoxSize, kCaptionHeight - 4};
    }
    Rect R(int x, int y, int w, int h) const { return DuRect(x, y, w, h, cell_); }
    static bool LeftUp(const InputEvent& ev) {
        return ev.kind == InputEvent::Kind::kButtonUp && ev.button == InputEvent::kLeftButton;
    }

    void PaintButton(OverlayCanvas& c, int ox, int oy, const Rect& r, const std::string& text, bool isDefault,
                     bool pressed) {
        int x = ox + r.x;
        int y = oy + r.y;
        c.Fill(x, y, r.w, r.h, kFace);
        if (isDefault) {
            c.Outline(x, y, r.w, r.h, kText);
            c.Bevel(x + 1, y + 1, r.w - 2, r.h - 2, pressed);
        } else {
            c.Bevel(x, y, r.w, r.h, pressed);
        }
        int tw = OverlayCanvas::TextWidth(glyphs_, cell_, text, TextEncoding::kUtf8, latin_);
        c.Text(glyphs_, cell_, x + (r.w - tw) / 2 + (pressed ? 1 : 0),
               y + (r.h - cell_) / 2 + (pressed ? 1 : 0), text, kText, TextEncoding::kUtf8, latin_);
    }
    // Static text; a line wider than its box is drawn a little smaller (down to 9 pixels), since
    // the fallback face is wider than the one the layout was made for.
    void PaintLabel(OverlayCanvas& c, int ox, int oy, const Rect& r, const std::string& text,
                    bool fit = true) {
        int size = cell_;
        while (fit && size > 9 &&
               OverlayCanvas::TextWidth(glyphs_, size, text, TextEncoding::kUtf8, latin_) > r.w) {
            --size;
        }
        c.Text(glyphs_, size, ox + r.x, oy + r.y + (cell_ - size) / 2, text, kText, TextEncoding::kUtf8,
               latin_);
    }

    GlyphSource* glyphs_;
    GlyphSource* latin_;  // a translation's proportional Latin face, or nullptr
    const TextTable& texts_;
    std::string title_;  // UTF-8, as all the engine's own texts
    int cell_;
    bool closeBox_;
    Viewport bounds_;
    bool done_ = false;
    int result_ = 0;
};

// "名前の入力": the edit field, OK, and the hint.
class NameEntryWindow : public DialogWindow {
  public:
    explicit NameEntryWindow(Engine& e) : DialogWindow(e, msg::kNameEntryCaption, 9, 175, 39, true) {
        encoding_ = e.titleSettings.encoding;
        field_.SetEncoding(encoding_);
        field_.SetText(e.TitleText(e.Text(msg::kDefaultPlayerName)));
        hint_ = e.Text(encoding_ == TextEncoding::kUtf8 ? msg::kNameEntryHintUtf8 : msg::kNameEntryHint);
        field_.SelectAll();
    }

    const std::string& Name() const { return name_; }

    bool WantsTextInput(Viewport& area) const override {
        Rect r = Edit();
        area = {bounds_.x + kBorder + r.x, bounds_.y + kBorder + kCaptionHeight + r.y, r.w, r.h};
        return true;
    }

  protected:
    Rect Edit() const { return R(7, 7, 101, 13); }
    Rect Ok() const { return R(118, 7, 50, 14); }

    void PaintClient(OverlayCanvas& c, int ox, int oy) override {
        Rect e = Edit();
        c.Fill(ox + e.x, oy + e.y, e.w, e.h, kWindow);
        c.Bevel(ox + e.x, oy + e.y, e.w, e.h, true);
        // The text scrolls so that the caret stays inside the field.
        int textX = ox + e.x + 3;
        int textY = oy + e.y + (e.h - cell_) / 2;
        int inner = e.w - 6;
        std::string text = field_.Text();
        int caretX = OverlayCanvas::TextWidth(glyphs_, cell_, field_.Prefix(field_.Caret()), encoding_);
        int preeditW = OverlayCanvas::TextWidth(glyphs_, cell_, preedit_, encoding_);
        int scroll = std::max(caretX + preeditW + 1 - inner, 0);
        OverlayCanvas line(inner, cell_);
        line.Fill(0, 0, inner, cell_, kWindow);
        size_t a = std::min(field_.Caret(), field_.Anchor());
        size_t b = std::max(field_.Caret(), field_.Anchor());
        int selA = OverlayCanvas::TextWidth(glyphs_, cell_, field_.Prefix(a), encoding_);
        int selB = OverlayCanvas::TextWidth(glyphs_, cell_, field_.Prefix(b), encoding_);
        if (b > a) {
            line.Fill(selA - scroll, 0, selB - selA, cell_, kHighlight);
        }
        // Text before the caret, the composition (underlined), then the rest.
        std::string before = field_.Prefix(field_.Caret());
        std::string after = text.substr(before.size());
        auto drawRun = [&](int x, const std::string& run, size_t firstIndex) {
            // Character by character, so that selected ones are drawn in the highlight's colours.
            int pen = x;
            size_t index = firstIndex;
            std::vector<LineChar> chars;
            SplitLine(reinterpret_cast<const uint8_t*>(run.data()), static_cast<int>(run.size()), encoding_,
                      chars);
            for (const LineChar& character : chars) {
                std::string ch =
                    run.substr(static_cast<size_t>(character.offset), static_cast<size_t>(character.length));
                bool selected = index >= a && index < b;
                pen += line.Text(glyphs_, cell_, pen, 0, ch, selected ? kHighlightText : kText, encoding_);
                ++index;
            }
            return pen;
        };
        int pen = drawRun(-scroll, before, 0);
        if (!preedit_.empty()) {
            int w = line.Text(glyphs_, cell_, pen, 0, preedit_, kText, encoding_);
            line.Fill(pen, cell_ - 1, w, 1, kText);
            pen += w;
        }
        int caretPixel = pen;
        drawRun(pen, after, field_.Caret());
        line.Fill(caretPixel, 0, 1, cell_, kText);
        OverlayImage img = line.TakeImage(0, 0);
        for (int yy = 0; yy < img.height; ++yy) {
            for (int xx = 0; xx < img.width; ++xx) {
                uint32_t p = img.pixels[static_cast<size_t>(yy) * img.width + xx];
                c.Fill(textX + xx, textY + yy, 1, 1, p & 0xFFFFFF);
            }
        }
        PaintButton(c, ox, oy, Ok(), "OK", true, okPressed_);
        PaintLabel(c, ox, oy, R(7, 23, 134, 12), hint_);
    }

    void ClientInput(Engine& e, const InputEvent& ev, int x, int y) override {
        switch (ev.kind) {
            case InputEvent::Kind::kKeyDown:
                KeyDown(e, ev);
                break;
            case InputEvent::Kind::kTextInput:
                preedit_.clear();
                Typed(e, field_.Type(ev.text));
                break;
            case InputEvent::Kind::kTextEditing: {
                bool ok = true;
                preedit_ = e.TitleText(ev.text, &ok);
                break;
            }
            case InputEvent::Kind::kScriptedText: {
                bool ok = true;
                std::string sjis = e.TitleText(ev.text, &ok);
                if (!ok) {
                    Typed(e, EditField::Typed::kNotShiftJis);
                } else if (!field_.SetText(sjis)) {
                    Typed(e, EditField::Typed::kTooLong);
                } else {
                    PressOk(e);
                }
                break;
            }
            case InputEvent::Kind::kButtonDown:
                okPressed_ = ev.button == InputEvent::kLeftButton && Ok().Contains(x, y);
                if (ev.button == InputEvent::kLeftButton && Edit().Contains(x, y)) {
                    field_.SetCaret(IndexAt(x), false);
                }
                break;
            case InputEvent::Kind::kButtonUp:
                okPressed_ = false;
                if (LeftUp(ev) && Ok().Contains(x, y)) {
                    PressOk(e);
                } else if (LeftUp(ev) && Edit().Contains(x, y)) {
                    field_.SetCaret(IndexAt(x), true);
                }
                break;
            default:
                break;
        }
    }

  private:
    size_t IndexAt(int x) const {
        int rel = x - Edit().x - 3;
        for (size_t i = 0; i < field_.Characters(); ++i) {
            int a = OverlayCanvas::TextWidth(glyphs_, cell_, field_.Prefix(i), encoding_);
            int b = OverlayCanvas::TextWidth(glyphs_, cell_, field_.Prefix(i + 1), encoding_);
            if (rel < (a + b) / 2) {
                return i;
            }
        }
        return field_.Characters();
    }

    void KeyDown(Engine& e, const InputEvent& ev) {
        switch (ev.key) {
            case vk::kReturn:
                PressOk(e);
                break;
            case vk::kBack:
                field_.Backspace();
                break;
            case vk::kDelete:
                field_.Delete();
                break;
            case vk::kLeft:
                field_.Left(ev.shift);
                break;
            case vk::kRight:
                field_.Right(ev.shift);
                break;
            case vk::kHome:
                field_.Home(ev.shift);
                break;
            case vk::kEnd:
                field_.End(ev.shift);
                break;
            default:
                break;  // Esc does nothing here
        }
    }

    void Typed(Engine& e, EditField::Typed result) {
        if (result == EditField::Typed::kNotShiftJis) {
            e.MessageBox(e.Text(msg::kNameCharacterRefused), e.Text(msg::kErrorCaption));
        } else if (result == EditField::Typed::kTooLong) {
            TooLong(e);
        }
    }

    void PressOk(Engine& e) {
        std::string text = field_.Text();
        if (!NameFits(text)) {
            TooLong(e);
            field_.Clear();
            return;
        }
        name_ = text;
        Finish(1);
    }

    void TooLong(Engine& e) {
        e.MessageBox(e.Text(encoding_ == TextEncoding::kUtf8 ? msg::kNameTooLongUtf8 : msg::kNameTooLong),
                     e.Text(msg::kErrorCaption));
    }

    EditField field_;
    std::string hint_;     // the line under the field, UTF-8
    std::string preedit_;  // in the title's encoding, as far as it converts
    TextEncoding encoding_ = TextEncoding::kShiftJis;
    std::string name_;
    bool okPressed_ = false;
};

// "---≪色選択≫---": four sliders, the preview, OK and Cancel.
class ColourWindow : public DialogWindow {
  public:
    ColourWindow(Engine& e, const std::array<int32_t, 4>& counters)
        : DialogWindow(e, msg::kColourCaption, 9, 234, 177, true) {
        model_.Load(counters);
    }
    const ColourModel& Model() const { return model_; }
    bool Accepted() const { return accepted_; }

  protected:
    Rect SliderRect(int i) const {
        static constexpr int kTops[4] = {7, 37, 67, 95};
        static constexpr int kHeights[4] = {20, 23, 23, 23};
        return R(29, kTops[i], 137, kHeights[i]);
    }
    // The track inside a slider's rectangle: the thumb's centre travels along it.
    static constexpr int kThumbW = 10;
    int TrackLeft(const Rect& r) const { return r.x + 4 + kThumbW / 2; }
    int TrackWidth(const Rect& r) const { return r.w - 8 - kThumbW; }
    Rect Ok() const { return R(176, 60, 50, 15); }
    Rect Cancel() const { return R(176, 87, 50, 14); }
    Rect Preview() const { return R(176, 7, 50, 43); }

    void PaintClient(OverlayCanvas& c, int ox, int oy) override {
        static const char* kLabels[4] = {msg::kColourRed, msg::kColourGreen, msg::kColourBlue,
                                         msg::kColourBrightness};
        static constexpr int kLabelPos[4][2] = {{7, 13}, {7, 43}, {9, 73}, {7, 100}};
        for (int i = 0; i < 4; ++i) {
            PaintLabel(c, ox, oy, R(kLabelPos[i][0], kLabelPos[i][1], 20, 8), texts_(kLabels[i]), false);
            Rect r = SliderRect(i);
            int cy = oy + r.y + r.h / 2;
            if (focus_ == i) {
                c.Outline(ox + r.x, oy + r.y, r.w, r.h, kShadow);
            }
            c.Bevel(ox + TrackLeft(r) - 2, cy - 2, TrackWidth(r) + 4, 4, true);
            int tx = ox + Slider::PixelOf(model_.sliders[i].value, TrackLeft(r), TrackWidth(r)) - kThumbW / 2;
            c.Fill(tx, cy - 8, kThumbW, 16, kFace);
            c.Bevel(tx, cy - 8, kThumbW, 16, false);
        }
        Rect p = Preview();
        c.Outline(ox + p.x, oy + p.y, p.w, p.h, kShadow);
        c.Fill(ox + p.x + 1, oy + p.y + 1, p.w - 2, p.h - 2, model_.PreviewRgb());
        PaintButton(c, ox, oy, Ok(), "OK", true, pressed_ == 1);
        PaintButton(c, ox, oy, Cancel(), texts_(msg::kCancel), false, pressed_ == 2);
        PaintLabel(c, ox, oy, R(14, 125, 203, 14), texts_(msg::kColourHint1));
        PaintLabel(c, ox, oy, R(15, 147, 198, 8), texts_(msg::kColourHint2));
        PaintLabel(c, ox, oy, R(24, 159, 190, 10), texts_(msg::kColourHint3));
    }

    void ClientInput(Engine& e, const InputEvent& ev, int x, int y) override {
        switch (ev.kind) {
            case InputEvent::Kind::kKeyDown:
                if (ev.key == vk::kReturn) {
                    accepted_ = true;
                    Finish(1);
                } else if (ev.key == vk::kEscape) {
                    Finish(1);
                } else if (ev.key == vk::kTab) {
                    // Tab from no slider takes the first, Shift+Tab the last; neither wraps round.
                    focus_ = StepFocus(focus_, 4, ev.shift ? FocusStep::kBackward : FocusStep::kForward);
                    TraceFocus(e, focus_, SliderRect(focus_));
                } else if (focus_ >= 0) {
                    model_.sliders[focus_].Key(ev.key);
                }
                break;
            case InputEvent::Kind::kButtonDown:
                if (ev.button != InputEvent::kLeftButton) {
                    break;
                }
                pressed_ = Ok().Contains(x, y) ? 1 : Cancel().Contains(x, y) ? 2 : 0;
                for (int i = 0; i < 4; ++i) {
                    if (SliderRect(i).Contains(x, y)) {
                        focus_ = dragging_ = i;
                        Drag(x);
                    }
                }
                break;
            case InputEvent::Kind::kMouseMove:
                Drag(x);
                break;
            case InputEvent::Kind::kButtonUp:
                if (!LeftUp(ev)) {
                    break;
                }
                pressed_ = 0;
                if (dragging_ >= 0) {
                    Drag(x);
                    dragging_ = -1;
                } else if (Ok().Contains(x, y)) {
                    accepted_ = true;
                    Finish(1);
                } else if (Cancel().Contains(x, y)) {
                    Finish(1);
                } else {
                    // A click without a press (scripted input) moves a slider too.
                    for (int i = 0; i < 4; ++i) {
                        if (SliderRect(i).Contains(x, y)) {
                            focus_ = dragging_ = i;
                            Drag(x);
                            dragging_ = -1;
                        }
                    }
                }
                break;
            default:
                break;
        }
    }

    void OnCloseBox(Engine&) override { Finish(1); }

  private:
    void Drag(int x) {
        if (dragging_ >= 0) {
            Rect r = SliderRect(dragging_);
            model_.sliders[dragging_].Set(Slider::ValueAt(x, TrackLeft(r), TrackWidth(r)));
        }
    }

    ColourModel model_;
    int focus_ = -1;  // no slider has the keyboard focus at first
    int dragging_ = -1;
    int pressed_ = 0;
    bool accepted_ = false;
};

// "system version": the version text and "閉じる", which has the focus. No close box.
class VersionWindow : public DialogWindow {
  public:
    explicit VersionWindow(Engine& e) : DialogWindow(e, "system version", 10, 166, 38, false) {}

  protected:
    Rect Close() const { return R(114, 3, 50, 14); }

    void PaintClient(OverlayCanvas& c, int ox, int oy) override {
        Rect s = R(2, 3, 109, 14);
        c.Bevel(ox + s.x, oy + s.y, s.w, s.h, true);
        std::string text = texts_(msg::kVersionText);
        int tw = OverlayCanvas::TextWidth(glyphs_, cell_, text, TextEncoding::kUtf8, latin_);
        c.Text(glyphs_, cell_, ox + s.x + (s.w - tw) / 2, oy + s.y + (s.h - cell_) / 2, text, kText,
               TextEncoding::kUtf8, latin_);
        PaintButton(c, ox, oy, Close(), texts_(msg::kClose), true, pressed_);
    }

    void ClientInput(Engine&, const InputEvent& ev, int x, int y) override {
        if (ev.kind == InputEvent::Kind::kKeyDown && (ev.key == vk::kReturn || ev.key == vk::kSpace)) {
            Finish(1);
        } else if (ev.kind == InputEvent::Kind::kButtonDown && ev.button == InputEvent::kLeftButton) {
            pressed_ = Close().Contains(x, y);
        } else if (LeftUp(ev)) {
            pressed_ = false;
            if (Close().Contains(x, y)) {
                Finish(1);
            }
        }
    }

  private:
    bool pressed_ = false;
};

std::string ColourValue(const std::array<int32_t, 4>& v) {
    return std::to_string(v[0]) + "," + std::to_string(v[1]) + "," + std::to_string(v[2]) + "," +
           std::to_string(v[3]);
}

}  // namespace

int RunNameEntry(Engine& e) {
    if (!e.OnMainThread()) {
        int result = 0;
        e.Send([&] { result = RunNameEntry(e); });
        return result;
    }
    if (e.Quitting()) {
        return 0;
    }
    NameEntryWindow window(e);
    e.RunModal(window);
    if (!window.Done()) {
        return 0;
    }
    if (window.Result() == 1) {
        e.flags.SetText(FlagBlock::kPlayerName, FlagBlock::kPlayerNameSize, window.Name());
    }
    e.trace.Event("dialog", {{"kind", std::string("name-entry")},
                             {"result", int64_t{window.Result()}},
                             {"value", e.Title(e.flags.PlayerName()).ToUtf8()}});
    return window.Result();
}

int RunColourSelection(Engine& e) {
    if (!e.OnMainThread()) {
        int result = 0;
        e.Send([&] { result = RunColourSelection(e); });
        return result;
    }
    if (e.Quitting()) {
        return 0;
    }
    std::array<int32_t, 4> counters{};
    for (int i = 0; i < 4; ++i) {
        counters[static_cast<size_t>(i)] = e.flags.PointCounter(i);
    }
    ColourWindow window(e, counters);
    e.RunModal(window);
    if (!window.Done()) {
        return 0;
    }
    if (window.Accepted()) {
        std::array<int32_t, 4> v = window.Model().Values();
        for (int i = 0; i < 4; ++i) {
            e.flags.SetPointCounter(i, v[static_cast<size_t>(i)]);
        }
    }
    std::array<int32_t, 4> now{};
    for (int i = 0; i < 4; ++i) {
        now[static_cast<size_t>(i)] = e.flags.PointCounter(i);
    }
    e.trace.Event("dialog",
                  {{"kind", std::string("colour")},
                   {"result", int64_t{1}},
                   {"value", std::string(window.Accepted() ? "ok " : "cancel ") + ColourValue(now)}});
    return 1;
}

int RunVersionDialog(Engine& e) {
    if (!e.OnMainThread()) {
        int result = 0;
        e.Send([&] { result = RunVersionDialog(e); });
        return result;
    }
    if (e.Quitting()) {
        return 0;
    }
    VersionWindow window(e);
    e.RunModal(window);
    if (!window.Done()) {
        return 0;
    }
    e.trace.Event("dialog",
                  {{"kind", std::string("version")}, {"result", int64_t{1}}, {"value", std::string()}});
    return 1;
}

}  // namespace textreel
