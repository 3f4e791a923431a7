#include "graphics/picture_commands.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

#include "script/commands.h"
#include "support/engine_fixture.h"
#include "support/test_files.h"

namespace textreel {
namespace {

using testing::EngineFixture;
using testing::MakeBmp;
using testing::MakeMasked;

// An RGB picture, rows top-down, as the PNG writer takes it. Colours are 0x00BBGGRR.
struct Picture {
    Picture(int width, int height, uint32_t colour = 0)
        : w(width), h(height), rgb(size_t(width) * height * 3) {
        Fill(0, 0, width, height, colour);
    }
    void Fill(int x, int y, int fw, int fh, uint32_t colour) {
        for (int j = y; j < y + fh; ++j) {
            for (int i = x; i < x + fw; ++i) {
                uint8_t* p = rgb.data() + (size_t(j) * w + i) * 3;
                p[0] = uint8_t(colour);
                p[1] = uint8_t(colour >> 8);
                p[2] = uint8_t(colour >> 16);
            }
        }
    }
    int w, h;
    std::vector<uint8_t> rgb;
};

std::vector<uint8_t> EncodePng(const Picture& picture) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.w);
    image.height = static_cast<png_uint_32>(picture.h);
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    EXPECT_NE(png_image_write_to_memory(&image, nullptr, &size, 0, picture.rgb.data(), 0, nullptr), 0);
    std::vector<uint8_t> bytes(size);
    EXPECT_NE(png_image_write_to_memory(&image, bytes.data(), &size, 0, picture.rgb.data(), 0, nullptr), 0);
    bytes.resize(size);
    return bytes;
}

// The output of one colour-corrected channel, from the colour, the light map, the tint of that
// channel and the correction brightness.
int Expected(int colour, int light, int tint, int brightness) {
    int s = light + tint + brightness - 127;
    if (s > 255) {
        return colour * 255 / 256;
    }
    return s < 0 ? 0 : colour * s / 256;
}

// A channel of the masked blend: cover a = ((255 - mask) * opacity) >> 8 over the destination.
int Blended(int colour, int destination, int mask, int opacity) {
    int a = (255 - mask) * opacity / 256;
    return (colour * a + destination * (255 - a)) / 256;
}

uint32_t Bgr(int r, int g, int b) {
    return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16;
}

struct PictureCommands : ::testing::Test {
    // A small screen keeps the pictures small; the message-window tests use their own 800 x 600.
    static constexpr int kW = 160;
    static constexpr int kH = 120;

    PictureCommands() { g.effectNumber = 1; }

    void Run(void (*command)(Engine&, const char*, int), const std::string& line) {
        command(e, line.c_str(), static_cast<int>(line.size()));
    }
    void WritePng(const std::string& path, const Picture& picture) {
        f.title.Write(path, EncodePng(picture));
    }
    uint32_t Px(const Surface& s, int x, int y) { return EngineFixture::Pixel(s, x, y); }
    std::string BackgroundName() { return std::string(e.flags.Text(FlagBlock::kBackgroundName, 260)); }
    std::string SpriteName(int slot) {
        return std::string(e.flags.Text(FlagBlock::kSpriteNames + 260 * size_t(slot), 260));
    }
    int Active(int slot) { return e.flags.bytes[FlagBlock::kSpriteActive + size_t(slot)]; }
    int Variant() { return e.flags.bytes[FlagBlock::kBackgroundVariant]; }
    int PictureFlagsSet() {
        int n = 0;
        for (int i = 0; i < PersistentFlags::kSize; ++i) {
            n += e.persistentFlags.Get(i) != 0;
        }
        return n;
    }

    EngineFixture f{kW, kH};
    Engine& e = f.engine;
    GraphicsState& g = f.engine.graphics;
};

// ----- fill -----

