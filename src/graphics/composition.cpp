// The message window over the picture: the dimmed band or the frame picture, the button bar in its
// two states, the wait icon on its background, and the swap that hides and shows the window.
#include <algorithm>
#include <cstring>

#include "graphics/bmp_reader.h"
#include "graphics/masked_blend.h"
#include "graphics/screen.h"
#include "platform/files.h"
#include "shell/engine.h"
#include "shell/messages.h"

namespace textreel {

namespace {

constexpr char kFramePicture[] = "cg\\menu\\bar_a.bmp";
// The dimmed band under the message window: 160 rows at the full amount, then a 20-row ramp.
constexpr int kBandRows = 160;
constexpr int kRampRows = 20;

// Subtracts amount from every channel of a row; a channel not above the amount becomes 0. The
// result never wraps: a negative amount brightens up to 255 at most.
void DimRow(uint8_t* row, int bytes, int amount) {
    if (amount >= 0) {
        auto a = static_cast<uint8_t>(std::min(amount, 255));
        for (int i = 0; i < bytes; ++i) {
            row[i] = row[i] > a ? static_cast<uint8_t>(row[i] - a) : 0;
        }
        return;
    }
    for (int i = 0; i < bytes; ++i) {
        row[i] = static_cast<uint8_t>(std::min(row[i] - amount, 255));
    }
}

// Reads the frame picture. It is read at every composition, so that its failure is reported by
// the composition that needed it.
bool LoadFramePicture(Engine& e, Surface& picture) {
    BmpPicture bmp;
    auto path = e.ResolvePath(kFramePicture);
    BmpResult result = path ? ReadBmp(*path, 0, bmp) : BmpResult::kMissing;
    if (result == BmpResult::kNoMemory) {
        e.Warn(msg::kAllocateError);
        return false;
    }
    if (result != BmpResult::kOk) {
        e.Warn(kFramePicture);
        return false;
    }
    picture = std::move(bmp.pixels);
    return true;
}

// The button bar in its two states: the band of the picture twice, darkened in game type 0, with
// the button parts laid over it.
void BuildButtonStrip(Engine& e) {
    GraphicsState& g = e.graphics;
    Surface& strip = g.ButtonStrip;
    strip.FillRect(0, 0, strip.Width(), strip.Height(), 0);
    int h = g.BackSurface.Height();
    int sx = e.instance.gameType == 0 ? 0 : 625 - 640;
    int sy = e.instance.gameType == 0 ? h - 22 : 0;
    CopyRect(g.BackSurface, sx, sy, 640, 22, strip, 0, 0);
    CopyRect(g.BackSurface, sx, sy, 640, 22, strip, 0, 22);
    if (e.instance.gameType == 0) {
        int amount = g.brightness;
        for (int y = 0; y < strip.Height(); ++y) {
            DimRow(strip.RowTop(y), strip.Width() * 3, amount);
        }
    }
    BlendMaskedPicture(strip, 0, 0, g.buttonParts, 255);
}

// The two frames of the wait icon over what lies at its place in WindowLayer.
void BuildWaitIcon(Engine& e) {
    GraphicsState& g = e.graphics;
    CopyRect(g.WindowLayer, 750, 550, 32, 32, g.WaitIconSurface, 0, 0);
    CopyRect(g.WindowLayer, 750, 550, 32, 32, g.WaitIconSurface, 0, 32);
    BlendMaskedPicture(g.WaitIconSurface, 0, 0, g.waitIcon, 255);
}

}  // namespace

void ComposeMessageWindow(Engine& e, Surface& destination) {
    GraphicsState& g = e.graphics;
    e.WaitIconOn = 0;
    Surface frame;
    bool haveFrame = LoadFramePicture(e, frame);
    std::lock_guard lock(g.ScreenLock);
    if (e.instance.gameType == 1) {
        BuildButtonStrip(e);
        BuildWaitIcon(e);
        if (haveFrame) {
            Surface composed = g.BackSurface;
            BlendMaskedPicture(composed, 0, 0, frame, 255);
            CopyWhole(composed, destination);
        }
        return;
    }
    if (haveFrame) {
        // The picture in WorkPixels, darkened under the message window. Rows count from the bottom.
        Surface composed = g.WorkPixels;
        int brightness = g.brightness;
        int rowBytes = composed.Width() * 3;
        int rows = composed.Height();
        uint8_t* bottom = composed.Pixels();
        for (int row = 0; row < std::min(kBandRows, rows); ++row) {
            DimRow(bottom + static_cast<size_t>(row) * composed.Stride(), rowBytes, brightness);
        }
        // The ramp lightens the band's top edge step by step; the amount stops at 0 rather than
        // turning into an addition that would brighten the picture.
        int step = (256 - brightness) / kRampRows;
        int amount = brightness;
        for (int row = kBandRows; row < std::min(kBandRows + kRampRows, rows); ++row) {
            amount = std::max(amount - step, 0);
            DimRow(bottom + static_cast<size_t>(row) * composed.Stride(), rowBytes, amount);
        }
        BlendMaskedPicture(composed, 0, 578, frame, 255);
        CopyWhole(composed, destination);
    }
    BuildButtonStrip(e);
    BuildWaitIcon(e);
}

void MessageWindowSwap(Engine& e, int mode) {
    if (e.MessageDrawn == 0 || e.ScriptBusy != 0) {
        return;
    }
    GraphicsState& g = e.graphics;
    std::lock_guard lock(g.ScreenLock);
    const Surface& back = g.BackSurface;
    e.platform.BlitToWindow(back.View(), 0, 0, back.Width(), back.Height(), 0, 0);
    if (mode == 1) {
        CopyWhole(g.ScreenSurface, g.BackSurface);
        CopyWhole(g.CleanBackground, g.ScreenSurface);
        e.MessageVisible = 0;
        e.WaitIconOn = 0;
    } else {
        CopyWhole(g.BackSurface, g.ScreenSurface);
        CopyWhole(g.CleanBackground, g.BackSurface);
        e.MessageVisible = 1;
        e.WaitIconOn = 1;
    }
    e.NotifyStateChange();
}

}  // namespace textreel
