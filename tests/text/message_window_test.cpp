#include "text/message_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "platform/encoding.h"
#include "script/commands.h"
#include "script/scenario.h"
#include "support/engine_fixture.h"
#include "support/test_files.h"

namespace textreel {
namespace {

using testing::EngineFixture;
constexpr auto Fill = &EngineFixture::Fill;
constexpr auto Pixel = &EngineFixture::Pixel;

constexpr uint32_t kWide = 0x8250;  // a full-width character
constexpr char kWideBytes[] = "\x82\x50";

struct TextFixture : EngineFixture {
    TextFixture() {
        engine.env.SpeedMs = 0;
        // One lit pixel at the top-left of each glyph's black box.
        glyphs->AddBox(kWide, 1, 1, 64, 16);
        glyphs->AddBox('a', 1, 1, 64, 16);
        Fill(engine.graphics.WindowLayer, 0);
    }
    int Output(const std::string& line) {
        return OutputTextLine(engine, line.data(), static_cast<int>(line.size()));
    }
    static std::string Wide(int n) {
        std::string s;
        for (int i = 0; i < n; ++i) {
            s += kWideBytes;
        }
        return s;
    }
    // Whether the glyph whose cell starts at (x, y) left ink (black box centred: x + 10 at size 21).
    bool InkAt(int cellX, int cellY, int half = 10) {
        return (Pixel(engine.graphics.ScreenSurface, cellX + half, cellY) & 0xFF) != 0;
    }
};

TEST(TextOutput, ThirtyNineFullWidthCharactersWrapTheLastToTheNextRow) {
    TextFixture f;
    ASSERT_EQ(f.Output(TextFixture::Wide(39)), 1);
    EXPECT_TRUE(f.InkAt(40, 445));
    EXPECT_TRUE(f.InkAt(40 + 37 * 20, 445));  // the 38th ends the row
    EXPECT_TRUE(f.InkAt(40, 472));            // the 39th starts the next one, 27 pixels lower
    EXPECT_EQ(f.engine.text.LineEndCursor.x, 60);
    EXPECT_EQ(f.engine.text.LineEndCursor.y, 472);
    EXPECT_EQ(f.engine.text.TextCursor.x, 40);
    EXPECT_EQ(f.engine.text.TextCursor.y, 499);
    EXPECT_EQ(f.engine.MessageDrawn, 1);
    EXPECT_EQ(f.engine.MessageVisible, 1);
    EXPECT_EQ(f.engine.ScriptBusy, 0);
}

TEST(TextOutput, TheSixthLineOpensANewPage) {
    TextFixture f;
    for (int i = 0; i < 5; ++i) {
        f.Output("a");
    }
    EXPECT_EQ(f.engine.text.TextCursor.y, 580);
    EXPECT_TRUE(f.InkAt(36, 553, 10));
    f.Output("a");
    // The page was cleared to WindowLayer and the line starts at the top again.
    EXPECT_FALSE(f.InkAt(36, 553, 10));
    EXPECT_TRUE(f.InkAt(36, 445, 10));
    EXPECT_EQ(f.engine.text.TextCursor.y, 472);
}

TEST(TextOutput, HalfWidthCharactersStartFourPixelsLeftAndAdvanceHalfACell) {
    TextFixture f;
    f.Output("aa");
    EXPECT_EQ(f.engine.text.LineEndCursor.x, 60);
    EXPECT_TRUE(f.InkAt(36, 445));
    EXPECT_TRUE(f.InkAt(46, 445));
}

TEST(TextOutput, ATrailingLeadByteIsNotDrawn) {
    TextFixture f;
    f.Output(std::string("a") + "\x82");
    EXPECT_EQ(f.glyphs->renderedCodes, (std::vector<uint32_t>{'a'}));
    EXPECT_EQ(f.engine.text.LineEndCursor.x, 50);
}

TEST(TextOutput, ABlankGlyphDrawsNothingButTheCursorStillAdvances) {
    TextFixture f;
    f.Output(" a");
    EXPECT_EQ(f.engine.text.LineEndCursor.x, 60);
    EXPECT_TRUE(f.InkAt(46, 445));
}

TEST(TextOutput, FontSizeThirtyAdvancesTwentyNineAndFifteenWithLinesThirtySixApart) {
    TextFixture f;
    f.engine.text.fontSize = 30;
    f.Output(std::string(kWideBytes) + "a");
    EXPECT_EQ(f.engine.text.LineEndCursor.x, 40 + 29 + 15);
    EXPECT_EQ(f.engine.text.TextCursor.y, 445 + 36);
}

TEST(TextOutput, TheWindowGetsOneCopyPerLineAtSpeedZeroAndOnePerCharacterOtherwise) {
    TextFixture f;
    f.Output(TextFixture::Wide(5));
    EXPECT_EQ(f.platform.Copies().size(), 1u);
    f.platform.ClearCopies();
    f.engine.env.SpeedMs = 40;
    f.Output(TextFixture::Wide(5));
    EXPECT_EQ(f.platform.Copies().size(), 6u);
    // Each character waits out its 40 ms.
    std::vector<int64_t> sleeps = f.platform.FakeTime().Sleeps();
    ASSERT_EQ(sleeps.size(), 5u);
    for (int64_t ms : sleeps) {
        EXPECT_EQ(ms, 40);
    }
}

TEST(TextOutput, AResetRequestStopsTheLineAtOnceAndLeavesTheCursorMidLine) {
    TextFixture f;
    f.engine.env.SpeedMs = 40;
    f.engine.ResetRequest = 1;
    EXPECT_EQ(f.Output(TextFixture::Wide(5)), 0);
    EXPECT_EQ(f.engine.ResetRequest, 0);
    EXPECT_EQ(f.engine.ScriptBusy, 0);
    EXPECT_EQ(f.engine.text.TextCursor.x, 60);
    EXPECT_EQ(f.glyphs->renderedCodes.size(), 1u);
}

TEST(TextOutput, TheWaitIconIsErasedWhenTheNextLineStarts) {
    TextFixture f;
    Fill(f.engine.graphics.WindowLayer, 0x202020);
    f.engine.MessageDrawn = 1;
    f.engine.WaitIconOn = 1;
    f.engine.graphics.ScreenSurface.FillRect(750, 550, 32, 32, 0xFFFFFF);
    f.Output("a");
    EXPECT_EQ(f.engine.WaitIconOn, 0);
    EXPECT_EQ(Pixel(f.engine.graphics.ScreenSurface, 760, 560), 0x202020u);
}

TEST(WaitIcon, TheTickShowsTheTwoFramesInTurnOnlyWhileItIsOn) {
    TextFixture f;
    GraphicsState& g = f.engine.graphics;
    g.WaitIconSurface.FillRect(0, 0, 32, 32, 0x0000FF);
    g.WaitIconSurface.FillRect(0, 32, 32, 32, 0x00FF00);
    WaitIconStep(f.engine);
    EXPECT_TRUE(f.platform.Copies().empty());
    f.engine.WaitIconOn = 1;
    WaitIconStep(f.engine);
    EXPECT_EQ(f.platform.WindowPixel(760, 560), 0x0000FFu);
    WaitIconStep(f.engine);
    EXPECT_EQ(f.platform.WindowPixel(760, 560), 0x00FF00u);
    WaitIconStep(f.engine);
    EXPECT_EQ(f.platform.WindowPixel(760, 560), 0x0000FFu);
    EXPECT_EQ(f.platform.Copies().back(), (testing::WindowCopy{750, 550, 32, 32, 750, 550, false}));
}

TEST(BacklogViewer, PagesThroughThirtyLinesAndClosesOnTheNewestPage) {
    TextFixture f;
    for (int i = 0; i < 30; ++i) {
        char line[2] = {static_cast<char>('A' + i), 0};
        f.glyphs->AddBox(static_cast<uint32_t>('A' + i), 1, 1, 64, 16);
        f.engine.backlog.Add(line, 1);
    }
    GraphicsState& g = f.engine.graphics;
    Fill(g.ScreenSurface, 0x336699);
    f.engine.WaitIconOn = 1;
    auto shown = [&] {
        std::vector<uint32_t> codes = f.glyphs->renderedCodes;
        f.glyphs->renderedCodes.clear();
        return codes;
    };
    auto range = [](int from, int to) {
        std::vector<uint32_t> codes;
        for (int i = from; i >= to; --i) {
            codes.push_back(static_cast<uint32_t>('A' + i));
        }
        return codes;
    };
    EXPECT_EQ(BacklogStep(f.engine, 0), 1);
    EXPECT_EQ(f.engine.UiState, 100);
    EXPECT_EQ(f.engine.WaitIconOn, 0);
    EXPECT_EQ(shown(), range(29, 5));
    EXPECT_EQ(BacklogStep(f.engine, 0), 1);
    EXPECT_EQ(shown(), range(4, 0));
    EXPECT_EQ(BacklogStep(f.engine, 0), 1);
    EXPECT_TRUE(shown().empty());
    EXPECT_EQ(BacklogStep(f.engine, 1), 1);
    EXPECT_EQ(shown(), range(29, 5));
    EXPECT_EQ(BacklogStep(f.engine, 1), 1);
    EXPECT_EQ(f.engine.UiState, 0);
    EXPECT_EQ(f.engine.WaitIconOn, 1);
    EXPECT_EQ(Pixel(g.ScreenSurface, 5, 5), 0x336699u);
    EXPECT_EQ(f.platform.WindowPixel(5, 5), 0x336699u);
}

TEST(BacklogViewer, WithWordWrapLinesWrapAndAPageHoldsTwentyFiveRowsOfWholeLines) {
    TextFixture f;
    f.engine.titleSettings.wrap = WrapMode::kWords;
    // Thirty lines of 80 bytes: 8 words of 9 letters, each line in a letter of its own. A row from x 10
    // holds 76 half-width cells, so every line takes two rows: "w w w w w w w " and "w".
    for (int i = 0; i < 30; ++i) {
        const char letter = static_cast<char>('A' + i);
        // A bar in the middle of the cell: the row above's white cells reach one pixel into this row.
        f.glyphs->AddBox(static_cast<uint32_t>(letter), 1, 10, 64, 10);
        std::string word(9, letter);
        std::string line;
        for (int w = 0; w < 8; ++w) {
            line += word + " ";
        }
        line.resize(80);
        f.engine.backlog.Add(line.data(), 80);
    }
    Fill(f.engine.graphics.ScreenSurface, 0x336699);
    auto page = [&] {
        return std::make_pair(f.engine.text.backlogPosition.load(), f.engine.text.backlogBottom.load());
    };
    EXPECT_EQ(BacklogStep(f.engine, 0), 1);
    EXPECT_EQ(page(), std::make_pair(18, 30));  // twelve lines, 24 rows: a thirteenth would not fit
    // The newest line's second row, its last word alone, stands at the bottom; its first row of
    // seven words above it.
    const Surface& s = f.engine.graphics.ScreenSurface;
    EXPECT_EQ(Pixel(s, 10, 530), 0u);
    EXPECT_EQ(Pixel(s, 10, 510), 0u);
    EXPECT_EQ(Pixel(s, 110, 510), 0u);         // the second word of the first row
    EXPECT_EQ(Pixel(s, 610, 510), 0u);         // its seventh and last
    EXPECT_EQ(Pixel(s, 710, 510), 0x336699u);  // the eighth went to the next row
    EXPECT_EQ(Pixel(s, 110, 530), 0x336699u);  // which holds nothing after it
    EXPECT_EQ(BacklogStep(f.engine, 0), 1);
    EXPECT_EQ(page(), std::make_pair(6, 18));
    EXPECT_EQ(BacklogStep(f.engine, 0), 1);
    EXPECT_EQ(page(), std::make_pair(0, 6));
    EXPECT_EQ(BacklogStep(f.engine, 1), 1);
    EXPECT_EQ(page(), std::make_pair(6, 18));
    EXPECT_EQ(BacklogStep(f.engine, 1), 1);
    EXPECT_EQ(page(), std::make_pair(18, 30));
    EXPECT_EQ(f.engine.UiState, 100);
    EXPECT_EQ(BacklogStep(f.engine, 1), 1);  // the newest page: the viewer closes
    EXPECT_EQ(f.engine.UiState, 0);
}

TEST(BacklogViewer, TheNewestLineStandsAtTheBottomInBlackOnWhite) {
    TextFixture f;
    f.engine.backlog.Add("a", 1);
    Fill(f.engine.graphics.ScreenSurface, 0x336699);
    BacklogStep(f.engine, 0);
    const Surface& s = f.engine.graphics.ScreenSurface;
    // The cell of the line at (10, 520) is opaque white with the glyph's pixel in black.
    bool sawWhite = false;
    bool sawBlack = false;
    for (int y = 520; y < 541; ++y) {
        for (int x = 10; x < 21; ++x) {
            uint32_t c = Pixel(s, x, y);
            sawWhite |= c == 0xFFFFFF;
            sawBlack |= c == 0;
        }
    }
    EXPECT_TRUE(sawWhite);
    EXPECT_TRUE(sawBlack);
    EXPECT_EQ(Pixel(s, 100, 100), 0x336699u);
}

TEST(BacklogViewer, DoesNotOpenWithAnEmptyBacklogOrOutsideReading) {
    TextFixture f;
    EXPECT_EQ(BacklogStep(f.engine, 0), 0);
    EXPECT_EQ(f.engine.UiState, 0);
    f.engine.backlog.Add("a", 1);
    f.engine.UiState = 1;
    EXPECT_EQ(BacklogStep(f.engine, 0), 0);
}

}  // namespace
}  // namespace textreel