TEST_F(PictureCommands, AFillLineWithTwoWordsFillsTwiceAndTheLaterNameStays) {
    f.platform.ClearCopies();
    Run(CmdFill, "$fill white blue");
    EXPECT_EQ(BackgroundName(), "FILL_BLUE");
    // One whole-screen cut per fill.
    EXPECT_EQ(f.platform.Copies().size(), 2u);
    EXPECT_EQ(Px(g.BackSurface, 0, 0), 0xFF0000u);
    EXPECT_EQ(Px(g.ScreenSurface, kW - 1, kH - 1), 0xFF0000u);
    EXPECT_EQ(f.platform.WindowPixel(5, 5), 0xFF0000u);
    EXPECT_EQ(Px(g.WorkPixels, 7, 7), 0xFF0000u);
    EXPECT_EQ(Px(g.CleanBackground, 7, 7), 0xFF0000u);

    Run(CmdFill, "$fill red");
    EXPECT_EQ(BackgroundName(), "FILL_RED");
    EXPECT_EQ(Px(g.ScreenSurface, 3, 3), 0x0000FFu);
}

TEST_F(PictureCommands, AFillWithoutAColourWordClearsTheRecordAndDrawsNothing) {
    Run(CmdFill, "$fill green");
    e.flags.bytes[FlagBlock::kSpriteActive] = 1;
    f.platform.ClearCopies();
    Run(CmdFill, "$fill purple");
    EXPECT_EQ(BackgroundName(), "");
    EXPECT_EQ(Active(0), 0);
    EXPECT_TRUE(f.platform.Copies().empty());
    EXPECT_EQ(Px(g.ScreenSurface, 3, 3), 0x00FF00u);
}

// ----- imgblt and ccblt -----

TEST_F(PictureCommands, ImgbltShowsThePictureAndRecordsIt) {
    Picture picture(kW, kH, Bgr(10, 20, 30));
    picture.Fill(0, 0, 1, 1, Bgr(200, 100, 50));
    WritePng("bg/room.png", picture);
    e.flags.bytes[FlagBlock::kSpriteActive] = 1;
    e.flags.bytes[FlagBlock::kSpriteActive + 1] = 1;
    e.flags.bytes[FlagBlock::kBackgroundVariant] = 1;
    Run(CmdImgblt, "$imgblt bg\\room.png");
    EXPECT_EQ(Px(g.ScreenSurface, 0, 0), Bgr(200, 100, 50));
    EXPECT_EQ(Px(g.BackSurface, 1, 0), Bgr(10, 20, 30));
    EXPECT_EQ(Px(g.CleanBackground, 0, 0), Bgr(200, 100, 50));
    EXPECT_EQ(Px(g.WorkPixels, 0, 0), Bgr(200, 100, 50));
    EXPECT_EQ(f.platform.WindowPixel(0, 0), Bgr(200, 100, 50));
    EXPECT_EQ(BackgroundName(), "bg\\room.png");
    EXPECT_EQ(Active(0), 0);
    EXPECT_EQ(Active(1), 0);
    EXPECT_EQ(Variant(), 0);
    EXPECT_TRUE(f.platform.Messages().empty());
}

