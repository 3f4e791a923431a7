// The advance handler's order of decisions, with a real script thread waiting at a stop.
#include <gtest/gtest.h>

#include "shell/system_menu.h"

#include "support/script_harness.h"

namespace textreel {
namespace {

using testing::ScriptHarness;

InputEvent Click(int x = 300, int y = 300) {
    InputEvent e;
    e.kind = InputEvent::Kind::kButtonUp;
    e.button = InputEvent::kLeftButton;
    e.x = x;
    e.y = y;
    return e;
}

InputEvent Key(int key) {
    InputEvent e;
    e.kind = InputEvent::Kind::kKeyUp;
    e.key = key;
    return e;
}

InputEvent Wheel(int delta) {
    InputEvent e;
    e.kind = InputEvent::Kind::kWheel;
    e.wheel = delta;
    return e;
}

struct StopFixture : ScriptHarness {
    StopFixture() : ScriptHarness("$S\r\nafter\r\n$S\r\n") {
        Start();
        WaitIdle();
    }
    bool Advanced() {
        WaitIdle();
        return !Lines().empty();
    }
};

TEST(AdvanceHandler, SyncLockIgnoresEveryClick) {
    StopFixture f;
    f.engine.SyncLock = 1;
    f.engine.VoicePlaying = 1;
    f.engine.HandleInput(Click());
    EXPECT_FALSE(f.Advanced());
    EXPECT_EQ(f.engine.VoicePlaying, 1);
}

TEST(AdvanceHandler, AClickInSkipModeEndsItRestoresTheSpeedAndAdvances) {
    StopFixture f;
    f.engine.savedSpeedMs = 100;
    f.engine.env.SpeedMs = 0;
    f.engine.AdvanceMode = 1;
    f.engine.HandleInput(Click());
    EXPECT_TRUE(f.Advanced());
    EXPECT_EQ(f.engine.AdvanceMode, 0);
    EXPECT_EQ(f.engine.env.SpeedMs, 100);
}

TEST(AdvanceHandler, AutoModeWithAStopPendingKeepsGoing) {
    StopFixture f;
    f.engine.AdvanceMode = 3;
    f.engine.AutoStoppable = 0;
    f.engine.HandleInput(Click());
    EXPECT_TRUE(f.Advanced());
    EXPECT_EQ(f.engine.AdvanceMode, 3);
}

TEST(AdvanceHandler, AutoModeEndsOnAClickWhenStoppable) {
    StopFixture f;
    f.engine.AdvanceMode = 3;
    f.engine.AutoStoppable = 1;
    f.engine.HandleInput(Click());
    EXPECT_TRUE(f.Advanced());
    EXPECT_EQ(f.engine.AdvanceMode, 0);
}

TEST(AdvanceHandler, AHiddenMessageWindowComesBackWithoutAdvancing) {
    StopFixture f;
    f.engine.MessageDrawn = 1;
    f.engine.MessageVisible = 0;
    // Keys and the wheel do nothing while it is hidden.
    f.engine.HandleInput(Key('A'));
    f.engine.HandleInput(Wheel(-1));
    EXPECT_FALSE(f.Advanced());
    EXPECT_EQ(f.engine.MessageVisible, 0);
    f.engine.HandleInput(Click());
    EXPECT_FALSE(f.Advanced());
    EXPECT_EQ(f.engine.MessageVisible, 1);
    f.engine.HandleInput(Click());
    EXPECT_TRUE(f.Advanced());
}

TEST(AdvanceHandler, KeysAndTheWheelTowardsThePlayerAdvance) {
    StopFixture f;
    f.engine.HandleInput(Wheel(-120));
    EXPECT_TRUE(f.Advanced());
    f.engine.HandleInput(Key(vk::kReturn));
    f.WaitIdle();
    EXPECT_TRUE(f.engine.ScriptFinished() || f.engine.Quitting());
}

TEST(AdvanceHandler, TheWheelAwayAndPageUpWithAnEmptyBacklogDoNothing) {
    StopFixture f;
    f.engine.HandleInput(Wheel(1));
    f.engine.HandleInput(Key(vk::kPageUp));
    EXPECT_FALSE(f.Advanced());
    EXPECT_EQ(f.engine.UiState, 0);
}

TEST(RightClick, EndsAutoModeAndSkipModeAndOpensTheMenu) {
    StopFixture f;
    InputEvent right = Click();
    right.button = InputEvent::kRightButton;
    f.engine.AdvanceMode = 3;
    f.engine.HandleInput(right);
    EXPECT_EQ(f.engine.AdvanceMode, 0);
    EXPECT_TRUE(SystemMenuOpen(f.engine));
    CloseSystemMenu(f.engine);
    f.engine.savedSpeedMs = 40;
    f.engine.AdvanceMode = 1;
    f.engine.HandleInput(right);
    EXPECT_EQ(f.engine.AdvanceMode, 0);
    EXPECT_EQ(f.engine.env.SpeedMs, 40);
    EXPECT_TRUE(SystemMenuOpen(f.engine));
    EXPECT_FALSE(f.Advanced());
}

// Esc and the right button between `movieplay` and the start of its movie resume nothing: the
// movie is marked to end as soon as it starts, and the story goes on only after that.
TEST(MovieInput, EscOrARightClickBeforeTheMovieStartsResumesNothing) {
    StopFixture f;
    f.engine.MoviePlaying = kMovieStarting;
    f.engine.HandleInput(Key(vk::kEscape));
    EXPECT_EQ(f.engine.MoviePlaying, kMovieStarting);
    EXPECT_EQ(f.engine.sound.movieCutReason, "key");
    InputEvent right = Click();
    right.button = InputEvent::kRightButton;
    f.engine.HandleInput(right);
    EXPECT_EQ(f.engine.MoviePlaying, kMovieStarting);
    EXPECT_EQ(f.engine.sound.movieCutReason, "click");
    EXPECT_FALSE(SystemMenuOpen(f.engine));
    f.engine.MoviePlaying = kMovieNone;
    f.engine.sound.movieCutReason.clear();
    EXPECT_FALSE(f.Advanced());
}

}  // namespace
}  // namespace textreel