namespace textreel {
namespace {

TEST(FontCommands, SizeAndColourTakeEffectFromTheNextLine) {
    testing::EngineFixture f;
    CmdSetFontSize(f.engine, "$setfontsize 28", 15);
    EXPECT_EQ(f.engine.text.fontSize, 28);
    CmdSetFontSize(f.engine, "$setfontsize", 12);
    EXPECT_EQ(f.engine.text.fontSize, 0);
    char line[kLineBufferSize] = "$setfontcolor FF0000";
    CmdSetFontColor(f.engine, line, 20);
    EXPECT_EQ(f.engine.text.fontColor, 0xFF0000u);  // blue in 0x00BBGGRR
    char red[kLineBufferSize] = "$setfontcolor 0000FF";
    CmdSetFontColor(f.engine, red, 20);
    EXPECT_EQ(f.engine.text.fontColor, 0x0000FFu);
    // Without its blank the number starts one byte late.
    char tight[kLineBufferSize] = "$setfontcolor00FF00";
    CmdSetFontColor(f.engine, tight, 19);
    EXPECT_EQ(f.engine.text.fontColor, 0x0FF00u);
    char none[kLineBufferSize] = "$setfontcolor";
    CmdSetFontColor(f.engine, none, 13);
    EXPECT_EQ(f.engine.text.fontColor, 0u);
}

TEST(FontCommands, AbsurdSizesNeitherDrawNorOverflowTheCursor) {
    testing::EngineFixture f;
    f.engine.env.SpeedMs = 0;
    f.engine.text.fontSize = 2000000000;
    std::string line(200, 'a');
    EXPECT_EQ(OutputTextLine(f.engine, line.data(), static_cast<int>(line.size())), 1);
    EXPECT_LE(f.engine.text.TextCursor.y, 1000000000);
    f.engine.text.fontSize = -2000000000;
    EXPECT_EQ(OutputTextLine(f.engine, line.data(), static_cast<int>(line.size())), 1);
}

}  // namespace
}  // namespace textreel