TEST_F(PictureCommands, APictureSmallerThanTheScreenIsBlackBeyondItsPixels) {
    WritePng("bg/small.png", Picture(20, 10, 0xFFFFFF));
    Run(CmdImgblt, "$imgblt bg\\small.png");
    EXPECT_EQ(Px(g.ScreenSurface, 19, 9), 0xFFFFFFu);
    EXPECT_EQ(Px(g.ScreenSurface, 20, 9), 0u);
    EXPECT_EQ(Px(g.ScreenSurface, 19, 10), 0u);

    // Colour-corrected pictures narrower than twice the screen: only what they have is read, and
    // the light map they lack reads as black. Tint and brightness 255 make black light 254 of 256.
    e.flags.SetPointCounter(0, 255);
    e.flags.SetPointCounter(1, 255);
    e.flags.SetPointCounter(2, 255);
    e.flags.SetPointCounter(3, 255);
    const uint32_t unlit =
        Bgr(Expected(255, 0, 255, 255), Expected(255, 0, 255, 255), Expected(255, 0, 255, 255));
    WritePng("bg/narrow.png", Picture(30, 10, 0xFFFFFF));
    Run(CmdCcblt, "$ccblt bg\\narrow.png");
    EXPECT_EQ(Px(g.ScreenSurface, 29, 9), unlit);
    EXPECT_EQ(Px(g.ScreenSurface, 30, 9), 0u);
    EXPECT_EQ(Px(g.ScreenSurface, 29, 10), 0u);
    WritePng("bg/part.png", Picture(kW + 40, kH, 0xFFFFFF));
    Run(CmdCcblt, "$ccblt bg\\part.png");
    EXPECT_EQ(Px(g.ScreenSurface, 39, 0), 0xFFFFFFu);
    EXPECT_EQ(Px(g.ScreenSurface, 40, 0), unlit);
    EXPECT_EQ(Px(g.ScreenSurface, kW - 1, kH - 1), unlit);
    EXPECT_EQ(Variant(), 1);
}

TEST_F(PictureCommands, CcbltLeavesColoursUnderAWhiteLightMapAndCorrectsTheRest) {
    // Tint red 10 (its low byte; the counter holds more), green 20, blue 30; brightness 150.
    e.flags.SetPointCounter(0, 0x100 + 10);
    e.flags.SetPointCounter(1, 20);
    e.flags.SetPointCounter(2, 30);
    e.flags.SetPointCounter(3, 150);
    Picture picture(2 * kW, kH, Bgr(200, 100, 50));
    picture.Fill(kW, 0, kW, kH, 0xFFFFFF);              // white light: unchanged
    picture.Fill(kW + 1, 0, 1, 1, Bgr(128, 64, 32));    // the general formula
    picture.Fill(kW + 2, 0, 1, 1, Bgr(250, 255, 0));    // above 255, and white in one channel only
    picture.Fill(kW + 3, 0, 1, 1, Bgr(255, 255, 254));  // nearly white
    WritePng("bg/cc.png", picture);
    Run(CmdCcblt, "$ccblt bg\\cc.png");
    EXPECT_EQ(Px(g.ScreenSurface, 0, 0), Bgr(200, 100, 50));
    EXPECT_EQ(Px(g.ScreenSurface, 1, 0),
              Bgr(Expected(200, 128, 10, 150), Expected(100, 64, 20, 150), Expected(50, 32, 30, 150)));
    EXPECT_EQ(Px(g.ScreenSurface, 2, 0),
              Bgr(Expected(200, 250, 10, 150), Expected(100, 255, 20, 150), Expected(50, 0, 30, 150)));
    EXPECT_EQ(Px(g.ScreenSurface, 3, 0),
              Bgr(Expected(200, 255, 10, 150), Expected(100, 255, 20, 150), Expected(50, 254, 30, 150)));
    EXPECT_EQ(Variant(), 1);
    EXPECT_EQ(BackgroundName(), "bg\\cc.png");

    // A light-map byte 0 with tint 0 and brightness 127 gives 0; a white pixel still passes.
    e.flags.SetPointCounter(0, 0);
    e.flags.SetPointCounter(1, 0);
    e.flags.SetPointCounter(2, 0);
    e.flags.SetPointCounter(3, 127);
    picture.Fill(kW + 1, 0, 1, 1, Bgr(0, 255, 0));
    WritePng("bg/cc.png", picture);
    Run(CmdCcblt, "$ccblt bg\\cc.png");
    EXPECT_EQ(Px(g.ScreenSurface, 1, 0), Bgr(0, Expected(100, 255, 0, 127), 0));
    EXPECT_EQ(Px(g.ScreenSurface, 0, 0), Bgr(200, 100, 50));
}

