// An exposed or restored window is drawn again from ScreenSurface, not from whatever the
// framebuffer last held.
#include <gtest/gtest.h>

#include <mutex>

#include "graphics/screen.h"
#include "support/engine_fixture.h"

namespace textreel {
namespace {

using testing::EngineFixture;

TEST(Repaint, AnExposedWindowShowsTheScreenSurfaceAgain) {
    EngineFixture f(640, 480);
    GraphicsState& g = f.engine.graphics;
    EngineFixture::Fill(g.ScreenSurface, 0x0000FF);
    CopyScreenToWindow(f.engine);
    ASSERT_EQ(f.platform.WindowPixel(10, 10), 0x0000FFu);
    // The framebuffer holds something else (a half-done transition, say).
    EngineFixture::Fill(g.ScreenSurface, 0x00FF00);
    ASSERT_EQ(f.platform.WindowPixel(10, 10), 0x0000FFu);

    InputEvent expose;
    expose.kind = InputEvent::Kind::kRepaint;
    f.engine.HandleInput(expose);
    EXPECT_EQ(f.platform.WindowPixel(10, 10), 0x00FF00u);
    EXPECT_EQ(f.platform.WindowPixel(639, 479), 0x00FF00u);

    // While a movie plays the window belongs to it.
    EngineFixture::Fill(g.ScreenSurface, 0xFF0000);
    f.engine.MoviePlaying = kMovieStarted;
    f.engine.HandleInput(expose);
    EXPECT_EQ(f.platform.WindowPixel(10, 10), 0x00FF00u);
}

}  // namespace
}  // namespace textreel