namespace textreel {
namespace {

struct LogoFixture : testing::EngineFixture {
    LogoFixture() {
        Surface logo(800, 600);
        logo.FillRect(0, 0, 800, 600, 0x336699);
        title.Write("cg/menu/logo.bmp", testing::MakeBmp(logo));
        // Long enough to be playing still when the logo has ended, however slow the machine.
        title.Write("sound/logo.wav", testing::MakeWav(8000, 1, std::vector<int16_t>(8000 * 60, 1000)));
    }
    int CountSleeps(int64_t ms) {
        int n = 0;
        for (int64_t s : platform.FakeTime().Sleeps()) {
            n += s == ms ? 1 : 0;
        }
        return n;
    }
};

TEST(Logo, CombsInThenHoldsForEightyRoundsWithItsSound) {
    LogoFixture f;
    EXPECT_EQ(ShowLogo(f.engine), 1);
    EXPECT_EQ(f.platform.WindowPixel(400, 300), 0x336699u);
    EXPECT_EQ(f.CountSleeps(7), 80);   // the comb: 800 / 10 steps of 7 ms
    EXPECT_EQ(f.CountSleeps(20), 80);  // the hold
    EXPECT_TRUE(f.platform.Mixer().InterfaceSoundPlaying());
}

TEST(Logo, ARightClickEndsTheHoldAndSilencesTheSound) {
    LogoFixture f;
    InputEvent right;
    right.kind = InputEvent::Kind::kButtonUp;
    right.button = InputEvent::kRightButton;
    f.platform.PostEvent(right);
    EXPECT_EQ(ShowLogo(f.engine), 1);
    EXPECT_EQ(f.CountSleeps(20), 0);
    EXPECT_FALSE(f.platform.Mixer().InterfaceSoundPlaying());
}

TEST(Logo, AMissingPictureShowsItsPathAndStartUpGoesOn) {
    testing::EngineFixture f;
    EXPECT_EQ(ShowLogo(f.engine), 0);
    ASSERT_EQ(f.platform.Messages().size(), 1u);
    EXPECT_EQ(f.platform.Messages()[0], f.title.Path() + "/cg/menu/logo.bmp");
}

TEST(TextOutput, ProportionalLatinTakesTheFacesAdvancesAndKerningAndFullWidthKeepsItsCell) {
    TextFixture f;
    auto latin = std::make_unique<testing::FakeGlyphSource>();
    latin->ascent = 99;  // never used: Latin letters stand on the message font's baseline (16)
    latin->advances = {{'i', 5}, {'W', 17}, {'A', 12}, {'V', 12}};
    latin->kerning = {{{'A', 'V'}, -3}};
    latin->AddBox('W', 1, 1, 64, 10, 2);
    testing::FakeGlyphSource* face = latin.get();
    f.engine.latinGlyphs = std::move(latin);
    const std::string line = std::string("iWAV") + kWideBytes + "i";
    LineLayout layout;
    LayOutLine(f.engine, reinterpret_cast<const uint8_t*>(line.data()), static_cast<int>(line.size()), 21,
               layout);
    ASSERT_EQ(layout.places.size(), 6u);
    const int expected[] = {40, 45, 62, 71, 83, 103};  // A kerned 3 pixels towards V; the wide cell is 20
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(layout.places[i].x, expected[i]) << i;
    }
    ASSERT_EQ(f.Output(line), 1);
    // W's box: pen 45 + originX 2, baseline 445 + 16 less originY 10.
    EXPECT_NE(Pixel(f.engine.graphics.ScreenSurface, 47, 451) & 0xFF, 0u);
    EXPECT_EQ(Pixel(f.engine.graphics.ScreenSurface, 45 + 10 - 1, 451) & 0xFF, 0u);
    // The full-width character is drawn by the message font, the Latin ones by the Latin face.
    EXPECT_TRUE(f.InkAt(83, 445));
    EXPECT_EQ(std::count(face->renderedCodes.begin(), face->renderedCodes.end(), uint32_t{'W'}), 1);
    EXPECT_EQ(f.engine.text.LineEndCursor.x, 108);
}

}  // namespace
}  // namespace textreel