TEST_F(PictureCommands, TheColourCorrectionIsReadWhenThePictureIsDrawn) {
    Picture picture(2 * kW, kH, Bgr(100, 100, 100));
    picture.Fill(kW, 0, kW, kH, Bgr(100, 100, 100));
    WritePng("bg/cc.png", picture);
    e.flags.SetPointCounter(3, 127);
    Run(CmdCcblt, "$ccblt bg\\cc.png");
    EXPECT_EQ(Px(g.ScreenSurface, 0, 0) & 0xFF, uint32_t(Expected(100, 100, 0, 127)));
    e.flags.SetPointCounter(0, 100);
    Run(CmdCcblt, "$ccblt bg\\cc.png");
    EXPECT_EQ(Px(g.ScreenSurface, 0, 0) & 0xFF, uint32_t(Expected(100, 100, 100, 127)));
}

TEST_F(PictureCommands, AMissingForeignOrDamagedPictureShowsItsMessageAndChangesNothing) {
    WritePng("bg/good.png", Picture(kW, kH, Bgr(1, 2, 3)));
    Run(CmdImgblt, "$imgblt bg\\good.png");
    e.flags.bytes[FlagBlock::kSpriteActive] = 1;
    std::vector<uint8_t> png = EncodePng(Picture(kW, kH, 0xFFFFFF));
    f.title.Write("bg/damaged.png", std::vector<uint8_t>(png.begin(), png.begin() + long(png.size() / 2)));
    f.title.Write("bg/text.png", std::string("not a picture"));
    const auto record = e.flags.bytes;
    for (const char* line :
         {"$imgblt bg\\none.png", "$ccblt bg\\text.png", "$imgblt bg\\damaged.png", "$imgblt", "$ccblt bg"}) {
        SCOPED_TRACE(line);
        f.platform.ClearCopies();
        Run(line[1] == 'i' ? CmdImgblt : CmdCcblt, line);
        EXPECT_EQ(e.flags.bytes, record);
        EXPECT_EQ(Px(g.ScreenSurface, 0, 0), Bgr(1, 2, 3));
        EXPECT_EQ(Px(g.BackSurface, 0, 0), Bgr(1, 2, 3));
        EXPECT_EQ(Px(g.WorkPixels, 0, 0), Bgr(1, 2, 3));
        EXPECT_TRUE(f.platform.Copies().empty());
        ASSERT_FALSE(f.platform.Messages().empty());
        EXPECT_EQ(f.platform.Messages().back(), "画像の読み込み失敗");
    }
    EXPECT_EQ(ShowBackground(e, "bg\\none.png", false), 0);
    EXPECT_EQ(ShowBackground(e, "bg\\good.png", true), 1);
    bool captionSeen = false;
    for (const std::string& line : e.trace.CapturedLines()) {
        captionSeen |= line.find("\"caption\":\"zovi\"") != std::string::npos;
    }
    EXPECT_TRUE(captionSeen);
}

// ----- picture numbering -----

TEST_F(PictureCommands, ANumberedPictureIsRecordedAsSeenAndWrittenToEnvDat) {
    WritePng("bg/07_sea.png", Picture(4, 4));
    Run(CmdImgblt, "$imgblt bg\\07_sea.png");
    EXPECT_EQ(e.persistentFlags.Get(6), 1);
    EXPECT_EQ(PictureFlagsSet(), 1);
    std::vector<uint8_t> env = f.title.Read("save/env.dat");
    ASSERT_GE(env.size(), 64u);
    EXPECT_EQ(env[16 + 6], 1);
}

