#include "shell/dialog_models.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"
#include "platform/platform.h"

namespace textreel {
namespace {

std::string S(const char* utf8) {
    return Utf8ToCp932(utf8);
}

TEST(EditField, EditsWholeCharactersAndKeepsTheSelection) {
    EditField f;
    ASSERT_TRUE(f.SetText(S("青葉")));
    f.SelectAll();
    EXPECT_EQ(f.Type("a"), EditField::Typed::kOk);  // replaces the selection
    EXPECT_EQ(f.Text(), "a");
    EXPECT_EQ(f.Type("山田"), EditField::Typed::kOk);
    EXPECT_EQ(f.Text(), S("a山田"));
    f.Left(false);
    f.Backspace();  // the whole double-byte character before the caret
    EXPECT_EQ(f.Text(), S("a田"));
    f.Home(false);
    f.Delete();
    EXPECT_EQ(f.Text(), S("田"));
    f.End(false);
    f.Type("x");
    f.Home(true);  // selects from the end to the start
    EXPECT_EQ(f.Anchor(), 2u);
    EXPECT_EQ(f.Caret(), 0u);
    f.Right(true);  // the selection shrinks to the last character
    f.Delete();
    EXPECT_EQ(f.Text(), S("田"));
    f.Left(false);
    f.Left(false);  // stays at the start
    EXPECT_EQ(f.Caret(), 0u);
}

TEST(EditField, RefusesTextShiftJisCannotHoldAndTextBeyondItsCapacityAsAWhole) {
    EditField f;
    f.SetText("ab");
    EXPECT_EQ(f.Type("c😀d"), EditField::Typed::kNotShiftJis);
    EXPECT_EQ(f.Text(), "ab");
    EXPECT_EQ(f.Type(std::string(EditField::kCapacity - 1, 'x')), EditField::Typed::kTooLong);
    EXPECT_EQ(f.Text(), "ab");
    EXPECT_EQ(f.Type(std::string(EditField::kCapacity - 2, 'x')), EditField::Typed::kOk);
    EXPECT_EQ(f.Bytes(), EditField::kCapacity);
    EXPECT_FALSE(f.SetText(std::string(EditField::kCapacity + 1, 'y')));
    EXPECT_EQ(f.Type("\t\r\n"), EditField::Typed::kOk);  // control characters are dropped
    EXPECT_EQ(f.Bytes(), EditField::kCapacity);
}

TEST(NameRule, CountsBytesNotCharacters) {
    struct Case {
        const char* utf8;
        bool fits;
    } cases[] = {
        {"", true},           {"青葉", true},         {"一二三四五", true},   {"一二三四五六", false},
        {"abcdefghij", true}, {"abcdefghijk", false}, {"a一二三四五", false}, {"ｱｲｳｴｵｶｷｸｹｺ", true}};
    for (const Case& c : cases) {
        EXPECT_EQ(NameFits(S(c.utf8)), c.fits) << c.utf8;
    }
}

TEST(Slider, StaysWithinItsBoundsByKeysPagesAndPositions) {
    struct Case {
        int start;
        int key;
        int expected;
    } cases[] = {{0, vk::kLeft, 0},         {0, vk::kRight, 1},   {255, vk::kDown, 255},
                 {128, vk::kUp, 127},       {10, vk::kPageUp, 0}, {250, vk::kPageDown, 255},
                 {100, vk::kPageDown, 151}, {100, vk::kHome, 0},  {100, vk::kEnd, 255}};
    for (const Case& c : cases) {
        Slider s;
        s.Set(c.start);
        EXPECT_TRUE(s.Key(c.key));
        EXPECT_EQ(s.value, c.expected) << c.start << " key " << c.key;
    }
    Slider s;
    EXPECT_FALSE(s.Key(vk::kReturn));
    s.Set(-5);
    EXPECT_EQ(s.value, 0);
    s.Set(300);
    EXPECT_EQ(s.value, 255);
    EXPECT_EQ(Slider::ValueAt(-100, 10, 188), 0);
    EXPECT_EQ(Slider::ValueAt(10, 10, 188), 0);
    EXPECT_EQ(Slider::ValueAt(197, 10, 188), 255);
    EXPECT_EQ(Slider::ValueAt(1000, 10, 188), 255);
    for (int v : {0, 1, 77, 128, 254, 255}) {
        EXPECT_NEAR(Slider::ValueAt(Slider::PixelOf(v, 10, 188), 10, 188), v, 1);
    }
}

TEST(ColourModel, LoadsLowBytesAndThePreviewLeavesBrightnessOut) {
    ColourModel m;
    m.Load({0x1FF, 0x100 + 7, 300, -1});
    EXPECT_EQ(m.Values(), (std::array<int32_t, 4>{255, 7, 44, 255}));
    EXPECT_EQ(m.PreviewRgb(), 0xFF072Cu);
    m.sliders[3].Set(0);
    EXPECT_EQ(m.PreviewRgb(), 0xFF072Cu);
}

}  // namespace
}  // namespace textreel
