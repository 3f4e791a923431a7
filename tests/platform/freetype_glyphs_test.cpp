#include "platform/freetype_glyphs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "graphics/surface.h"
#include "text/draw_glyph.h"

namespace textreel {
namespace {

constexpr uint32_t kAi = 0x82A0;     // "あ"
constexpr uint32_t kNichi = 0x93FA;  // "日"

class FreeTypeGlyphsTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(glyphs.Open(&description)) << description; }

    FreeTypeGlyphs glyphs;
    std::string description;
};

TEST_F(FreeTypeGlyphsTest, OpensAJapaneseGothic) {
    EXPECT_TRUE(description.find("Gothic") != std::string::npos ||
                description.find("\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF") != std::string::npos)
        << description;
    EXPECT_TRUE(glyphs.IsOpen());
}

TEST_F(FreeTypeGlyphsTest, HiraganaRendersAsAPaddedGreyBitmap) {
    GlyphBitmap bitmap;
    ASSERT_TRUE(glyphs.Render(21, kAi, bitmap));
    EXPECT_GT(bitmap.blackBoxWidth, 8);
    EXPECT_LE(bitmap.blackBoxWidth, 21);
    EXPECT_GT(bitmap.blackBoxHeight, 8);
    EXPECT_LE(bitmap.blackBoxHeight, 21);
    EXPECT_EQ(bitmap.pitch, (bitmap.blackBoxWidth + 3) & ~3);
    EXPECT_EQ(glyphs.BitmapSize(21, kAi), static_cast<int64_t>(bitmap.pitch) * bitmap.blackBoxHeight);
    ASSERT_EQ(bitmap.levels.size(), static_cast<size_t>(bitmap.pitch) * bitmap.blackBoxHeight);
    uint8_t highest = *std::max_element(bitmap.levels.begin(), bitmap.levels.end());
    EXPECT_LE(highest, 64);
    EXPECT_GE(highest, 60);
    // Anti-aliased: some levels lie between none and full.
    EXPECT_TRUE(
        std::any_of(bitmap.levels.begin(), bitmap.levels.end(), [](uint8_t v) { return v > 0 && v < 60; }));
    // The black box sits on the baseline, inside the cell.
    int ascent = glyphs.Ascent(21);
    EXPECT_GT(bitmap.originY, 0);
    EXPECT_LE(bitmap.originY, ascent);
    EXPECT_LE(ascent - bitmap.originY + bitmap.blackBoxHeight, 21);
}

TEST_F(FreeTypeGlyphsTest, SpacesAreBlank) {
    EXPECT_EQ(glyphs.BitmapSize(21, 0x20), 0);
    EXPECT_EQ(glyphs.BitmapSize(21, 0x8140), 0);  // full-width space
    GlyphBitmap bitmap;
    EXPECT_TRUE(glyphs.Render(21, 0x20, bitmap));
    EXPECT_TRUE(bitmap.levels.empty());
}

TEST_F(FreeTypeGlyphsTest, CellHeightSetsAscentAndBoxSizes) {
    int ascent = glyphs.Ascent(21);
    EXPECT_GE(ascent, 15);
    EXPECT_LE(ascent, 21);
    EXPECT_GT(glyphs.Ascent(30), ascent);

    GlyphBitmap small;
    GlyphBitmap large;
    ASSERT_TRUE(glyphs.Render(21, kAi, small));
    ASSERT_TRUE(glyphs.Render(30, kAi, large));
    EXPECT_GT(large.blackBoxWidth, small.blackBoxWidth);
    EXPECT_GT(large.blackBoxHeight, small.blackBoxHeight);
    EXPECT_GT(glyphs.BitmapSize(30, kAi), glyphs.BitmapSize(21, kAi));
}