TEST_F(PictureCommands, NamesWithoutANumberOrOutsideTheFlagsRecordNothing) {
    WritePng("07_top.png", Picture(4, 4));
    WritePng("bg/00_a.png", Picture(4, 4));
    WritePng("bg/22_b.png", Picture(4, 4));
    WritePng("bg/99_c.png", Picture(4, 4));
    WritePng("bg/7_d.png", Picture(4, 4));
    for (const char* line : {"$imgblt 07_top.png", "$imgblt bg\\00_a.png", "$ccblt bg\\22_b.png",
                             "$imgblt bg\\99_c.png", "$imgblt bg\\7_d.png"}) {
        SCOPED_TRACE(line);
        Run(line[1] == 'i' ? CmdImgblt : CmdCcblt, line);
        EXPECT_EQ(PictureFlagsSet(), 0);
        EXPECT_FALSE(f.title.Exists("save/env.dat"));
    }
    EXPECT_TRUE(f.platform.Messages().empty());
}

TEST(SeenPictureIndex, ReadsTheTwoDigitsAfterTheFirstBackslash) {
    EXPECT_EQ(SeenPictureIndex("bg\\01_a.png"), 0);
    EXPECT_EQ(SeenPictureIndex("bg\\21.png"), 20);
    EXPECT_EQ(SeenPictureIndex("bg\\x\\05.png"), -1);  // only the first backslash counts
    EXPECT_EQ(SeenPictureIndex("bg\\1"), -1);
    EXPECT_EQ(SeenPictureIndex("bg\\"), -1);
    EXPECT_EQ(SeenPictureIndex("bg\\00.png"), -1);
    EXPECT_EQ(SeenPictureIndex("bg\\22.png"), -1);
    // The second byte of a two-byte character (0x95 0x5C) is not a backslash.
    EXPECT_EQ(SeenPictureIndex("\x95\\03\\07.png"), 6);
}

// ----- sprites -----

struct Sprites : PictureCommands {
    // A masked picture of w x h drawn pixels in one colour; rows [top, top + rows) are opaque.
    Picture Masked(int w, int h, uint32_t colour, int top, int rows) {
        Picture p(2 * w, h, colour);
        p.Fill(w, 0, w, h, 0xFFFFFF);
        p.Fill(w, top, w, rows, 0);
        return p;
    }
};

TEST_F(Sprites, TwoSpritesInOneSlotBothShowAndTheSlotRecordsTheSecond) {
    Run(CmdFill, "$fill black");
    WritePng("chr/a.png", Masked(20, 40, 0x0000FF, 0, 20));   // red upper half
    WritePng("chr/b.png", Masked(20, 40, 0xFF0000, 20, 20));  // blue lower half
    e.flags.bytes[FlagBlock::kBackgroundVariant] = 1;
    Run(CmdSprite, "$sprite 0 100 chr\\a.png");
    Run(CmdSprite, "$sprite 0 100 chr\\b.png");
    // Fully opaque at opacity 255 over black.
    const int full = Blended(255, 0, 0, 255);
    const uint32_t red = Bgr(full, 0, 0);
    const uint32_t blue = Bgr(0, 0, full);
    // Standing on the bottom edge: rows kH - 40 .. kH - 1.
    EXPECT_EQ(Px(g.ScreenSurface, 100, kH - 40), red);
    EXPECT_EQ(Px(g.ScreenSurface, 119, kH - 21), red);
    EXPECT_EQ(Px(g.ScreenSurface, 100, kH - 1), blue);
    EXPECT_EQ(Px(g.ScreenSurface, 100, kH - 41), 0u);
    EXPECT_EQ(Px(g.ScreenSurface, 99, kH - 1), 0u);
    EXPECT_EQ(Px(g.ScreenSurface, 120, kH - 1), 0u);
    EXPECT_EQ(Px(g.CleanBackground, 100, kH - 40), red);
    EXPECT_EQ(SpriteName(0), "chr\\b.png");
    EXPECT_EQ(e.flags.Cell(FlagBlock::kEventFlagCount + 21), 100);
    EXPECT_EQ(Active(0), 1);
    EXPECT_EQ(Active(1), 0);
    // The background is untouched by sprites, and so is the way it was drawn.
    EXPECT_EQ(BackgroundName(), "FILL_BLACK");
    EXPECT_EQ(Variant(), 1);

    // The next background takes them away.
    Run(CmdFill, "$fill white");
    EXPECT_EQ(Active(0), 0);
    EXPECT_EQ(Px(g.ScreenSurface, 100, kH - 40), 0xFFFFFFu);
}

