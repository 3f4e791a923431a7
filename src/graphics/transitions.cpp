#include "graphics/transitions.h"

#include "platform/little_endian.h"

#include <algorithm>
#include <new>
#include <optional>
#include <random>
#include <string>
#include <thread>

#include "graphics/surface.h"
#include "platform/files.h"
#include "shell/engine.h"
#include "shell/messages.h"

namespace textreel {

namespace {

using ScreenGuard = std::lock_guard<std::recursive_mutex>;

// The most steps a cross-fade takes. Depths above 256 mix nothing in (every step shows the old
// picture), so longer runs would only freeze the screen.
constexpr int kMaxFadeSteps = 257;

// One run of a transition or screen effect: the engine, the screen size and the pacing. Once the
// program starts closing every wait returns at once and the transitions skip their remaining steps.
class TransitionRun {
  public:
    explicit TransitionRun(Engine& engine)
        : e(engine),
          g(engine.graphics),
          W(engine.graphics.ScreenSurface.Width()),
          H(engine.graphics.ScreenSurface.Height()) {}

    Engine& e;
    GraphicsState& g;
    const int W;
    const int H;

    int64_t Now() { return e.clock.NowMs(); }

    // Sleeps until the clock reaches deadline; false once the program is closing.
    bool PaceUntil(int64_t deadline) {
        if (!closing_ && !e.SleepUntil(deadline)) {
            closing_ = true;
        }
        return !closing_;
    }
    bool SleepFor(int64_t ms) { return PaceUntil(Now() + ms); }
    // Lets other threads run between unpaced steps; false once the program is closing.
    bool Yield() {
        if (!closing_ && e.Quitting()) {
            closing_ = true;
        }
        if (!closing_) {
            std::this_thread::yield();
        }
        return !closing_;
    }
    bool Closing() const { return closing_; }

    void ToWindow(const Surface& source, int sx, int sy, int w, int h, int dx, int dy) {
        e.platform.BlitToWindow(source.View(), sx, sy, w, h, dx, dy);
    }
    // Copies a rectangle of ScreenSurface to the same place in the window.
    void ScreenToWindow(int x, int y, int w, int h) { ToWindow(g.ScreenSurface, x, y, w, h, x, y); }
    void WholeScreenToWindow() { ScreenToWindow(0, 0, W, H); }
    void BackToScreen() { CopyWhole(g.BackSurface, g.ScreenSurface); }

