#include "graphics/screen.h"

#include <cstdio>

#include "platform/error_log.h"
#include "platform/freetype_glyphs.h"
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
    // The text font: the Windows gothic when it is installed, otherwise a Japanese gothic.
    if (!e.glyphs) {
        auto fonts = std::make_unique<FreeTypeGlyphs>();
        std::string description;
        if (!fonts->Open(&description)) {
            ErrorPrintf("textreel: no Japanese font is installed; text will not show (%s)\n",
                        description.c_str());
        }
        e.glyphs = std::move(fonts);
        // The slot font of the save and load screens is the same gothic in a heavier weight.
        auto slotFonts = std::make_unique<FreeTypeGlyphs>(FreeTypeGlyphs::kSemiBold);
        if (slotFonts->Open(nullptr)) {
            e.slotGlyphs = std::move(slotFonts);
        }
    }
    // A translation's proportional half-width text: the Latin face textreel.ini names.
    if (!e.latinGlyphs && e.titleSettings.latin == LatinMode::kProportional) {
        FontFace face;
        auto latin = std::make_unique<FreeTypeGlyphs>();
        std::string description;
        if (MatchLatinFace(e.titleSettings.latinFont, face) && latin->OpenFace(face, &description)) {
            e.latinGlyphs = std::move(latin);
        } else {
            ErrorPrintf("textreel: no font for \"%s\" has Latin letters; half-width text stays fixed\n",
                        e.titleSettings.latinFont.c_str());
        }
    }
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
    if (e.MoviePlaying == kMovieNone) {
        CopyScreenToWindow(e);
    }
}

}  // namespace textreel