TEST_F(Sprites, FieldsAreCutAtBlanksAndTheOpacityIsTheSprAlphaSetting) {
    Run(CmdFill, "$fill black");
    WritePng("chr/a.png", Masked(20, 10, 0xFFFFFF, 0, 10));
    Run(CmdSprite, "$sprite 1 -10 chr\\a.png");
    const int full = Blended(255, 0, 0, 255);
    const uint32_t white = Bgr(full, full, full);
    EXPECT_EQ(Px(g.ScreenSurface, 0, kH - 1), white);
    EXPECT_EQ(Px(g.ScreenSurface, 9, kH - 1), white);
    EXPECT_EQ(Px(g.ScreenSurface, 10, kH - 1), 0u);
    EXPECT_EQ(int32_t(e.flags.U32(FlagBlock::kSpriteValues + 4)), -10);
    EXPECT_EQ(SpriteName(1), "chr\\a.png");
    EXPECT_EQ(Active(1), 1);

    Run(CmdSprAlpha, "$spralpha 0");
    EXPECT_EQ(g.spriteAlpha, 0);
    Run(CmdSprite, "$sprite 0 50 chr\\a.png");
    EXPECT_EQ(Px(g.ScreenSurface, 50, kH - 1), 0u);
}

TEST_F(Sprites, OtherSlotsDrawWithoutTouchingTheRecord) {
    Run(CmdFill, "$fill black");
    WritePng("chr/a.png", Masked(10, 10, 0x00FF00, 0, 10));
    const auto record = e.flags.bytes;
    const uint32_t green = Bgr(0, Blended(255, 0, 0, 255), 0);
    Run(CmdSprite, "$sprite 2 0 chr\\a.png");
    Run(CmdSprite, "$sprite -1 20 chr\\a.png");
    Run(CmdSprite, "$sprite 99999 40 chr\\a.png");
    EXPECT_EQ(e.flags.bytes, record);
    EXPECT_EQ(Px(g.ScreenSurface, 0, kH - 1), green);
    EXPECT_EQ(Px(g.ScreenSurface, 20, kH - 1), green);
    EXPECT_EQ(Px(g.ScreenSurface, 40, kH - 1), green);
    // A line too short to hold the fields reads slot 0, x 0 and no name.
    Run(CmdSprite, "$sprite");
    EXPECT_EQ(Active(0), 1);
    EXPECT_EQ(f.platform.Messages().size(), 1u);
}

TEST_F(Sprites, AMissingSpriteKeepsItsSlotRecordAndTheScreen) {
    Run(CmdFill, "$fill red");
    Run(CmdSprite, "$sprite 1 30 chr\\none.png");
    EXPECT_EQ(f.platform.Messages(), std::vector<std::string>{"画像の読み込み失敗"});
    EXPECT_EQ(SpriteName(1), "chr\\none.png");
    EXPECT_EQ(Active(1), 1);
    EXPECT_EQ(Px(g.ScreenSurface, 30, kH - 1), 0x0000FFu);
    EXPECT_EQ(Px(g.WorkPixels, 30, kH - 1), 0x0000FFu);
}

// ----- blt -----

