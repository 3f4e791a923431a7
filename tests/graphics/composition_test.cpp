#include <gtest/gtest.h>

#include "graphics/screen.h"
#include "script/commands.h"
#include "support/engine_fixture.h"
#include "support/test_files.h"

namespace textreel {
namespace {

using testing::EngineFixture;
using testing::MakeBmp;
using testing::MakeMasked;

// The grey value of a channel at screen row y (top-down).
int Grey(const Surface& s, int y) {
    return static_cast<int>(EngineFixture::Pixel(s, 5, y) & 0xFF);
}

TEST(Composition, TheDimmedBandAndItsRampStopAtZero) {
    EngineFixture f;
    // A frame picture that covers nothing, so that only the dimming shows.
    f.title.Write("cg/menu/bar_a.bmp", MakeBmp(MakeMasked(4, 2, 0x00FF00, 255)));
    GraphicsState& g = f.engine.graphics;
    EngineFixture::Fill(g.WorkPixels, 0x646464);    // 100 in every channel
    g.WorkPixels.FillRect(0, 599, 1, 1, 0x141414);  // 20: not above the amount
    CopyWhole(g.WorkPixels, g.BackSurface);
    ComposeMessageWindow(f.engine, g.WindowLayer);
    const Surface& w = g.WindowLayer;
    EXPECT_EQ(Grey(w, 599), 70);  // the bottom row
    EXPECT_EQ(Grey(w, 440), 70);  // the 160th row from the bottom
    EXPECT_EQ(EngineFixture::Pixel(w, 0, 599), 0u);
    // The ramp: 30 - 11 = 19, then 8, then 0 from there on (never a negative amount).
    EXPECT_EQ(Grey(w, 439), 81);
    EXPECT_EQ(Grey(w, 438), 92);
    EXPECT_EQ(Grey(w, 437), 100);
    EXPECT_EQ(Grey(w, 420), 100);
    EXPECT_EQ(Grey(w, 419), 100);  // above the band, untouched
    EXPECT_EQ(Grey(w, 0), 100);
    EXPECT_TRUE(f.platform.Messages().empty());
}

TEST(Composition, TheFramePictureIsBlendedAtTheButtonBar) {
    EngineFixture f;
    // A red frame 800 wide and 22 high, fully opaque.
    f.title.Write("cg/menu/bar_a.bmp", MakeBmp(MakeMasked(800, 22, 0x0000FF, 0)));
    GraphicsState& g = f.engine.graphics;
    EngineFixture::Fill(g.WorkPixels, 0xFFFFFF);
    CopyWhole(g.WorkPixels, g.BackSurface);
    ComposeMessageWindow(f.engine, g.WindowLayer);
    // 255 * 254 >> 8 = 253 in red; green and blue: the dimmed 225 * 1 >> 8 = 0.
    EXPECT_EQ(EngineFixture::Pixel(g.WindowLayer, 100, 590), 0x0000FDu);
    EXPECT_EQ(EngineFixture::Pixel(g.WindowLayer, 100, 577), 0xE1E1E1u);
}

TEST(Composition, AMissingFramePictureNamesItselfAndLeavesTheDestination) {
    EngineFixture f;
    GraphicsState& g = f.engine.graphics;
    EngineFixture::Fill(g.WindowLayer, 0x123456);
    EngineFixture::Fill(g.WorkPixels, 0xFFFFFF);
    ComposeMessageWindow(f.engine, g.WindowLayer);
    EXPECT_EQ(f.platform.Messages(), (std::vector<std::string>{"cg\\menu\\bar_a.bmp"}));
    EXPECT_EQ(EngineFixture::Pixel(g.WindowLayer, 10, 590), 0x123456u);
}

TEST(Composition, TheButtonStripHoldsTheBottomBandTwiceDimmedUnderTheParts) {
    EngineFixture f;
    f.title.Write("cg/menu/bar_a.bmp", MakeBmp(MakeMasked(4, 2, 0, 255)));
    GraphicsState& g = f.engine.graphics;
    EngineFixture::Fill(g.BackSurface, 0x505050);
    g.BackSurface.FillRect(0, 578, 800, 22, 0x646464);
    CopyWhole(g.BackSurface, g.WorkPixels);
    // Button parts: an opaque blue square at (40, 0) in the upper half.
    Surface parts = MakeMasked(640, 44, 0, 255);
    parts.FillRect(40, 0, 10, 10, 0xFF0000);
    parts.FillRect(640 + 40, 0, 10, 10, 0);
    g.buttonParts = parts;
    ComposeMessageWindow(f.engine, g.WindowLayer);
    EXPECT_EQ(EngineFixture::Pixel(g.ButtonStrip, 0, 0), 0x464646u);
    EXPECT_EQ(EngineFixture::Pixel(g.ButtonStrip, 639, 43), 0x464646u);
    EXPECT_EQ(EngineFixture::Pixel(g.ButtonStrip, 45, 5), 0xFD0000u);
}

TEST(Composition, TheWaitIconTakesItsBackgroundFromTheNewWindowLayer) {
    EngineFixture f;
    f.title.Write("cg/menu/bar_a.bmp", MakeBmp(MakeMasked(4, 2, 0, 255)));
    GraphicsState& g = f.engine.graphics;
    EngineFixture::Fill(g.WorkPixels, 0xFFFFFF);
    CopyWhole(g.WorkPixels, g.BackSurface);
    f.engine.WaitIconOn = 1;
    ComposeMessageWindow(f.engine, g.WindowLayer);
    // (750, 550) lies in the dimmed band.
    EXPECT_EQ(EngineFixture::Pixel(g.WaitIconSurface, 3, 3), 0xE1E1E1u);
    EXPECT_EQ(EngineFixture::Pixel(g.WaitIconSurface, 3, 40), 0xE1E1E1u);
    EXPECT_EQ(f.engine.WaitIconOn, 0);
}

TEST(MessageWindowSwap, HidingKeepsTheTextScreenAndShowingBringsItBack) {
    EngineFixture f;
    GraphicsState& g = f.engine.graphics;
    EngineFixture::Fill(g.CleanBackground, 0x0000FF);  // the picture
    EngineFixture::Fill(g.BackSurface, 0x0000FF);
    EngineFixture::Fill(g.ScreenSurface, 0x00FF00);  // the picture with its text
    f.engine.MessageDrawn = 1;
    f.engine.MessageVisible = 1;
    MessageWindowSwap(f.engine, 1);
    EXPECT_EQ(f.engine.MessageVisible, 0);
    EXPECT_EQ(EngineFixture::Pixel(g.ScreenSurface, 1, 1), 0x0000FFu);
    EXPECT_EQ(f.platform.WindowPixel(1, 1), 0x0000FFu);
    MessageWindowSwap(f.engine, 0);
    EXPECT_EQ(f.engine.MessageVisible, 1);
    EXPECT_EQ(f.engine.WaitIconOn, 1);
    EXPECT_EQ(EngineFixture::Pixel(g.ScreenSurface, 1, 1), 0x00FF00u);
    EXPECT_EQ(f.platform.WindowPixel(1, 1), 0x00FF00u);
    EXPECT_EQ(EngineFixture::Pixel(g.BackSurface, 1, 1), 0x0000FFu);
}

TEST(MessageWindowSwap, DoesNothingWhileDrawingOrWithoutAMessageWindow) {
    EngineFixture f;
    f.engine.MessageDrawn = 0;
    f.engine.MessageVisible = 1;
    MessageWindowSwap(f.engine, 1);
    EXPECT_EQ(f.engine.MessageVisible, 1);
    f.engine.MessageDrawn = 1;
    f.engine.ScriptBusy = 1;
    MessageWindowSwap(f.engine, 1);
    EXPECT_EQ(f.engine.MessageVisible, 1);
    EXPECT_TRUE(f.platform.Copies().empty());
}

TEST(WindowOpen, LoadsThePartsAndOpensEvenWhenAPartIsMissing) {
    EngineFixture f;
    f.title.Write("cg/menu/waiticon.bmp", MakeBmp(MakeMasked(32, 64, 0xFFFFFF, 0)));
    CmdWindowOpen(f.engine, "$windowopen", 11);
    EXPECT_EQ(f.engine.MessageWindowOpen, 1);
    EXPECT_EQ(f.engine.graphics.waitIcon.Width(), 64);
    EXPECT_EQ(f.platform.Messages(), (std::vector<std::string>{"loss parts"}));
    CmdWindowClose(f.engine, "$windowclose", 12);
    EXPECT_EQ(f.engine.MessageWindowOpen, 0);
}

TEST(WindowOpen, AShortWaitIconFailsUnderItsOwnNameAndKeepsTheOldPicture) {
    EngineFixture f;
    f.engine.graphics.waitIcon = MakeMasked(32, 64, 0x0000FF, 0);
    std::vector<uint8_t> shortFile = MakeBmp(MakeMasked(32, 64, 0xFFFFFF, 0));
    shortFile.resize(1000);
    f.title.Write("cg/menu/waiticon.bmp", shortFile);
    f.title.Write("cg/menu/btnprts.bmp", MakeBmp(MakeMasked(640, 44, 0, 0)));
    CmdWindowOpen(f.engine, "$windowopen", 11);
    EXPECT_EQ(f.platform.Messages(), (std::vector<std::string>{"cg\\menu\\waiticon.bmp"}));
    EXPECT_EQ(EngineFixture::Pixel(f.engine.graphics.waitIcon, 1, 1), 0x0000FFu);
    EXPECT_EQ(f.engine.graphics.buttonParts.Width(), 1280);
}

}  // namespace
}  // namespace textreel
