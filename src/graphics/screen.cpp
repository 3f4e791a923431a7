#include "graphics/screen.h"

#include "shell/engine.h"

namespace textreel {

bool CreateGraphics(Engine& e) {
    GraphicsState& g = e.graphics;
    std::lock_guard lock(g.ScreenLock);
    int w = e.instance.windowWidth;
    int h = e.instance.windowHeight;
    g.ScreenSurface.Create(w, h);
    g.BackSurface.Create(w, h);
    g.WindowLayer.Create(w, h);
    g.CleanBackground.Create(w, h);
    g.WorkPixels.Create(w, h);
    g.ButtonStrip.Create(640, 44);
    g.WaitIconSurface.Create(32, 64);
    g.created = true;
    return true;
}

void ReleaseGraphics(Engine& e) {
    GraphicsState& g = e.graphics;
    std::lock_guard lock(g.ScreenLock);
    g.ScreenSurface.Release();
    g.BackSurface.Release();
    g.WindowLayer.Release();
    g.CleanBackground.Release();
    g.WorkPixels.Release();
    g.ButtonStrip.Release();
    g.WaitIconSurface.Release();
    g.created = false;
}

void CopyScreenToWindow(Engine& e) {
    std::lock_guard lock(e.graphics.ScreenLock);
    const Surface& s = e.graphics.ScreenSurface;
    e.platform.BlitToWindow(s.View(), 0, 0, s.Width(), s.Height(), 0, 0);
}

void Repaint(Engine& e) {
    if (e.MoviePlaying == 0) {
        CopyScreenToWindow(e);
    }
}

void ComposeMessageWindow(Engine&, Surface&) {}

void MessageWindowSwap(Engine&, int) {}

}  // namespace textreel