TEST_F(PictureCommands, BltCopiesTheRectangleFromBackSurfaceToTheScreenAndTheWindow) {
    EngineFixture big;  // 800 x 600
    GraphicsState& bg = big.engine.graphics;
    EngineFixture::Fill(bg.BackSurface, 0xFF0000);
    bg.BackSurface.FillRect(0, 0, 200, 100, 0x00FF00);
    big.platform.ClearCopies();
    const std::string line = "$blt (100,50,300,150,0,0)";
    CmdBlt(big.engine, line.c_str(), int(line.size()));
    EXPECT_EQ(Px(bg.ScreenSurface, 100, 50), 0x00FF00u);
    EXPECT_EQ(Px(bg.ScreenSurface, 299, 149), 0x00FF00u);
    EXPECT_EQ(Px(bg.ScreenSurface, 300, 149), 0u);
    EXPECT_EQ(Px(bg.ScreenSurface, 299, 150), 0u);
    EXPECT_EQ(Px(bg.ScreenSurface, 99, 50), 0u);
    EXPECT_EQ(big.platform.Copies(), (std::vector<testing::WindowCopy>{{100, 50, 200, 100, 100, 50, false}}));
    EXPECT_EQ(big.platform.WindowPixel(299, 149), 0x00FF00u);
    EXPECT_EQ(big.platform.WindowPixel(300, 149), 0u);
}

TEST_F(PictureCommands, AFourCharacterBltValueLeavesItsCommaAndShiftsTheRest) {
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            g.BackSurface.SetPixel(x, y, Bgr(x, y, 1));
        }
    }
    // Read as x1 0, y1 0 (the comma left by "0000"), x2 100, y2 50, source (60, 7); "8" is left over.
    Run(CmdBlt, "$blt (0000,100,50,60,7,8)");
    EXPECT_EQ(Px(g.ScreenSurface, 0, 0), Bgr(60, 7, 1));
    EXPECT_EQ(Px(g.ScreenSurface, 99, 49), Bgr(159, 56, 1));
    EXPECT_EQ(Px(g.ScreenSurface, 100, 0), 0u);
    EXPECT_EQ(Px(g.ScreenSurface, 0, 50), 0u);
    // A 4-character value in the middle: the source x reads the comma left behind and is 0, the
    // source y takes the next value.
    EngineFixture::Fill(g.ScreenSurface, 0);
    Run(CmdBlt, "$blt (0,0,10,0020,5,6)");
    EXPECT_EQ(Px(g.ScreenSurface, 0, 0), Bgr(0, 5, 1));
    EXPECT_EQ(Px(g.ScreenSurface, 9, 19), Bgr(9, 24, 1));
    EXPECT_EQ(Px(g.ScreenSurface, 0, 20), 0u);
    // A 5-character value: its first 4 characters are the value, the fifth starts the next one.
    EngineFixture::Fill(g.ScreenSurface, 0);
    Run(CmdBlt, "$blt (0,0,10,00020,5,6)");
    EXPECT_EQ(Px(g.ScreenSurface, 0, 1), Bgr(0, 6, 1));
    EXPECT_EQ(Px(g.ScreenSurface, 0, 2), 0u);
    EngineFixture::Fill(g.ScreenSurface, 0);
    Run(CmdBlt, "$blt no values");
    Run(CmdBlt, "$blt (1,2");
    EXPECT_EQ(Px(g.ScreenSurface, 0, 0), 0u);
}

// ----- the message window and the markers -----

TEST(PictureCommandsWindow, AClosedMessageWindowLeavesItsSurfacesAlone) {
    EngineFixture f;
    Engine& e = f.engine;
    GraphicsState& g = e.graphics;
    g.effectNumber = 1;
    EngineFixture::Fill(g.WindowLayer, 0x010203);
    EngineFixture::Fill(g.ButtonStrip, 0x040506);
    EngineFixture::Fill(g.WaitIconSurface, 0x070809);
    f.title.Write("bg/a.png", EncodePng(Picture(800, 600, 0x808080)));
    f.title.Write("chr/s.png", EncodePng(Picture(20, 20, 0)));
    for (const char* line :
         {"$imgblt bg\\a.png", "$ccblt bg\\a.png", "$fill blue", "$sprite 0 0 chr\\s.png"}) {
        SCOPED_TRACE(line);
        std::string text = line;
        auto command = text[1] == 'i'   ? CmdImgblt
                       : text[1] == 'c' ? CmdCcblt
                       : text[1] == 'f' ? CmdFill
                                        : CmdSprite;
        command(e, text.c_str(), int(text.size()));
        EXPECT_EQ(EngineFixture::Pixel(g.WindowLayer, 400, 590), 0x010203u);
        EXPECT_EQ(EngineFixture::Pixel(g.ButtonStrip, 10, 10), 0x040506u);
        EXPECT_EQ(EngineFixture::Pixel(g.WaitIconSurface, 5, 5), 0x070809u);
    }
    EXPECT_TRUE(f.platform.Messages().empty());
}