TEST_F(FreeTypeGlyphsTest, AdvancesAreWholeAndHalfCells) {
    EXPECT_EQ(glyphs.Advance(21, kAi), 21);
    EXPECT_EQ(glyphs.Advance(30, kNichi), 30);
    // Half-width characters take half the cell, give or take the rounding of an odd size.
    EXPECT_NEAR(glyphs.Advance(21, 'A'), 10.5, 0.5);
    EXPECT_EQ(glyphs.Advance(30, 'A'), 15);
    EXPECT_NEAR(glyphs.Advance(21, 0xB1), 10.5, 0.5);  // half-width katakana
}

TEST_F(FreeTypeGlyphsTest, CodesThatAreNotCharactersAreRefused) {
    GlyphBitmap bitmap;
    for (uint32_t code : {0x8100u, 0x4142u, 0x82u, 0x00u, 0x10000u, 0x82A0FFu}) {
        EXPECT_EQ(glyphs.BitmapSize(21, code), -1) << std::hex << code;
        EXPECT_FALSE(glyphs.Render(21, code, bitmap)) << std::hex << code;
    }
    // A character that cannot be drawn still takes its cell.
    EXPECT_EQ(glyphs.Advance(21, 0x8100), 21);
}

TEST_F(FreeTypeGlyphsTest, SizesOutsideTheUsableRangeAreRefused) {
    for (int size : {0, -21, FreeTypeGlyphs::kMaxCellHeight + 1}) {
        EXPECT_EQ(glyphs.BitmapSize(size, kAi), -1) << size;
        EXPECT_EQ(glyphs.Ascent(size), 0) << size;
    }
    EXPECT_GT(glyphs.BitmapSize(FreeTypeGlyphs::kMaxCellHeight, 'A'), 0);
}

TEST_F(FreeTypeGlyphsTest, SwitchingSizesDoesNotDisturbLaterRenders) {
    GlyphBitmap first;
    ASSERT_TRUE(glyphs.Render(21, kNichi, first));
    GlyphBitmap other;
    ASSERT_TRUE(glyphs.Render(30, kAi, other));
    glyphs.ClearCache();
    GlyphBitmap again;
    ASSERT_TRUE(glyphs.Render(21, kNichi, again));
    EXPECT_EQ(again.levels, first.levels);
    EXPECT_EQ(again.originY, first.originY);
}

TEST_F(FreeTypeGlyphsTest, ThreadsRenderingAtDifferentSizesAgree) {
    GlyphBitmap reference21;
    GlyphBitmap reference30;
    ASSERT_TRUE(glyphs.Render(21, kAi, reference21));
    ASSERT_TRUE(glyphs.Render(30, kAi, reference30));
    auto worker = [this](int size, const GlyphBitmap& reference, bool& same) {
        same = true;
        for (int i = 0; i < 200; ++i) {
            if (i % 10 == 0) {
                glyphs.ClearCache();
            }
            GlyphBitmap bitmap;
            same = same && glyphs.Render(size, kAi, bitmap) && bitmap.levels == reference.levels;
            same = same && glyphs.Ascent(size) > 0;
        }
    };
    bool same21 = false;
    bool same30 = false;
    std::thread a(worker, 21, std::cref(reference21), std::ref(same21));
    std::thread b(worker, 30, std::cref(reference30), std::ref(same30));
    a.join();
    b.join();
    EXPECT_TRUE(same21);
    EXPECT_TRUE(same30);
}

TEST_F(FreeTypeGlyphsTest, DrawnMessageTextStaysInItsCell) {
    Surface surface(64, 40);
    const uint8_t ai[] = {0x82, 0xA0};
    DrawGlyph(glyphs, surface, 21, 10, 5, ai, 2, 0xFFFFFF);
    int inked = 0;
    int brightest = 0;
    for (int y = 0; y < surface.Height(); ++y) {
        for (int x = 0; x < surface.Width(); ++x) {
            uint32_t colour = 0;
            ASSERT_TRUE(surface.GetPixel(x, y, colour));
            if (colour != 0) {
                ++inked;
                brightest = std::max<int>(brightest, colour & 0xFF);
                EXPECT_GE(x, 10);
                EXPECT_LT(x, 31);
                EXPECT_GE(y, 5);
                EXPECT_LT(y, 26);
            }
        }
    }
    EXPECT_GT(inked, 40);
    EXPECT_EQ(brightest, 250);
}

