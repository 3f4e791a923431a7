// The save and load screens on the main thread; the script thread stays suspended while one is open.
#include "saveload/save_load_screen.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "access/spoken_text.h"
#include "graphics/masked_blend.h"
#include "graphics/png_loader.h"
#include "graphics/screen.h"
#include "platform/files.h"
#include "script/save_file.h"
#include "shell/engine.h"
#include "shell/messages.h"
#include "sound/sound.h"
#include "text/draw_glyph.h"
#include "text/line_layout.h"

namespace textreel {

namespace {

struct SlotRect {
    int left, top, right, bottom;
    bool Contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

constexpr SlotRect kSlots[13] = {
    {41, 97, 280, 130},   {41, 176, 373, 217},  {41, 239, 373, 280},  {41, 302, 373, 343},
    {41, 365, 373, 406},  {41, 428, 373, 469},  {41, 492, 373, 531},  {406, 176, 737, 217},
    {406, 239, 737, 280}, {406, 302, 737, 343}, {406, 365, 737, 406}, {406, 428, 737, 469},
    {406, 492, 737, 531},
};

constexpr int kSlotFontSize = 17;

const char* OffPicture(int mode) {
    return mode == kSaveScreen ? "cg\\menu\\save_off.png" : "cg\\menu\\load_off.png";
}
const char* OnPicture(int mode) {
    return mode == kSaveScreen ? "cg\\menu\\save_on.png" : "cg\\menu\\load_on.png";
}

bool LoadMasked(Engine& e, const char* name, Surface& out) {
    DecodedPng png;
    PngResult result = PngResult::kMissing;
    if (auto path = files::Resolve(name)) {
        result = LoadPng(*path, png);
    }
    if (result != PngResult::kOk) {
        e.trace.Note("picture-failed", {{"path", e.Title(name).ToUtf8()}});
        e.MessageBox(e.Text(msg::kPictureLoadFailed), msg::kPictureCaption);
        return false;
    }
    out = ToSurface(png);
    return true;
}

// Slot text in the slot font (the gothic at weight 600).
void DrawText(Engine& e, Surface& surface, int x, int y, const std::string& sjis, uint32_t colour) {
    GlyphSource* glyphs = e.slotGlyphs ? e.slotGlyphs.get() : e.glyphs.get();
    if (glyphs == nullptr) {
        return;
    }
    // The slot title is the title's own text: Shift-JIS, or UTF-8 when textreel.ini says so.
    const TextEncoding encoding = e.titleSettings.encoding;
    std::vector<LineChar> chars;
    SplitLine(reinterpret_cast<const uint8_t*>(sjis.data()), static_cast<int>(sjis.size()), encoding, chars);
    // A translation with proportional Latin draws half-width letters from the Latin face.
    GlyphSource* latin = e.latinGlyphs.get();
    if (latin != nullptr) {
        SetLatinAdvances(chars, *latin, kSlotFontSize, encoding);
    }
    const int baseline = y + glyphs->Ascent(kSlotFontSize);
    for (const LineChar& c : chars) {
        const uint32_t code = GlyphCode(c, encoding);
        if (c.halfWidth && latin != nullptr) {
            DrawGlyphAtPen(*latin, surface, kSlotFontSize, x, baseline, code, colour);
            x += c.advance;
            continue;
        }
        DrawGlyphCode(*glyphs, surface, kSlotFontSize, x, y, code, colour);
        x += glyphs->Advance(kSlotFontSize, code);
    }
}

// The slot texts on both looks of the screen: a black shadow two pixels down and right, then white.
void DrawSlotTexts(Engine& e, int mode) {
    GraphicsState& g = e.graphics;
    e.saveLoad.active[0] = true;
    for (int n = 1; n <= kLastSaveSlot; ++n) {
        std::string date;
        std::string title;
        e.saveLoad.active[static_cast<size_t>(n)] = ReadSlotSummary(e, n, date, title);
        const SlotRect& r = kSlots[n];
        for (Surface* s : {&g.BackSurface, &g.WindowLayer}) {
            DrawText(e, *s, r.left + 17, r.top + 5, date, 0x000000);
            DrawText(e, *s, r.left + 15, r.top + 3, date, 0xffffff);
            DrawText(e, *s, r.left + 17, r.top + 22, title, 0x000000);
            DrawText(e, *s, r.left + 15, r.top + 20, title, 0xffffff);
        }
    }
    if (mode == kSaveScreen) {
        e.saveLoad.active.fill(true);
    }
}

// Both looks of the screen over the game picture: the plain one into BackSurface, the highlighted
// one into WindowLayer.
void BuildLooks(Engine& e, const Surface& game, const Surface& off, const Surface& on, int mode) {
    GraphicsState& g = e.graphics;
    std::lock_guard lock(g.ScreenLock);
    CopyWhole(game, g.BackSurface);
    BlendMaskedPicture(g.BackSurface, 0, 0, off, 255);
    CopyWhole(game, g.WindowLayer);
    BlendMaskedPicture(g.WindowLayer, 0, 0, on, 255);
    DrawSlotTexts(e, mode);
}

void TraceScreen(Engine& e, const char* what, int mode) {
    e.trace.Event("screen", {{"action", std::string(what)}, {"mode", int64_t{mode}}});
}

// Back to the game picture with a fade of nine steps of 50 ms.
void CloseScreen(Engine& e) {
    GraphicsState& g = e.graphics;
    SaveLoadState& s = e.saveLoad;
    e.SetScriptBusy(1);
    Surface fade;
    {
        std::lock_guard lock(g.ScreenLock);
        fade = g.ScreenSurface;
        CopyWhole(g.CleanBackground, g.WorkPixels);
        CopyWhole(g.CleanBackground, g.ScreenSurface);
        CopyWhole(s.savedBack, g.BackSurface);
        CopyWhole(s.savedLayer, g.WindowLayer);
        CopyWhole(g.BackSurface, g.CleanBackground);
    }
    if (s.previousUiState == 0) {
        e.WaitIconOn = 1;
    }
    for (int k = 8; k <= 16 && !e.Quitting(); ++k) {
        int64_t noted = e.clock.NowMs();
        {
            std::lock_guard lock(g.ScreenLock);
            size_t n = std::min(fade.ByteSize(), g.WorkPixels.ByteSize());
            FadeStep(fade.Pixels(), g.WorkPixels.ReadPixels(), n, k);
            OverwriteWhole(fade, g.ScreenSurface);
            CopyScreenToWindow(e);
        }
        e.SleepUntil(noted + 50);
    }
    {
        std::lock_guard lock(g.ScreenLock);
        CopyWhole(g.CleanBackground, g.WorkPixels);
    }
    ReleaseSaveLoad(e);
    int mode = e.UiState;
    e.UiState = s.previousUiState;
    TraceScreen(e, "close", mode);
    e.SetScriptBusy(0);
}

}  // namespace

void FadeStep(uint8_t* picture, const uint8_t* target, size_t n, int k) {
    const int weight = k * k;
    for (size_t i = 0; i < n; ++i) {
        picture[i] = static_cast<uint8_t>((weight * target[i] + (256 - weight) * picture[i]) >> 8);
    }
}

bool ReadSlotSummary(Engine& e, int slot, std::string& date, std::string& title) {
    date = "--/--/--";
    title = "None";
    std::string folder;
    if (!e.EnsureSaveFolder(false, &folder)) {
        return false;
    }
    std::string name = SaveFileName(slot);
    std::optional<std::string> path = e.SaveFilePath(folder, name.c_str(), false);
    std::vector<uint8_t> bytes;
    if (!path || !files::ReadAll(*path, bytes, 1u << 20)) {
        return false;
    }
    FlagBlock block;
    std::copy_n(bytes.begin(), std::min(bytes.size(), FlagBlock::kSize), block.bytes.begin());
    title = std::string(block.Text(FlagBlock::kTitle, FlagBlock::kTitleSize));
    files::LocalTime t{};
    if (!files::ModifiedTime(*path, t)) {
        return false;
    }
    char text[64];
    std::snprintf(text, sizeof(text), "%02d/%02d/%02d %02d:%02d", t.year, t.month, t.day, t.hour, t.minute);
    date = text;
    return true;
}

bool OpenSaveLoad(Engine& e, int mode) {
    GraphicsState& g = e.graphics;
    Surface off;
    Surface on;
    // Both pictures first: a screen that cannot be drawn does not open.
    if (!LoadMasked(e, OffPicture(mode), off) || !LoadMasked(e, OnPicture(mode), on)) {
        return false;
    }
    e.SetScriptBusy(1);
    e.WaitIconOn = 0;
    Surface game;
    {
        std::lock_guard lock(g.ScreenLock);
        e.saveLoad.savedBack = g.BackSurface;
        e.saveLoad.savedLayer = g.WindowLayer;
        e.saveLoad.holding = true;
        CopyWhole(g.ScreenSurface, g.CleanBackground);
        game = g.ScreenSurface;
    }
    BuildLooks(e, game, off, on, mode);
    Present(e);
    e.saveLoad.previousUiState = e.UiState;
    e.UiState = mode;
    e.lastHoveredSlot = 99;
    TraceScreen(e, "open", mode);
    e.SetScriptBusy(0);
    return true;
}

std::vector<FocusRect> SaveLoadFocusEntries(Engine& e) {
    std::vector<FocusRect> entries;
    for (int i = 0; i < 13; ++i) {
        if (e.saveLoad.active[static_cast<size_t>(i)]) {
            const SlotRect& r = kSlots[i];
            entries.push_back({r.left, r.top, r.right, r.bottom, i});
        }
    }
    return entries;
}

namespace {

// Self-voicing says the entry the pointer reached: a slot with its date and title, or the return
// button (entry 0).
void SpeakSlot(Engine& e, int entry) {
    if (!e.access->SpeechOn()) {
        return;
    }
    if (entry == 0) {
        e.access->Say(SpokenReturnButton());
        return;
    }
    std::string date;
    std::string title;
    const bool filled = ReadSlotSummary(e, entry, date, title);
    e.access->Say(SpokenSlot(entry, filled, date, e.Title(title).ToUtf8()));
}

}  // namespace

void SaveLoadHover(Engine& e, int x, int y) {
    GraphicsState& g = e.graphics;
    int under = 99;
    bool playMove = false;
    {
        std::lock_guard lock(g.ScreenLock);
        for (int i = 0; i < 13; ++i) {
            if (!e.saveLoad.active[static_cast<size_t>(i)]) {
                continue;
            }
            const SlotRect& r = kSlots[i];
            bool inside = r.Contains(x, y);
            const Surface& look = inside ? g.WindowLayer : g.BackSurface;
            CopyRect(look, r.left, r.top, r.right - r.left + 1, r.bottom - r.top + 1, g.ScreenSurface, r.left,
                     r.top);
            if (inside && under == 99) {
                under = i;
            }
        }
        playMove = under != 99 && under != e.lastHoveredSlot;
        e.lastHoveredSlot = under;
        CopyScreenToWindow(e);
    }
    if (playMove) {
        PlayInterfaceSound(e, "sound\\move.wav");
        SpeakSlot(e, under);
    }
}

void SaveLoadClick(Engine& e, int xIn, int yIn) {
    const int x = static_cast<int16_t>(xIn);
    const int y = static_cast<int16_t>(yIn);
    int hit = -1;
    for (int i = 0; i < 13; ++i) {
        if (e.saveLoad.active[static_cast<size_t>(i)] && kSlots[i].Contains(x, y)) {
            hit = i;
            break;
        }
    }
    if (hit < 0) {
        return;
    }
    if (hit == 0) {
        CloseScreen(e);
        return;
    }
    int mode = e.UiState;
    if (mode == kSaveScreen) {
        SaveGame(e, hit);
        Surface off;
        Surface on;
        if (LoadMasked(e, OffPicture(mode), off) && LoadMasked(e, OnPicture(mode), on)) {
            Surface game;
            {
                std::lock_guard lock(e.graphics.ScreenLock);
                game = e.graphics.CleanBackground;
            }
            BuildLooks(e, game, off, on, mode);
        }
        // The new date and title show at once, not only once the pointer moves.
        int px = x;
        int py = y;
        e.platform.CursorPosition(px, py);
        SaveLoadHover(e, px, py);
        e.NotifyStateChange();
        return;
    }
    // Loading rebuilds the game screen itself; the kept pictures are let go.
    {
        std::lock_guard lock(e.graphics.ScreenLock);
        CopyWhole(e.saveLoad.savedBack, e.graphics.BackSurface);
        CopyWhole(e.saveLoad.savedLayer, e.graphics.WindowLayer);
    }
    if (!LoadGame(e, hit)) {
        // The screen stays open: its looks are drawn again over the game picture.
        Surface off;
        Surface on;
        if (LoadMasked(e, OffPicture(mode), off) && LoadMasked(e, OnPicture(mode), on)) {
            BuildLooks(e, e.graphics.CleanBackground, off, on, mode);
        }
        return;
    }
    TraceScreen(e, "close", mode);
    ReleaseSaveLoad(e);
}

void ReleaseSaveLoad(Engine& e) {
    e.saveLoad.savedBack.Release();
    e.saveLoad.savedLayer.Release();
    e.saveLoad.holding = false;
}

}  // namespace textreel