TEST(PictureCommandsWindow, AnOpenMessageWindowIsComposedIntoWindowLayer) {
    EngineFixture f;
    Engine& e = f.engine;
    GraphicsState& g = e.graphics;
    g.effectNumber = 1;
    e.MessageWindowOpen = 1;
    f.title.Write("cg/menu/bar_a.bmp", MakeBmp(MakeMasked(4, 2, 0, 255)));
    f.title.Write("bg/a.png", EncodePng(Picture(800, 600, 0x646464)));
    const std::string line = "$imgblt bg\\a.png";
    CmdImgblt(e, line.c_str(), int(line.size()));
    EXPECT_EQ(EngineFixture::Pixel(g.WindowLayer, 5, 0), 0x646464u);
    // The band under the message window is darkened by the brightness setting (30).
    EXPECT_EQ(EngineFixture::Pixel(g.WindowLayer, 5, 599), 0x464646u);
    // BackSurface, the clean copy and WorkPixels keep the picture without the window.
    EXPECT_EQ(EngineFixture::Pixel(g.BackSurface, 5, 599), 0x646464u);
    EXPECT_EQ(EngineFixture::Pixel(g.CleanBackground, 5, 599), 0x646464u);
    EXPECT_EQ(EngineFixture::Pixel(g.WorkPixels, 5, 599), 0x646464u);
    EXPECT_EQ(EngineFixture::Pixel(g.ScreenSurface, 5, 599), 0x646464u);
    EXPECT_TRUE(f.platform.Messages().empty());
}

TEST_F(PictureCommands, PictureCommandsClearTheMessageMarkers) {
    WritePng("bg/a.png", Picture(kW, kH));
    WritePng("chr/s.png", Picture(2, 2));
    auto setAll = [&] {
        e.MessageDrawn = 1;
        e.MessageVisible = 1;
        e.WaitIconOn = 1;
    };
    for (const char* line : {"$imgblt bg\\a.png", "$ccblt bg\\a.png", "$fill white"}) {
        SCOPED_TRACE(line);
        setAll();
        Run(line[1] == 'i' ? CmdImgblt : line[1] == 'c' ? CmdCcblt : CmdFill, line);
        EXPECT_EQ(e.MessageDrawn, 0);
        EXPECT_EQ(e.MessageVisible, 0);
        EXPECT_EQ(e.WaitIconOn, 0);
    }
    setAll();
    Run(CmdSprite, "$sprite 0 0 chr\\s.png");
    EXPECT_EQ(e.MessageDrawn, 0);
    EXPECT_EQ(e.MessageVisible, 1);
    EXPECT_EQ(e.WaitIconOn, 0);
}

TEST_F(PictureCommands, TheSettingsStoreTheNumberAfterTheBlank) {
    Run(CmdBrightness, "$brightness 12");
    Run(CmdSprAlpha, "$spralpha -5");
    Run(CmdAlphaDepth, "$alphadepth 100x");
    EXPECT_EQ(g.brightness, 12);
    EXPECT_EQ(g.spriteAlpha, -5);
    EXPECT_EQ(g.alphaDepth, 100);
    Run(CmdBrightness, "$brightness");
    EXPECT_EQ(g.brightness, 0);
}

}  // namespace
}  // namespace textreel