int64_t Ink(FreeTypeGlyphs& glyphs, int size, uint32_t code) {
    GlyphBitmap bitmap;
    if (!glyphs.Render(size, code, bitmap)) {
        return -1;
    }
    int64_t sum = 0;
    for (uint8_t level : bitmap.levels) {
        sum += level;
    }
    return sum;
}

// Weight 600 takes the face's own bold when there is one; a face without one has its outlines
// thickened, so every stroke carries more ink and the pen moves at least as far.
TEST(FontWeight, SemiBoldIsTheBoldFaceOrEmboldenedOutlines) {
    FontFace face;
    ASSERT_TRUE(MatchJapaneseFace("IPAGothic", "", face));
    FreeTypeGlyphs regular;
    ASSERT_TRUE(regular.OpenFace(face, nullptr));
    FontFace plain = face;
    plain.weight = FreeTypeGlyphs::kRegular;
    FreeTypeGlyphs emboldened(FreeTypeGlyphs::kSemiBold);
    std::string description;
    ASSERT_TRUE(emboldened.OpenFace(plain, &description));
    EXPECT_NE(description.find("emboldened"), std::string::npos) << description;
    for (uint32_t code : {kNichi, kAi, uint32_t{'0'}, uint32_t{'N'}, uint32_t{'/'}}) {
        EXPECT_GT(Ink(emboldened, 17, code), Ink(regular, 17, code) * 11 / 10) << std::hex << code;
        EXPECT_GE(emboldened.Advance(17, code), regular.Advance(17, code)) << std::hex << code;
    }
    // A face that is bold itself is drawn as it is.
    FontFace bold = face;
    bold.weight = 700;
    FreeTypeGlyphs ownBold(FreeTypeGlyphs::kSemiBold);
    ASSERT_TRUE(ownBold.OpenFace(bold, &description));
    EXPECT_EQ(description.find("emboldened"), std::string::npos) << description;
    EXPECT_EQ(Ink(ownBold, 17, kNichi), Ink(regular, 17, kNichi));
    // Open() asks fontconfig for the weight; with only regular faces installed it thickens them.
    FreeTypeGlyphs opened(FreeTypeGlyphs::kSemiBold);
    ASSERT_TRUE(opened.Open(&description)) << description;
    FontFace asked;
    ASSERT_TRUE(MatchJapaneseFace("IPAGothic", "", asked, FreeTypeGlyphs::kSemiBold));
    EXPECT_EQ(description.find("emboldened") != std::string::npos, asked.weight < 600) << description;
}

TEST(FontMatch, OnlyFacesCoveringJapaneseAreAccepted) {
    FontFace face;
    EXPECT_FALSE(MatchJapaneseFace("DejaVu Sans", "", face));
    EXPECT_FALSE(MatchJapaneseFace("NoSuchFaceAnywhere", "", face));
    ASSERT_TRUE(MatchJapaneseFace("IPAGothic", "", face));
    EXPECT_TRUE(std::filesystem::exists(face.file)) << face.file;
    EXPECT_NE(face.family.find("IPA"), std::string::npos) << face.family;
}

TEST(FontMatch, AFileThatIsNotAFontIsRefused) {
    FreeTypeGlyphs glyphs;
    std::string description;
    FontFace face{std::string(TEXTREEL_TEST_DATA) + "/platform/freetype_glyphs_test.cpp", 0, "Nothing"};
    EXPECT_FALSE(glyphs.OpenFace(face, &description));
    EXPECT_NE(description.find("freetype_glyphs_test.cpp"), std::string::npos) << description;
    EXPECT_FALSE(glyphs.IsOpen());
    EXPECT_EQ(glyphs.BitmapSize(21, kAi), -1);
    EXPECT_EQ(glyphs.Ascent(21), 0);
    EXPECT_EQ(glyphs.Advance(21, kAi), 21);
    EXPECT_EQ(glyphs.Advance(21, 'A'), 10);
}

}  // namespace
}  // namespace textreel
