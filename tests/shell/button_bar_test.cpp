#include "shell/button_bar.h"

#include <gtest/gtest.h>

#include "support/engine_fixture.h"
#include "support/test_files.h"

namespace textreel {
namespace {

using testing::EngineFixture;

struct BarFixture : EngineFixture {
    BarFixture() {
        title.Write("sound/click.wav", testing::MakeWav(22050, 1, std::vector<int16_t>(200, 1000)));
        title.Write("sound/move.wav", testing::MakeWav(22050, 1, std::vector<int16_t>(200, -1000)));
        engine.MessageDrawn = 1;
        engine.MessageVisible = 1;
    }
    int Sounds(const std::string& name) {
        int n = 0;
        for (const std::string& line : engine.trace.CapturedLines()) {
            n +=
                line.find("\"event\":\"sound\"") != std::string::npos && line.find(name) != std::string::npos;
        }
        return n;
    }
};

TEST(ButtonBar, TheSaveButtonsBorderColumnIsOutsideItAndTheSkipButtonsIsInside) {
    BarFixture f;
    EXPECT_FALSE(ButtonBarClick(f.engine, 352, 590));
    EXPECT_EQ(f.Sounds("click.wav"), 0);
    EXPECT_TRUE(ButtonBarClick(f.engine, 353, 590));
    EXPECT_EQ(f.Sounds("click.wav"), 1);
    // The skip button starts skip mode and still lets the click advance.
    f.engine.env.SpeedMs = 40;
    EXPECT_FALSE(ButtonBarClick(f.engine, 33, 579));
    EXPECT_EQ(f.engine.AdvanceMode, 1);
    EXPECT_EQ(f.engine.env.SpeedMs, 0);
    EXPECT_EQ(f.engine.savedSpeedMs, 40);
}

TEST(ButtonBar, TheHideButtonHidesTheWindowAndEachButtonHasItsConditions) {
    BarFixture f;
    // While skipping, neither save nor hide react.
    f.engine.AdvanceMode = 1;
    EXPECT_FALSE(ButtonBarClick(f.engine, 400, 590));
    EXPECT_FALSE(ButtonBarClick(f.engine, 200, 590));
    f.engine.AdvanceMode = 0;
    // Without the message window on screen the bar does not react at all.
    f.engine.MessageDrawn = 0;
    EXPECT_FALSE(ButtonBarClick(f.engine, 400, 590));
    f.engine.MessageDrawn = 1;
    EXPECT_TRUE(ButtonBarClick(f.engine, 174, 600));
    EXPECT_EQ(f.engine.MessageVisible, 0);
    // The pressed look was shown, then the plain look after 70 ms.
    std::vector<testing::WindowCopy> copies = f.platform.Copies();
    ASSERT_GE(copies.size(), 2u);
    EXPECT_EQ(copies[0], (testing::WindowCopy{174, 23, 104, 21, 174, 579, false}));
    EXPECT_EQ(copies[1], (testing::WindowCopy{174, 579, 104, 21, 174, 579, false}));
    EXPECT_EQ(f.platform.FakeTime().Sleeps(), (std::vector<int64_t>{70}));
    // Positions are 16-bit: 65536 + 400 is the save button again.
    f.engine.MessageVisible = 1;
    EXPECT_TRUE(ButtonBarClick(f.engine, 65536 + 400, 590));
}

TEST(ButtonBar, InAChoiceMenuSkipAndHideNeitherActNorHighlight) {
    BarFixture f;
    f.engine.UiState = 1;
    EXPECT_FALSE(ButtonBarClick(f.engine, 50, 590));
    EXPECT_EQ(f.engine.AdvanceMode, 0);
    EXPECT_FALSE(ButtonBarClick(f.engine, 200, 590));
    EXPECT_EQ(f.engine.MessageVisible, 1);
    EXPECT_TRUE(ButtonBarClick(f.engine, 400, 590));
    ButtonBarHover(f.engine, 50, 590);
    EXPECT_EQ(f.Sounds("move.wav"), 0);
    EXPECT_EQ(f.engine.lastHoveredButton, 99);
}

TEST(ButtonBar, EnteringANewButtonPlaysTheMoveSoundOnceAndMovingWithinItNothing) {
    BarFixture f;
    GraphicsState& g = f.engine.graphics;
    EngineFixture::Fill(g.ButtonStrip, 0x0000FF);
    EngineFixture::Fill(g.WindowLayer, 0x00FF00);
    ButtonBarHover(f.engine, 40, 590);
    EXPECT_EQ(f.Sounds("move.wav"), 1);
    EXPECT_EQ(EngineFixture::Pixel(g.ScreenSurface, 40, 590), 0x0000FFu);
    EXPECT_EQ(EngineFixture::Pixel(g.ScreenSurface, 200, 590), 0x00FF00u);
    ButtonBarHover(f.engine, 60, 595);
    EXPECT_EQ(f.Sounds("move.wav"), 1);
    ButtonBarHover(f.engine, 200, 590);
    EXPECT_EQ(f.Sounds("move.wav"), 2);
    EXPECT_EQ(EngineFixture::Pixel(g.ScreenSurface, 40, 590), 0x00FF00u);
    // Leaving every button is silent; coming back plays again.
    ButtonBarHover(f.engine, 300, 300);
    EXPECT_EQ(f.engine.lastHoveredButton, 99);
    ButtonBarHover(f.engine, 200, 590);
    EXPECT_EQ(f.Sounds("move.wav"), 3);
    // Each move shows the whole screen.
    EXPECT_EQ(f.platform.Copies().back(), (testing::WindowCopy{0, 0, 800, 600, 0, 0, false}));
}

}  // namespace
}  // namespace textreel
