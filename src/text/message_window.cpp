#include "text/message_window.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/screen.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/little_endian.h"
#include "script/utf8_text.h"
#include "shell/engine.h"
#include "shell/reading_aids.h"
#include "sound/sound.h"
#include "text/draw_glyph.h"
#include "text/line_layout.h"
#include "text/plain_text.h"

namespace textreel {

namespace {

// The font every surface starts with; a line in another size makes its own for the line.
constexpr int kDefaultFontSize = 21;
// The page clear copies this fixed area, laid out for an 800 x 600 screen.
constexpr int kPageWidth = 800;
constexpr int kPageHeight = 600;
// The wait icon's place.
constexpr int kIconX = 750;
constexpr int kIconY = 550;
constexpr int kIconSize = 32;
// The backlog viewer: 25 lines at x 10, the newest at y 520, 20 pixels apart.
constexpr int kBacklogLines = 25;
constexpr int kBacklogX = 10;
constexpr int kBacklogBottomY = 520;
constexpr int kBacklogLineStep = 20;

// One display frame at 60 Hz: how often skip mode shows the page.
constexpr int64_t kSkipFrameMs = 16;

constexpr char kLogoPicture[] = "cg\\menu\\logo.bmp";
constexpr char kLogoSound[] = "sound\\logo.wav";
constexpr int kLogoHoldRounds = 80;

void CopyScreenRect(Engine& e, int x, int y, int w, int h) {
    const Surface& s = e.graphics.ScreenSurface;
    e.platform.BlitToWindow(s.View(), x, y, w, h, x, y);
}

// The wait-icon step draws into ScreenSurface from the main thread; a glyph waits for it to finish
// (at most about a second), as the step is short.
void WaitWhileIconBusy(Engine& e) {
    for (int i = 0; i < 1001 && e.text.iconBusy != 0 && !e.Quitting(); ++i) {
        e.SleepFor(1);
    }
}

// Cursor arithmetic that cannot overflow, whatever font size a scenario asks for.
int32_t Advance(int32_t position, int64_t by) {
    int64_t next = static_cast<int64_t>(position) + by;
    return static_cast<int32_t>(std::clamp<int64_t>(next, -1000000000, 1000000000));
}

// The most rows of text a page keeps track of for the overdraw check; a page holds far fewer.
constexpr size_t kInkedRowsMax = 256;

bool IsBlankChar(const LineChar& c, TextEncoding encoding) {
    return c.kind == CharKind::kSpace || c.code == (encoding == TextEncoding::kShiftJis ? 0x8140u : 0x3000u);
}

// The cells of a laid-out line, one rectangle per row from its first to its last character that
// is not blank.
std::vector<InkedRow> LineCells(const LineLayout& layout, TextEncoding encoding, int32_t startY, int size) {
    std::vector<InkedRow> rows;
    const int64_t rowStep = int64_t{size} + 6;
    for (size_t i = 0; i < layout.chars.size(); ++i) {
        const LineChar& c = layout.chars[i];
        const CharPlace& place = layout.places[i];
        if (!place.shown || IsBlankChar(c, encoding)) {
            continue;
        }
        int32_t top = Advance(startY, rowStep * place.row);
        int32_t right = Advance(place.x, std::max<int32_t>(c.advance, 1));
        if (rows.empty() || rows.back().top != top) {
            rows.push_back({place.x, top, right, Advance(top, size), 0, 0});
        } else {
            rows.back().left = std::min(rows.back().left, place.x);
            rows.back().right = std::max(rows.back().right, right);
        }
    }
    return rows;
}

// A digest of the pixels of a rectangle of the surface (clipped to it).
uint64_t PixelDigest(const Surface& s, const InkedRow& r) {
    uint64_t h = 1469598103934665603ull;
    const int left = std::clamp(r.left, 0, s.Width());
    const int right = std::clamp(r.right, left, s.Width());
    const int top = std::clamp(r.top, 0, s.Height());
    const int bottom = std::clamp(r.bottom, top, s.Height());
    for (int y = top; y < bottom; ++y) {
        const uint8_t* row = s.RowTop(y) + static_cast<size_t>(left) * 3;
        for (size_t i = 0, n = static_cast<size_t>(right - left) * 3; i < n; ++i) {
            h = (h ^ row[i]) * 1099511628211ull;
        }
    }
    return h;
}

bool Overlap(const InkedRow& a, const InkedRow& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// The scenario position of a line whose text the new rows would land on while it is still on the
// page (its pixels unchanged since it was drawn), or UINT32_MAX. ScreenLock is held.
uint32_t TextUnder(const TextState& t, const Surface& screen, const std::vector<InkedRow>& rows) {
    for (const InkedRow& old : t.inkedRows) {
        for (const InkedRow& now : rows) {
            if (Overlap(old, now) && PixelDigest(screen, old) == old.digest) {
                return old.readPos;
            }
        }
    }
    return UINT32_MAX;
}

// Waits until deadline; returns false when a return to the title (or closing) cut the wait short.
bool CharacterDelay(Engine& e, int64_t deadline) {
    for (;;) {
        if (e.ResetRequest != 0 || e.Quitting()) {
            return false;
        }
        uint64_t token = e.clock.WakeToken();
        if (e.ResetRequest != 0) {
            return false;
        }
        if (e.clock.NowMs() >= deadline) {
            return true;
        }
        e.clock.SleepUntil(deadline, token);
    }
}

// A backlog line cut into the rows of the viewer, as the message window cuts it.
std::vector<std::string> BacklogRows(Engine& e, const std::string& text) {
    std::vector<LineChar> chars;
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    SplitLine(bytes, static_cast<int>(text.size()), e.titleSettings.encoding, chars);
    for (LineChar& c : chars) {
        c.advance =
            e.glyphs
                ? std::max(0, e.glyphs->Advance(kDefaultFontSize, GlyphCode(c, e.titleSettings.encoding)))
                : kDefaultFontSize / 2;
    }
    RowBreaking how;
    how.startX = kBacklogX;
    how.originX = kBacklogX;
    // The last character of a row may start at the limit: it must still end inside the screen.
    how.wrapLimit = e.graphics.ScreenSurface.Width() - kBacklogX - kDefaultFontSize;
    how.mode = WrapMode::kWords;
    std::vector<CharPlace> places;
    BreakRows(chars, how, places);
    std::vector<std::string> rows = RowTexts(bytes, chars, places);
    if (rows.empty()) {
        rows.emplace_back();
    }
    return rows;
}

// The viewer of a title that wraps at words: its lines wrap too, and a page holds 25 rows. The
// page ends at backlogBottom (the slot after the newest line shown) and reaches up as far as whole
// lines fit; backlogPosition is its oldest line.
void DrawWrappedBacklogPage(Engine& e, int direction) {
    TextState& t = e.text;
    const int n = e.backlog.Next();
    int bottom = t.backlogBottom;
    if (direction == 0) {
        if (t.backlogPosition == 0) {
            return;  // nothing older is left
        }
        bottom = t.backlogPosition;
    } else {
        // The page after the one shown: as many lines after it as fit.
        int rows = 0;
        int next = bottom;
        while (next < n) {
            int more = static_cast<int>(BacklogRows(e, e.backlog.Slot(next)).size());
            if (next > bottom && rows + more > kBacklogLines) {
                break;
            }
            rows += more;
            ++next;
        }
        bottom = next;
    }
    GraphicsState& g = e.graphics;
    std::lock_guard lock(g.ScreenLock);
    CopyWhole(g.CleanBackground, g.ScreenSurface);
    int used = 0;
    int p = bottom;
    while (p > 0) {
        std::vector<std::string> rows = BacklogRows(e, e.backlog.Slot(p - 1));
        const int count = static_cast<int>(rows.size());
        if (used > 0 && used + count > kBacklogLines) {
            break;
        }
        for (int r = 0; r < count && used + (count - 1 - r) < kBacklogLines; ++r) {
            int place = used + (count - 1 - r);
            if (e.glyphs) {
                DrawPlainText(*e.glyphs, g.ScreenSurface, kDefaultFontSize, kBacklogX,
                              kBacklogBottomY - kBacklogLineStep * place, rows[static_cast<size_t>(r)],
                              e.titleSettings.encoding, e.latinGlyphs.get());
            }
        }
        used += count;
        --p;
    }
    t.backlogPosition = p;
    t.backlogBottom = bottom;
    CopyScreenToWindow(e);
}

// Redraws the backlog viewer's page in the given direction.
void DrawBacklogPage(Engine& e, int direction) {
    if (e.titleSettings.wrap == WrapMode::kWords) {
        DrawWrappedBacklogPage(e, direction);
        return;
    }
    TextState& t = e.text;
    int n = e.backlog.Next();
    int p = t.backlogPosition;
    if (direction == 0 && p == 0) {
        return;  // nothing older is left
    }
    if (direction == 1) {
        p = std::min(p + 50, n);
    }
    GraphicsState& g = e.graphics;
    std::lock_guard lock(g.ScreenLock);
    CopyWhole(g.CleanBackground, g.ScreenSurface);
    for (int k = 0; k < kBacklogLines && p > 0; ++k) {
        --p;
        if (e.glyphs) {
            DrawPlainText(*e.glyphs, g.ScreenSurface, kDefaultFontSize, kBacklogX,
                          kBacklogBottomY - kBacklogLineStep * k, e.backlog.Slot(p), e.titleSettings.encoding,
                          e.latinGlyphs.get());
        }
    }
    t.backlogPosition = p;
    CopyScreenToWindow(e);
}

}  // namespace

void LayOutLine(Engine& e, const uint8_t* bytes, int length, int fontSize, LineLayout& layout) {
    const TextState& t = e.text;
    const TextEncoding encoding = e.titleSettings.encoding;
    SplitLine(bytes, length, encoding, layout.chars);
    GlyphSource* latin = e.latinGlyphs.get();
    const size_t count = layout.chars.size();
    for (size_t i = 0; i < count; ++i) {
        LineChar& c = layout.chars[i];
        c.advance = c.halfWidth ? fontSize / 2 : fontSize - 1;
    }
    if (latin != nullptr) {
        SetLatinAdvances(layout.chars, *latin, fontSize, encoding);
    }
    RowBreaking how;
    how.startX = t.TextCursor.x;
    how.originX = t.TextOrigin.x;
    how.wrapLimit = t.wrapLimit;
    how.mode = e.titleSettings.wrap;
    BreakRows(layout.chars, how, layout.places, &layout.endX, &layout.endRow);
}

std::vector<std::string> LineRows(Engine& e, const char* line, int length) {
    LineLayout layout;
    const auto* bytes = reinterpret_cast<const uint8_t*>(line);
    LayOutLine(e, bytes, length, e.text.fontSize, layout);
    return RowTexts(bytes, layout.chars, layout.places);
}

int OutputTextLine(Engine& e, const char* line, int length) {
    GraphicsState& g = e.graphics;
    TextState& t = e.text;
    e.SetScriptBusy(1);
    {
        std::lock_guard lock(g.ScreenLock);
        if (e.WaitIconOn != 0) {
            CopyRect(g.WindowLayer, kIconX, kIconY, kIconSize, kIconSize, g.ScreenSurface, kIconX, kIconY);
            e.WaitIconOn = 0;
        }
        if (t.TextCursor.y >= t.pageLimit || e.NewPagePending != 0 || e.MessageDrawn == 0) {
            CopyRect(g.WindowLayer, 0, 0, kPageWidth, kPageHeight, g.ScreenSurface, 0, 0);
            e.NewPagePending = 0;
            t.inkedRows.clear();
            t.TextCursor.y = t.TextOrigin.y.load();
            e.MessageDrawn = 1;
            e.MessageVisible = 1;
        }
    }
    // The size and colour are taken once: a change takes effect from the next line.
    const int size = t.fontSize;
    const uint32_t colour = t.fontColor;
    const auto* bytes = reinterpret_cast<const uint8_t*>(line);
    // One layout per thread, reused from line to line.
    thread_local LineLayout layout;
    LayOutLine(e, bytes, length, size, layout);
    const int32_t startY = t.TextCursor.y;
    const TextEncoding encoding = e.titleSettings.encoding;
    // A watcher (the explorer) is told of a line whose glyphs land on text drawn since the page was
    // last cleared, such as a line after a jump that follows a click wait instead of a page break.
    std::vector<InkedRow> cells;
    if (e.trace.Observed()) {
        cells = LineCells(layout, encoding, startY, size);
        uint32_t under = UINT32_MAX;
        {
            std::lock_guard lock(g.ScreenLock);
            under = TextUnder(t, g.ScreenSurface, cells);
        }
        if (under != UINT32_MAX) {
            e.trace.Note("text-over-text", {{"under", int64_t{under}}});
        }
    }
    GlyphSource* latin = e.latinGlyphs.get();
    // Proportional Latin letters stand on the message font's baseline.
    const int baseline = latin != nullptr && e.glyphs ? e.glyphs->Ascent(size) : 0;
    const int64_t rowStep = int64_t{size} + 6;
    auto rowY = [&](int32_t row) { return Advance(startY, rowStep * row); };
    const size_t count = layout.chars.size();
    for (size_t i = 0; i < count; ++i) {
        const LineChar& c = layout.chars[i];
        const CharPlace& place = layout.places[i];
        if (!place.shown) {
            continue;
        }
        int64_t started = e.clock.NowMs();
        int x = place.x;
        int y = rowY(place.row);
        WaitWhileIconBusy(e);
        if (c.halfWidth && latin != nullptr) {
            std::lock_guard lock(g.ScreenLock);
            DrawGlyphAtPen(*latin, g.ScreenSurface, size, x, Advance(y, baseline), GlyphCode(c, encoding),
                           colour);
        } else if (e.glyphs) {
            std::lock_guard lock(g.ScreenLock);
            DrawGlyphCode(*e.glyphs, g.ScreenSurface, size, c.halfWidth ? x - 4 : x, y,
                          GlyphCode(c, encoding), colour);
        }
        // The cursor stands where the next character goes, as the reset request may leave it there.
        if (i + 1 < count) {
            t.TextCursor.Set(layout.places[i + 1].x, rowY(layout.places[i + 1].row));
        } else {
            t.TextCursor.Set(layout.endX, rowY(layout.endRow));
        }
        // The speed is read afresh for every character: skip mode starting mid-line shows the rest
        // at once.
        int32_t speed = e.env.SpeedInUse();
        if (speed != 0) {
            {
                std::lock_guard lock(g.ScreenLock);
                CopyScreenToWindow(e);
            }
            if (!CharacterDelay(e, started + speed)) {
                e.ResetRequest = 0;
                e.SetScriptBusy(0);
                return 0;
            }
        }
    }
    t.TextCursor.Set(layout.endX, rowY(layout.endRow));
    if (!cells.empty()) {
        std::lock_guard lock(g.ScreenLock);
        const uint32_t readPos = e.scenario.ReadPos;
        for (InkedRow& row : cells) {
            row.digest = PixelDigest(g.ScreenSurface, row);
            row.readPos = readPos;
        }
        if (t.inkedRows.size() + cells.size() > kInkedRowsMax) {
            t.inkedRows.clear();
        }
        t.inkedRows.insert(t.inkedRows.end(), cells.begin(), cells.end());
    }
    ShowPage(e);
    t.LineEndCursor.Set(t.TextCursor);
    t.TextCursor.Set(t.TextOrigin.x, Advance(t.TextCursor.y, int64_t{size} + 6));
    e.SetScriptBusy(0);
    return 1;
}

void ShowPage(Engine& e) {
    TextState& t = e.text;
    if (e.AdvanceMode == 1) {
        int64_t now = e.clock.NowMs();
        if (now < t.nextSkipCopyMs) {
            t.pageUnshown = 1;
            return;
        }
        t.nextSkipCopyMs = now + kSkipFrameMs;
    }
    t.pageUnshown = 0;
    CopyScreenToWindow(e);
}

void ShowPendingPage(Engine& e) {
    if (e.text.pageUnshown.exchange(0) != 0) {
        CopyScreenToWindow(e);
    }
}

void WaitIconStep(Engine& e) {
    if (e.WaitIconOn == 0) {
        return;
    }
    GraphicsState& g = e.graphics;
    TextState& t = e.text;
    std::lock_guard lock(g.ScreenLock);
    t.iconBusy = 1;
    int frame = t.iconFrame;
    CopyRect(g.WaitIconSurface, 0, kIconSize * frame, kIconSize, kIconSize, g.ScreenSurface, kIconX, kIconY);
    t.iconFrame = frame == 0 ? 1 : 0;
    CopyScreenRect(e, kIconX, kIconY, kIconSize, kIconSize);
    t.iconBusy = 0;
}

int BacklogStep(Engine& e, int direction) {
    GraphicsState& g = e.graphics;
    int32_t state = e.UiState;
    if (state == 0) {
        int n = e.backlog.Next();
        if (n == 0) {
            return 0;
        }
        e.text.backlogPosition = n;
        e.text.backlogBottom = n;
        e.WaitIconOn = 0;
        e.UiState = 100;
        {
            std::lock_guard lock(g.ScreenLock);
            CopyWhole(g.ScreenSurface, g.CleanBackground);
        }
        DrawBacklogPage(e, direction);
        return 1;
    }
    if (state == 100) {
        const bool newest = e.titleSettings.wrap == WrapMode::kWords
                                ? e.text.backlogBottom >= e.backlog.Next()
                                : e.text.backlogPosition + kBacklogLines >= e.backlog.Next();
        if (direction == 1 && newest) {
            LeaveBacklogView(e);
            return 1;
        }
        DrawBacklogPage(e, direction);
        return 1;
    }
    return 0;
}

void LeaveBacklogView(Engine& e) {
    GraphicsState& g = e.graphics;
    {
        std::lock_guard lock(g.ScreenLock);
        CopyWhole(g.CleanBackground, g.ScreenSurface);
        CopyScreenToWindow(e);
    }
    e.UiState = 0;
    e.WaitIconOn = 1;
    e.NotifyStateChange();
}

int ShowLogo(Engine& e) {
    GraphicsState& g = e.graphics;
    const int w = g.ScreenSurface.Width();
    const int h = g.ScreenSurface.Height();
    {
        std::lock_guard lock(g.ScreenLock);
        g.ScreenSurface.FillRect(0, 0, w, h, 0);
    }
    std::vector<uint8_t> file;
    auto path = e.ResolvePath(kLogoPicture);
    uint32_t offset = 0;
    bool readable = path && files::ReadAll(*path, file) && file.size() >= 14;
    if (readable) {
        offset = ReadLe32(file.data() + 10);
        readable = offset < file.size();
    }
    if (!readable) {
        std::string shown = e.workDir + kLogoPicture;
        std::replace(shown.begin() + static_cast<std::ptrdiff_t>(e.workDir.size()), shown.end(), '\\', '/');
        e.Warn(ValidUtf8(shown));
        return 0;
    }
    {
        // The picture is taken as a bottom-up 24-bit picture of exactly the screen's size. A file
        // that ends early shows the rows it holds; the rest stays black.
        std::lock_guard lock(g.ScreenLock);
        Surface& work = g.WorkPixels;
        work.FillRect(0, 0, work.Width(), work.Height(), 0);
        size_t available = file.size() - offset;
        size_t stride = static_cast<size_t>(work.Stride());
        for (int row = 0; row < h; ++row) {
            size_t at = static_cast<size_t>(row) * stride;
            if (at >= available) {
                break;
            }
            size_t n = std::min(stride, available - at);
            std::memcpy(work.Pixels() + at, file.data() + offset + at, n);
        }
        CopyWhole(work, g.BackSurface);
    }
    PlayInterfaceSound(e, kLogoSound);
    {
        std::lock_guard lock(g.ScreenLock);
        CopyWhole(g.BackSurface, g.ScreenSurface);
    }
    // The comb wipe: teeth five pixels wide sweep in from both sides until they cross.
    for (int x = 0; x < w && !e.Quitting(); x += 10) {
        int64_t started = e.clock.NowMs();
        {
            std::lock_guard lock(g.ScreenLock);
            CopyScreenRect(e, x, 0, 5, h);
            CopyScreenRect(e, w - x - 5, 0, 5, h);
        }
        e.platform.PresentIfChanged();
        e.SleepUntil(started + 7);
    }
    CopyScreenToWindow(e);
    for (int round = 0; round < kLogoHoldRounds && !e.Quitting(); ++round) {
        InputEvent event;
        if (e.TakePendingInput(event)) {
            if (event.kind == InputEvent::Kind::kCloseRequest) {
                e.RequestClose();
                break;
            }
            // V and Shift+C pressed during the logo are kept.
            const bool aid = ReadingAidKey(e, event);
            if (!aid && event.kind == InputEvent::Kind::kButtonUp &&
                event.button == InputEvent::kRightButton) {
                StopInterfaceSound(e);
                break;
            }
        }
        CopyScreenToWindow(e);
        e.platform.PresentIfChanged();
        e.SleepFor(20);
    }
    return 1;
}

}  // namespace textreel
