// The choice menus: `selarea` (areas of a full-screen picture), `selword` (word buttons sliding in
// over the scene) and `flagselect` (a picture grid unlocked by persistent flags; with "CGMODE" the CG
// gallery), and `MenuClick`, the window side's hit test of a menu.
#include "script/menu.h"
#include "shell/dialogs.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/bmp_reader.h"
#include "graphics/masked_blend.h"
#include "graphics/png_loader.h"
#include "graphics/screen.h"
#include "input/quick_save.h"
#include "input/rollback.h"
#include "platform/encoding.h"
#include "platform/error_log.h"
#include "platform/files.h"
#include "saveload/save_load_screen.h"
#include "script/byte_text.h"
#include "script/commands.h"
#include "script/flow.h"
#include "script/menu_lines.h"
#include "shell/dialogs.h"
#include "shell/engine.h"
#include "shell/messages.h"
#include "text/draw_glyph.h"
#include "text/line_layout.h"

namespace textreel {

namespace {

constexpr char kMenuBar[] = "cg\\menu\\menubar.bmp";

// The slide-in of a word button: eleven steps from faint and 150 pixels to the right to opaque in
// place.
constexpr int kSlideSteps = 11;
constexpr int kSlideAlphaStart = 5;
constexpr int kSlideAlphaStep = 25;
constexpr int kSlideOffsetStart = 150;
constexpr int kSlideOffsetStep = 15;
constexpr int kStripExtra = 20;

constexpr uint32_t kWordColour = 0x505050;
constexpr uint32_t kWordHoverColour = 0xB0B0B0;

// Reads the line at ReadPos as the interpreter's reader would, but without marking it as read, and
// leaves ReadPos on its end (2 before the end mark when the scenario ends there). The line ends at
// its first zero byte, as a C string would.
std::string ReadItemLine(Scenario& s) {
    uint32_t start = s.ReadPos;
    uint32_t end = s.SkipToLineEnd(start);
    std::string line;
    for (uint32_t p = start; p != end && line.size() < static_cast<size_t>(kLineMax); ++p) {
        uint8_t b = s.ByteAt(p);
        if (b == 0) {
            break;
        }
        line.push_back(static_cast<char>(b));
    }
    s.ReadPos = s.ByteAt(end) == kEndMark ? end - 2 : end;
    return line;
}

// Steps over the line end to the next item line; false when the scenario ends there.
bool NextItemLine(Scenario& s) {
    s.ReadPos += 2;
    return s.ByteAt(s.ReadPos) != kEndMark;
}

bool Holds(const std::string& line, const char* text) {
    return line.find(text) != std::string::npos;
}

void MenuRangeError(Engine& e) {
    e.Warn(e.Text(msg::kMenuRangeError));
}

// An item of `selarea` and `selword` shows when its flag is 0 or its event flag is set.
bool EventUnlocked(Engine& e, int32_t flag) {
    return flag == 0 || e.flags.EventFlag(flag) == 1;
}

// An item of `flagselect` shows when its flag is 0, or in CG mode when picture number flag has been
// seen, or otherwise when record flag flag is set. Numbers outside those flags read as not set.
bool PersistentUnlocked(Engine& e, int32_t flag, bool cgMode) {
    if (flag == 0) {
        return true;
    }
    if (cgMode) {
        return flag >= 1 && flag <= PersistentFlags::kPictureFlags && e.persistentFlags.Get(flag - 1) == 1;
    }
    return flag >= 1 && flag < PersistentFlags::kRecordFlagCount &&
           e.persistentFlags.Get(PersistentFlags::kRecordBase + flag) == 1;
}

// Loads a full-screen PNG picture of the script into target; the load-failure message otherwise.
bool LoadScreenPicture(Engine& e, std::string_view name, Surface& target) {
    DecodedPng picture;
    PngResult result = PngResult::kMissing;
    if (!name.empty()) {
        if (auto path = e.ResolvePath(name)) {
            // As for every picture: no more than four screens' worth of pixels.
            const uint64_t maxPixels = 4 * uint64_t(std::max(e.instance.windowWidth, 1)) *
                                       uint64_t(std::max(e.instance.windowHeight, 1));
            result = LoadPng(*path, picture, maxPixels);
        }
    }
    if (result != PngResult::kOk) {
        e.trace.Note("picture-failed", {{"path", e.Title(name).ToUtf8()}});
        e.MessageBox(e.Text(msg::kPictureLoadFailed), msg::kPictureCaption);
        return false;
    }
    std::lock_guard lock(e.graphics.ScreenLock);
    ConvertToScreen(picture, target);
    return true;
}

// The table as the trace shows it: each entry's label and rectangle [left, top, right, bottom].
void TraceChoices(Engine& e, const char* kind) {
    if (!e.trace.Enabled()) {
        return;
    }
    std::string entries = "[";
    for (const MenuEntry& m : e.menu.Entries()) {
        if (entries.size() > 1) {
            entries += ",";
        }
        entries += "{\"label\":\"" + Trace::Escape(e.Title(m.label).ToUtf8()) + "\",\"rect\":[" +
                   std::to_string(m.left) + "," + std::to_string(m.top) + "," + std::to_string(m.right) +
                   "," + std::to_string(m.bottom) + "]}";
    }
    entries += "]";
    e.trace.Event("choices", {{"kind", std::string(kind)}, {"entries", Trace::Json{entries}}});
}

// Sets the reading position on the label of the chosen entry and takes the menu down; a label
// that does not exist is shown and ends the game. Returns whether the story goes on.
bool JumpToChoice(Engine& e, const std::string& label) {
    std::string pattern = ":" + label;
    int64_t at = e.scenario.FindPattern(pattern);
    if (at < 0) {
        e.Warn(e.Title(pattern));
        e.RequestClose();
        return false;
    }
    TraceJump(e, pattern);
    e.scenario.ReadPos = static_cast<uint32_t>(at);
    e.UiState = 0;
    return true;
}

// The menu is ready: the trace learns its entries, the highlight follows the pointer at once, and
// the script thread waits until a click has jumped (UiState back to 0). A click that lands between
// the end of the building and the wait has already set the new position; a resume that leaves the
// menu up (skip or auto mode asked for from the system menu) waits again. commandLine: a position
// on the menu command's line, for the rollback record.
void AwaitChoice(Engine& e);

void WaitForChoice(Engine& e, const char* kind, uint32_t commandLine) {
    e.UiState = 1;
    TraceChoices(e, kind);
    e.SetScriptBusy(0);
    int x = 0;
    int y = 0;
    if (e.platform.CursorPosition(x, y)) {
        InputEvent move;
        move.kind = InputEvent::Kind::kMouseMove;
        move.x = x;
        move.y = y;
        e.SendInput(move);
    }
    RecordWait(e, commandLine, RollbackRecord::kChoiceWait, kind);
    AwaitChoice(e);
}

// The wait of a menu that is up, until a click has jumped.
void AwaitChoice(Engine& e) {
    // The automatic save keeps the place the player reads at, after a step back too.
    NoteReadingPlace(e);
    while (e.UiState == 1 && !e.Quitting() && !e.RestartPending() && e.LoadResumePending == 0) {
        e.SuspendScript();
        // An "opening" item: the name comes first; a closed dialog leaves the menu up.
        std::string label = e.menu.TakeNameEntryLabel();
        if (!label.empty() && e.UiState == 1 && RunNameEntry(e) == 1) {
            JumpToChoice(e, label);
        }
    }
    // A load has already put the read position where reading goes on.
    if (e.LoadResumePending == 0) {
        e.scenario.ReadPos -= 2;
    }
}

// Adds an entry unless the table is full: items past the 48th are dropped.
void Enter(Engine& e, const MenuEntry& entry) {
    e.menu.Add(entry);
}

// Builds the table of `selarea` and `flagselect` from the item lines at ReadPos.
void BuildAreaTable(Engine& e, bool flagSelect, bool cgMode) {
    e.UiState = 1;
    e.menu.Clear();
    e.WaitIconOn = 0;
    Scenario& s = e.scenario;
    for (;;) {
        std::string line = ReadItemLine(s);
        if (Holds(line, flagSelect ? "$flagselend" : "selend")) {
            if (flagSelect) {
                s.ReadPos += 2;
            }
            return;
        }
        MenuItemLine item;
        if (!ParseAreaItem(line, flagSelect, e.titleSettings.encoding, item)) {
            MenuRangeError(e);
            return;
        }
        bool shown = flagSelect ? PersistentUnlocked(e, item.flag, cgMode) : EventUnlocked(e, item.flag);
        if (shown) {
            Enter(e, item.entry);
        }
        if (!NextItemLine(s)) {
            return;
        }
    }
}

// Draws the text of a word button on both looks: the plain one on BackSurface, the highlighted one
// on WindowLayer. A half-width byte draws as a half-width character.
void DrawWordText(Engine& e, int left, int top, const std::string& text) {
    if (!e.glyphs) {
        return;
    }
    GraphicsState& g = e.graphics;
    const int size = e.text.fontSize;
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    int x = left + 47;
    int y = top + 8;
    std::lock_guard lock(g.ScreenLock);
    if (GlyphSource* latin = e.latinGlyphs.get()) {
        // A translation with proportional Latin: half-width letters from the Latin face at its own
        // advances, on the message font's baseline, as the message window draws them.
        const TextEncoding encoding = e.titleSettings.encoding;
        std::vector<LineChar> chars;
        SplitLine(bytes, static_cast<int>(text.size()), encoding, chars);
        SetLatinAdvances(chars, *latin, size, encoding);
        const int baseline = y + e.glyphs->Ascent(size);
        for (const LineChar& c : chars) {
            const uint32_t code = GlyphCode(c, encoding);
            if (c.halfWidth) {
                DrawGlyphAtPen(*latin, g.BackSurface, size, x, baseline, code, kWordColour);
                DrawGlyphAtPen(*latin, g.WindowLayer, size, x, baseline, code, kWordHoverColour);
                x += c.advance;
            } else {
                DrawGlyphCode(*e.glyphs, g.BackSurface, size, x, y, code, kWordColour);
                DrawGlyphCode(*e.glyphs, g.WindowLayer, size, x, y, code, kWordHoverColour);
                x += size;
            }
        }
        return;
    }
    if (e.titleSettings.encoding == TextEncoding::kUtf8) {
        // A UTF-8 title's words, character by character, full-width ones on whole cells.
        std::vector<LineChar> chars;
        SplitLine(bytes, static_cast<int>(text.size()), TextEncoding::kUtf8, chars);
        for (const LineChar& c : chars) {
            const uint32_t code = GlyphCode(c, TextEncoding::kUtf8);
            const int at = c.halfWidth ? x - 4 : x;
            DrawGlyphCode(*e.glyphs, g.BackSurface, size, at, y, code, kWordColour);
            DrawGlyphCode(*e.glyphs, g.WindowLayer, size, at, y, code, kWordHoverColour);
            x += c.halfWidth ? size / 2 : size;
        }
        return;
    }
    for (size_t i = 0; i < text.size();) {
        if (IsSjisLeadByte(bytes[i]) && i + 1 < text.size()) {
            DrawGlyph(*e.glyphs, g.BackSurface, size, x, y, bytes + i, 2, kWordColour);
            DrawGlyph(*e.glyphs, g.WindowLayer, size, x, y, bytes + i, 2, kWordHoverColour);
            x += size;
            i += 2;
        } else {
            DrawGlyph(*e.glyphs, g.BackSurface, size, x - 4, y, bytes + i, 1, kWordColour);
            DrawGlyph(*e.glyphs, g.WindowLayer, size, x - 4, y, bytes + i, 1, kWordHoverColour);
            x += size / 2;
            i += 1;
        }
    }
}

// The slide-in of one word button, drawn straight to the window step by step, then its text.
void DrawWordButton(Engine& e, const Surface& bar, int left, int top, const std::string& text) {
    GraphicsState& g = e.graphics;
    const int barWidth = bar.Width() / 2;
    const int barHeight = bar.Height();
    // Every step draws inside this strip, so keeping it is keeping the pixels the steps change.
    const int stripWidth = kSlideOffsetStart + barWidth + kStripExtra;
    Surface kept(stripWidth, barHeight);
    {
        std::lock_guard lock(g.ScreenLock);
        CopyRect(g.BackSurface, left, top, stripWidth, barHeight, kept, 0, 0);
    }
    for (int step = 0; step < kSlideSteps; ++step) {
        const int alpha = kSlideAlphaStart + kSlideAlphaStep * step;
        const int offset = kSlideOffsetStart - kSlideOffsetStep * step;
        std::lock_guard lock(g.ScreenLock);
        CopyRect(kept, 0, 0, stripWidth, barHeight, g.BackSurface, left, top);
        BlendMaskedPicture(g.BackSurface, left + offset, top, bar, alpha);
        e.platform.BlitToWindow(g.BackSurface.View(), left + offset, top, barWidth + kStripExtra, barHeight,
                                left + offset, top);
    }
    {
        std::lock_guard lock(g.ScreenLock);
        CopyRect(g.BackSurface, left, top, barWidth, barHeight, g.WindowLayer, left, top);
    }
    DrawWordText(e, left, top, text);
}

// Builds the table of `selword` and draws its buttons.
void BuildWordTable(Engine& e) {
    GraphicsState& g = e.graphics;
    e.UiState = 1;
    e.menu.Clear();
    e.WaitIconOn = 0;
    ComposeMessageWindow(e, g.BackSurface);
    Scenario& s = e.scenario;
    bool barWarned = false;
    int count = 0;
    for (;;) {
        std::string line = ReadItemLine(s);
        if (Holds(line, "selend")) {
            s.ReadPos += 2;
            break;
        }
        MenuItemLine item;
        if (!ParseWordItem(line, e.titleSettings.encoding, item)) {
            MenuRangeError(e);
            break;
        }
        if (EventUnlocked(e, item.flag) && count < MenuTable::kMaxEntries) {
            const int k = count++;
            item.entry.left = static_cast<int16_t>(240 + k);
            item.entry.right = static_cast<int16_t>(item.entry.left + 400);
            item.entry.top = static_cast<int16_t>(70 + 50 * k);
            item.entry.bottom = static_cast<int16_t>(item.entry.top + 35);
            // The bar is read anew for every button.
            BmpPicture bar;
            auto path = e.ResolvePath(kMenuBar);
            if ((!path || ReadBmp(*path, 0, bar) != BmpResult::kOk) && !barWarned) {
                // The buttons still work without their bar; the author learns of it on the console
                // rather than from a box in the middle of the menu.
                barWarned = true;
                ErrorPrintf("textreel: the menu bar %s cannot be read; the words show without it\n",
                            kMenuBar);
            }
            DrawWordButton(e, bar.pixels, item.entry.left, item.entry.top, item.text);
            e.menu.Add(item.entry, item.text);
        }
        if (!NextItemLine(s)) {
            break;
        }
    }
    // The screen takes the buttons whichever way the building ended, so that the repaint keeps them.
    {
        std::lock_guard lock(g.ScreenLock);
        CopyWhole(g.BackSurface, g.ScreenSurface);
    }
    e.text.TextCursor.Set(e.text.TextOrigin);
}

}  // namespace

void WaitForChoiceAgain(Engine& e, const char* kind) {
    e.UiState = 1;
    e.WaitIconOn = 0;
    TraceChoices(e, kind);
    e.SetScriptBusy(0);
    AwaitChoice(e);
}

void CmdSelArea(Engine& e, const char* line, int) {
    if (e.AdvanceMode == 1) {
        e.EndSkipMode();
    }
    e.SetScriptBusy(1);
    const uint32_t commandLine = e.scenario.ReadPos;
    e.scenario.ReadPos += 2;
    LoadScreenPicture(e, TextAfterBlank(line), e.graphics.WindowLayer);
    BuildAreaTable(e, false, false);
    WaitForChoice(e, "selarea", commandLine);
}

void CmdSelWord(Engine& e, const char*, int) {
    e.SetScriptBusy(1);
    const uint32_t commandLine = e.scenario.ReadPos;
    e.scenario.ReadPos += 2;
    BuildWordTable(e);
    e.MessageDrawn = 1;
    e.MessageVisible = 1;
    if (e.AdvanceMode == 1) {
        e.EndSkipMode();
    }
    e.Post([&e] { Repaint(e); });
    WaitForChoice(e, "selword", commandLine);
}

void CmdFlagSelect(Engine& e, const char* line, int) {
    if (e.AdvanceMode == 1) {
        e.EndSkipMode();
    }
    e.SetScriptBusy(1);
    std::string names[3];
    if (const char* open = std::strchr(line, '(')) {
        std::string_view rest(open + 1);
        for (int i = 0; i < 3; ++i) {
            size_t at = rest.find(i < 2 ? ',' : ')');
            names[i] = std::string(rest.substr(0, at));
            rest.remove_prefix(at == std::string_view::npos ? rest.size() : at + 1);
        }
    }
    const bool cgMode = FindText(line, "CGMODE") != nullptr;
    const uint32_t commandLine = e.scenario.ReadPos;
    e.scenario.ReadPos += 2;
    BuildAreaTable(e, true, cgMode);

    GraphicsState& g = e.graphics;
    if (LoadScreenPicture(e, names[0], g.BackSurface)) {
        Surface unlocked(g.BackSurface.Width(), g.BackSurface.Height());
        if (LoadScreenPicture(e, names[1], unlocked)) {
            std::lock_guard lock(g.ScreenLock);
            for (const MenuEntry& m : e.menu.Entries()) {
                CopyRect(unlocked, m.left, m.top, m.right - m.left, m.bottom - m.top, g.BackSurface, m.left,
                         m.top);
            }
        }
        e.MessageVisible = 0;
        Present(e);
    }
    e.SetScriptBusy(1);
    LoadScreenPicture(e, names[2], g.WindowLayer);
    WaitForChoice(e, "flagselect", commandLine);
}

bool MenuClick(Engine& e, int xIn, int yIn) {
    const int x = static_cast<int16_t>(xIn);
    const int y = static_cast<int16_t>(yIn);
    std::vector<MenuEntry> entries = e.menu.Entries();
    const MenuEntry* hit = nullptr;
    for (const MenuEntry& m : entries) {
        if (m.Contains(x, y)) {
            hit = &m;
            break;
        }
    }
    if (hit == nullptr) {
        return false;
    }
    if (Holds(hit->label, "*GameLoad")) {
        // The menu stays up behind the load screen and the script thread stays suspended.
        OpenSaveLoad(e, kTitleLoadScreen);
        return true;
    }
    if (Holds(hit->label, "opening")) {
        // The waiting script thread asks for the player's name, then jumps.
        e.menu.SetNameEntryLabel(hit->label);
        if (!e.ResumeScript()) {
            e.menu.TakeNameEntryLabel();
        }
        return true;
    }
    if (JumpToChoice(e, hit->label)) {
        e.ResumeScript();
    }
    return true;
}

}  // namespace textreel