  private:
    bool closing_ = false;
};

size_t ScreenBytes(const GraphicsState& g) {
    return std::min({g.ScreenSurface.ByteSize(), g.BackSurface.ByteSize(), g.WorkPixels.ByteSize()});
}

void Cut(TransitionRun& r) {
    ScreenGuard lock(r.g.ScreenLock);
    r.BackToScreen();
    r.WholeScreenToWindow();
}

// Effects 2 and 3: bands every 10 pixels that grow by one pixel per step.
void Blinds(TransitionRun& r, bool vertical) {
    {
        ScreenGuard lock(r.g.ScreenLock);
        r.BackToScreen();
    }
    for (int i = 0; i <= 10; ++i) {
        int64_t start = r.Now();
        {
            ScreenGuard lock(r.g.ScreenLock);
            if (vertical) {
                for (int x = 0; x < r.W; x += 10) {
                    r.ScreenToWindow(x, 0, i, r.H);
                }
            } else {
                // Only whole bands: the rows below the last multiple of 10 are not drawn.
                for (int band = 0; band < r.H / 10; ++band) {
                    r.ScreenToWindow(0, band * 10, r.W, i);
                }
            }
        }
        if (!r.PaceUntil(start + 30)) {
            return;
        }
    }
}

// Effect 4. The new pixels come from BackSurface, the picture the screen has to end with: WorkPixels
// equals it after the picture commands, but not after a menu drawn straight onto BackSurface.
void OrderedDissolve(TransitionRun& r) {
    Surface buffer;
    {
        ScreenGuard lock(r.g.ScreenLock);
        buffer = r.g.ScreenSurface;
    }
    for (int s = 0; s < 4; ++s) {
        for (int j = 0; j < 4; ++j) {
            int64_t start = r.Now();
            {
                ScreenGuard lock(r.g.ScreenLock);
                DissolveStep(r.g.BackSurface, buffer, s, j);
                OverwriteWhole(buffer, r.g.ScreenSurface);
                r.WholeScreenToWindow();
            }
            if (!r.PaceUntil(start + 40)) {
                return;
            }
        }
    }
}

// Effect 5: the picture opens out from a narrow band. The band's arithmetic is laid out for a
// 640-pixel-wide screen; the final copy completes any width.
void StretchOpen(TransitionRun& r) {
    {
        ScreenGuard lock(r.g.ScreenLock);
        r.BackToScreen();
    }
    for (int n = 1; n <= 10; ++n) {
        int64_t start = r.Now();
        {
            ScreenGuard lock(r.g.ScreenLock);
            r.e.platform.StretchToWindow(r.g.ScreenSurface.View(), 320 - 32 * n, 0, r.W - 640 + 64 * n, r.H);
        }
        if (!r.PaceUntil(start + 10)) {
            return;
        }
    }
    ScreenGuard lock(r.g.ScreenLock);
    r.WholeScreenToWindow();
}

// Effect 6: 20 x 20 tiles uncovered along a diagonal. The top row leads, rows 1 to 10 follow one
// tile behind each other, and the rows below lag one tile more. At 640 x 480 this is 32 x 24 tiles
// in 56 steps; other sizes take as many tiles and steps as reach the last one.
void DiagonalTiles(TransitionRun& r) {
    {
        ScreenGuard lock(r.g.ScreenLock);
        r.BackToScreen();
    }
    constexpr int kTile = 20;
    const int columns = (r.W + kTile - 1) / kTile;
    const int rows = (r.H + kTile - 1) / kTile;
    auto lag = [](int row) { return row == 0 ? 0 : row <= 10 ? row : row + 1; };
    const int steps = rows > 0 && columns > 0 ? columns + lag(rows - 1) : 0;
    for (int i = 0; i < steps; ++i) {
        int64_t start = r.Now();
        {
            ScreenGuard lock(r.g.ScreenLock);
            r.ScreenToWindow(kTile * i, 0, kTile, kTile);
            if (i == 0) {
                r.ScreenToWindow(0, 0, kTile, kTile);
            }
            for (int row = 1; row < rows && row <= i; ++row) {
                r.ScreenToWindow(kTile * (i - lag(row)), kTile * row, kTile, kTile);
            }
        }
        if (!r.PaceUntil(start + 20)) {
            return;
        }
    }
}

// Effect 7: every row sweeps in 5-pixel pieces from its own random start a little left of the
// screen. 160 steps cover a 640-pixel row; wider screens take proportionally more.
void RandomLineSweep(TransitionRun& r) {
    std::mt19937 generator(static_cast<uint32_t>(r.Now()) ^ 0x9E3779B9u);
    std::vector<int> offsets(static_cast<size_t>(std::max(r.H, 0)));
    for (int& offset : offsets) {
        offset = static_cast<int>(generator() & 31u);
    }
    {
        ScreenGuard lock(r.g.ScreenLock);
        r.BackToScreen();
    }
    const int steps = std::max((r.W + 3) / 4, (r.W + 32 + 4) / 5);
    for (int k = 0; k < steps; ++k) {
        int64_t start = r.Now();
        {
            ScreenGuard lock(r.g.ScreenLock);
            for (int y = 0; y < r.H; ++y) {
                int x = offsets[static_cast<size_t>(y)] + 5 * k - 32;
                r.ToWindow(r.g.BackSurface, x, y, 5, 1, x, y);
            }
        }
        if (!r.PaceUntil(start + 2)) {
            return;
        }
    }
    ScreenGuard lock(r.g.ScreenLock);
    r.WholeScreenToWindow();
}

// Effect 8. The depth is the number of steps after the first; a depth below 1 counts as 1 (two
// steps: old, then new). WorkPixels keeps the last mix.
void CrossFade(TransitionRun& r) {
    const int depth = std::max<int>(r.g.alphaDepth, 1);
    const uint32_t stepAlpha = 256u / static_cast<uint32_t>(depth);
    const int steps = std::min(depth, kMaxFadeSteps - 1) + 1;
    Surface old;
    {
        ScreenGuard lock(r.g.ScreenLock);
        old = r.g.ScreenSurface;
    }
    const size_t count = std::min(ScreenBytes(r.g), old.ByteSize());
    for (int i = 0; i < steps; ++i) {
        int64_t start = r.Now();
        {
            ScreenGuard lock(r.g.ScreenLock);
            CrossFadeMix(old.ReadPixels(), r.g.BackSurface.ReadPixels(), r.g.WorkPixels.Pixels(), count,
                         static_cast<uint32_t>(i) * stepAlpha);
            OverwriteWhole(r.g.WorkPixels, r.g.ScreenSurface);
            r.WholeScreenToWindow();
        }
        if (!r.PaceUntil(start + 20)) {
            return;
        }
    }
    // A last step at full weight is the new picture itself: the screen and the working copy then
    // share BackSurface's pixels instead of holding copies of them.
    if (static_cast<uint32_t>(steps - 1) * stepAlpha >= 256u) {
        ScreenGuard lock(r.g.ScreenLock);
        CopyWhole(r.g.BackSurface, r.g.WorkPixels);
        CopyWhole(r.g.BackSurface, r.g.ScreenSurface);
    }
}

// Effects 11 to 14: the old and the new picture side by side on a surface twice the screen's
// height or width, shown at moving offsets of 8 rows or 10 columns per step.
enum class Scroll { kUp, kDown, kLeft, kRight };

void ScrollPictures(TransitionRun& r, Scroll direction) {
    const bool vertical = direction == Scroll::kUp || direction == Scroll::kDown;
    const bool newFirst = direction == Scroll::kDown || direction == Scroll::kRight;
    Surface both(vertical ? r.W : 2 * r.W, vertical ? 2 * r.H : r.H);
    const int secondX = vertical ? 0 : r.W;
    const int secondY = vertical ? r.H : 0;
    {
        ScreenGuard lock(r.g.ScreenLock);
        const Surface& first = newFirst ? r.g.BackSurface : r.g.ScreenSurface;
        const Surface& second = newFirst ? r.g.ScreenSurface : r.g.BackSurface;
        CopyRect(first, 0, 0, r.W, r.H, both, 0, 0);
        CopyRect(second, 0, 0, r.W, r.H, both, secondX, secondY);
    }
    const int distance = vertical ? r.H : r.W;
    const int stride = vertical ? 8 : 10;
    const int steps = (distance + stride - 1) / stride;
    for (int k = 0; k < steps; ++k) {
        int offset = newFirst ? distance - stride * k : stride * k;
        r.ToWindow(both, vertical ? 0 : offset, vertical ? offset : 0, r.W, r.H, 0, 0);
        if (!r.Yield()) {
            return;
        }
    }
    const int endX = newFirst ? 0 : secondX;
    const int endY = newFirst ? 0 : secondY;
    ScreenGuard lock(r.g.ScreenLock);
    CopyRect(both, endX, endY, r.W, r.H, r.g.ScreenSurface, 0, 0);
    r.ToWindow(both, endX, endY, r.W, r.H, 0, 0);
}

// Effects 15 to 18: one row or column at a time, with a 1 ms sleep after each. Wiping up and left
// starts one line outside the screen.
enum class Wipe { kDown, kUp, kRight, kLeft };

void WipeLines(TransitionRun& r, Wipe direction) {
    const bool rows = direction == Wipe::kDown || direction == Wipe::kUp;
    const bool forward = direction == Wipe::kDown || direction == Wipe::kRight;
    const int size = rows ? r.H : r.W;
    const int count = forward ? size : size + 1;
    for (int i = 0; i < count; ++i) {
        int line = forward ? i : size - i;
        {
            ScreenGuard lock(r.g.ScreenLock);
            if (rows) {
                CopyRect(r.g.BackSurface, 0, line, r.W, 1, r.g.ScreenSurface, 0, line);
                r.ScreenToWindow(0, line, r.W, 1);
            } else {
                CopyRect(r.g.BackSurface, line, 0, 1, r.H, r.g.ScreenSurface, line, 0);
                r.ScreenToWindow(line, 0, 1, r.H);
            }
        }
        if (!r.SleepFor(1)) {
            return;
        }
    }
}

// Effects 19 and 20: 5-pixel strips every 10 pixels, closing in from both edges.
void Shutter(TransitionRun& r, bool across) {
    {
        ScreenGuard lock(r.g.ScreenLock);
        r.BackToScreen();
    }
    const int size = across ? r.W : r.H;
    const int stepMs = across ? 7 : 10;
    for (int p = 0; p < size; p += 10) {
        int64_t start = r.Now();
        {
            ScreenGuard lock(r.g.ScreenLock);
            if (across) {
                r.ScreenToWindow(p, 0, 5, r.H);
                r.ScreenToWindow(r.W - p - 5, 0, 5, r.H);
            } else {
                r.ScreenToWindow(0, p, r.W, 5);
                r.ScreenToWindow(0, r.H - p - 5, r.W, 5);
            }
        }
        if (!r.PaceUntil(start + stepMs)) {
            return;
        }
    }
}

// Effect 21. Each step mixes the new picture further into the previous step's result, by more
// where the mask level is higher. A mask that cannot be read is reported and nothing is drawn.
void MaskFade(TransitionRun& r) {
    std::vector<uint8_t> levels;
    Surface buffer;
    const char* failure = nullptr;
    try {
        std::vector<uint8_t> file;
        std::optional<std::string> path = r.e.ResolvePath(r.g.maskName);
        if (!path || !files::ReadAll(*path, file) ||
            !ReadMaskLevels(file, r.W, r.H, r.g.ScreenSurface.Stride(), levels)) {
            failure = msg::kLossParts;
        } else {
            buffer.Create(r.W, r.H);
        }
    } catch (const std::bad_alloc&) {
        failure = msg::kAllocateError;
    }
    if (failure != nullptr) {
        r.e.Warn(std::string(failure));
        return;
    }
    {
        ScreenGuard lock(r.g.ScreenLock);
        CopyWhole(r.g.ScreenSurface, buffer);
        CopyWhole(r.g.BackSurface, r.g.WorkPixels);
    }
    const size_t count = std::min({ScreenBytes(r.g), buffer.ByteSize(), levels.size()});
    for (int level = -256; level <= 256; level += 16) {
        int64_t start = r.Now();
        {
            ScreenGuard lock(r.g.ScreenLock);
            MaskFadeMix(buffer.Pixels(), r.g.WorkPixels.ReadPixels(), levels.data(), count, level);
            OverwriteWhole(buffer, r.g.ScreenSurface);
            r.WholeScreenToWindow();
        }
        if (!r.PaceUntil(start + 20)) {
            return;
        }
    }
}

// The mixes work in blocks of a fixed size, which the compiler turns into vector code; the weights
// of each mix add up to 256, so every sum fits in 16 bits.
constexpr size_t kMixBlock = 32;

inline void CrossFadeBlock(const uint8_t* __restrict oldPixels, const uint8_t* __restrict newPixels,
                           uint8_t* __restrict out, size_t count, uint16_t oldWeight, uint16_t newWeight) {
    for (size_t k = 0; k < count; ++k) {
        uint16_t sum = static_cast<uint16_t>(oldPixels[k] * oldWeight + newPixels[k] * newWeight);
        out[k] = static_cast<uint8_t>(sum >> 8);
    }
}

inline void MaskFadeBlock(uint8_t* __restrict buffer, const uint8_t* __restrict newPixels,
                          const uint8_t* __restrict levels, size_t count, int16_t offset) {
    for (size_t k = 0; k < count; ++k) {
        int16_t a = std::clamp<int16_t>(static_cast<int16_t>(levels[k] + offset), 0, 255);
        uint16_t sum = static_cast<uint16_t>(newPixels[k] * a + buffer[k] * (256 - a));
        buffer[k] = static_cast<uint8_t>(sum >> 8);
    }
}

// Clears ScriptBusy however Present leaves.
class BusyScope {
  public:
    explicit BusyScope(Engine& e) : e_(e) { e_.SetScriptBusy(1); }
    ~BusyScope() { e_.SetScriptBusy(0); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

  private:
    Engine& e_;
};

}  // namespace

int Present(Engine& e) {
    BusyScope busy(e);
    TransitionRun r(e);
    const int32_t effect = e.graphics.effectNumber;
    if (effect == 0) {
        // BackSurface holds the new picture; the screen keeps the old one.
        return 1;
    }
    if (!e.env.ScreenEffectsInUse() || e.QuietReplay != 0) {
        Cut(r);
        return 1;
    }
    switch (effect) {
        case 1:
            Cut(r);
            break;
        case 2:
            Blinds(r, true);
            break;
        case 3:
            Blinds(r, false);
            break;
        case 4:
            OrderedDissolve(r);
            break;
        case 5:
            StretchOpen(r);
            break;
        case 6:
            DiagonalTiles(r);
            break;
        case 7:
            RandomLineSweep(r);
            break;
        case 8:
            CrossFade(r);
            break;
        case 11:
            ScrollPictures(r, Scroll::kUp);
            break;
        case 12:
            ScrollPictures(r, Scroll::kDown);
            break;
        case 13:
            ScrollPictures(r, Scroll::kLeft);
            break;
        case 14:
            ScrollPictures(r, Scroll::kRight);
            break;
        case 15:
            WipeLines(r, Wipe::kDown);
            break;
        case 16:
            WipeLines(r, Wipe::kUp);
            break;
        case 17:
            WipeLines(r, Wipe::kRight);
            break;
        case 18:
            WipeLines(r, Wipe::kLeft);
            break;
        case 19:
            Shutter(r, true);
            break;
        case 20:
            Shutter(r, false);
            break;
        case 21:
            MaskFade(r);
            break;
        default:
            return 0;
    }
    if (r.Closing()) {
        // The program is closing: the picture goes up at once.
        Cut(r);
    }
    return 1;
}

void ScreenEffect(Engine& e, int n) {
    TransitionRun r(e);
    if (n == 1) {
        static constexpr int kShake[5][2] = {{-30, 15}, {25, 12}, {-20, -9}, {15, -6}, {-10, 3}};
        for (const auto& offset : kShake) {
            {
                ScreenGuard lock(r.g.ScreenLock);
                r.ToWindow(r.g.ScreenSurface, 0, 0, r.W, r.H, offset[0], offset[1]);
            }
            r.SleepFor(50);
        }
        ScreenGuard lock(r.g.ScreenLock);
        r.WholeScreenToWindow();
    } else if (n == 2 || n == 3) {
        // The line grows 20 pixels per step; it stays on ScreenSurface.
        const uint32_t colour = n == 2 ? 0x0000FFu : 0xFFFFFFu;
        constexpr int kY = 228;
        for (int x = 0; x <= 640; x += 20) {
            int64_t start = r.Now();
            {
                ScreenGuard lock(r.g.ScreenLock);
                r.g.ScreenSurface.FillRect(0, kY, x, 1, colour);
                r.ScreenToWindow(0, kY, 640, 1);
            }
            r.PaceUntil(start + 1);
        }
    }
}

void CrossFadeMix(const uint8_t* oldPixels, const uint8_t* newPixels, uint8_t* out, size_t count,
                  uint32_t a) {
    const uint16_t newWeight = static_cast<uint16_t>(std::min(a, 256u));
    const uint16_t oldWeight = static_cast<uint16_t>(256u - newWeight);
    size_t k = 0;
    for (; k + kMixBlock <= count; k += kMixBlock) {
        CrossFadeBlock(oldPixels + k, newPixels + k, out + k, kMixBlock, oldWeight, newWeight);
    }
    CrossFadeBlock(oldPixels + k, newPixels + k, out + k, count - k, oldWeight, newWeight);
}

void DissolveStep(const Surface& source, Surface& buffer, int s, int j) {
    static constexpr int kRow[4] = {0, 2, 3, 1};
    static constexpr int kColumn[4][4] = {{3, 2, 1, 0}, {0, 3, 2, 1}, {1, 0, 3, 2}, {2, 1, 0, 3}};
    s &= 3;
    j &= 3;
    const int width = std::min(source.Width(), buffer.Width());
    const int height = std::min(source.Height(), buffer.Height());
    const int cellRows = height / 4;
    const int cellColumns = width / 4;
    const size_t column = static_cast<size_t>(kColumn[s][j]) * 3;
    for (int cellRow = 0; cellRow < cellRows; ++cellRow) {
        // Rows are counted from the bottom, as the pixels lie in memory.
        const size_t row = static_cast<size_t>(4 * cellRow + kRow[s]);
        const uint8_t* from = source.Pixels() + row * source.Stride() + column;
        uint8_t* to = buffer.Pixels() + row * buffer.Stride() + column;
        for (int cell = 0; cell < cellColumns; ++cell, from += 12, to += 12) {
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
        }
    }
}

bool ReadMaskLevels(const std::vector<uint8_t>& file, int width, int height, int stride,
                    std::vector<uint8_t>& levels) {
    constexpr size_t kPixelOffsetField = 10;
    constexpr size_t kFirstRed = 56;  // the red byte of palette entry 0
    if (width < 0 || height < 0 || static_cast<int64_t>(stride) < 3 * static_cast<int64_t>(width) ||
        file.size() < kPixelOffsetField + 4) {
        return false;
    }
    const uint64_t pixelOffset = ReadLe32(file.data() + kPixelOffsetField);
    const uint64_t pixelBytes = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    if (pixelOffset > file.size() || file.size() - pixelOffset < pixelBytes) {
        return false;
    }
    // The palette entries whose red byte lies inside the file.
    const size_t entries =
        file.size() > kFirstRed ? std::min<size_t>((file.size() - kFirstRed + 3) / 4, 256) : 0;
    levels.assign(static_cast<size_t>(stride) * static_cast<size_t>(height), 0);
    for (int y = 0; y < height; ++y) {
        const uint8_t* mask = file.data() + pixelOffset + static_cast<size_t>(y) * width;
        uint8_t* out = levels.data() + static_cast<size_t>(y) * stride;
        for (int x = 0; x < width; ++x, out += 3) {
            const size_t index = mask[x];
            if (index >= entries) {
                return false;
            }
            const uint8_t level = file[kFirstRed + 4 * index];
            out[0] = level;
            out[1] = level;
            out[2] = level;
        }
    }
    return true;
}

void MaskFadeMix(uint8_t* buffer, const uint8_t* newPixels, const uint8_t* levels, size_t count, int L) {
    const int16_t offset = static_cast<int16_t>(std::clamp(L, -512, 512));
    size_t k = 0;
    for (; k + kMixBlock <= count; k += kMixBlock) {
        MaskFadeBlock(buffer + k, newPixels + k, levels + k, kMixBlock, offset);
    }
    MaskFadeBlock(buffer + k, newPixels + k, levels + k, count - k, offset);
}

}  // namespace textreel
