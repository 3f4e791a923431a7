#include "script/utf8_text.h"

#include <gtest/gtest.h>

#include <string>

#include "script/flag_block.h"
#include "script/menu_lines.h"
#include "script/save_file.h"
#include "script/title_string.h"
#include "shell/dialog_models.h"

namespace textreel {
namespace {

TEST(Utf8Text, InvalidBytesBecomeReplacementCharactersOneByteEach) {
    struct Case {
        std::string in;
        std::string out;
    };
    const std::string r = "\xEF\xBF\xBD";
    const Case cases[] = {
        {"abc", "abc"},
        {"\xD0\x9F\xD1\x80", "\xD0\x9F\xD1\x80"},  // Cyrillic
        {"\xEC\x95\x88", "\xEC\x95\x88"},          // Hangul
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},  // beyond the first plane
        {"a\xFF"
         "b",
         "a" + r + "b"},
        {"\xC0\xAF", r + r},          // an overlong "/"
        {"\xED\xA0\x80", r + r + r},  // an encoded surrogate
        {"\xEC\x95", r + r},          // cut short at the end
        {"\xEC\x95"
         "a",
         r + r + "a"},                        // cut short before a letter
        {"\xF4\x90\x80\x80", r + r + r + r},  // past U+10FFFF
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ValidUtf8(c.in), c.out) << c.in;
    }
}

TEST(Utf8Text, PrefixesEndOnCharacterBoundaries) {
    const std::string privet = "\xD0\x9F\xD1\x80\xD0\xB8";  // three two-byte letters
    EXPECT_EQ(Utf8PrefixLength(privet, 6), 6u);
    EXPECT_EQ(Utf8PrefixLength(privet, 5), 4u);
    EXPECT_EQ(Utf8PrefixLength(privet, 1), 0u);
    EXPECT_EQ(Utf8PrefixLength("a\xFF"
                               "b",
                               2),
              2u);  // an invalid byte counts as a character of its own
}

TEST(Utf8Text, ACharacterCutAtTheEndIsLeftOut) {
    EXPECT_EQ(Utf8LengthWithoutCutEnd("ab\xEC\x95"), 2u);      // two of a Hangul syllable's three bytes
    EXPECT_EQ(Utf8LengthWithoutCutEnd("ab\xF0\x9F\x98"), 2u);  // three of four
    EXPECT_EQ(Utf8LengthWithoutCutEnd("ab\xD0"), 2u);          // a lone lead byte
    EXPECT_EQ(Utf8LengthWithoutCutEnd("ab\xEC\x95\x88"), 5u);  // whole
    EXPECT_EQ(Utf8LengthWithoutCutEnd("ab\x95"), 3u);          // a stray continuation byte stays
    EXPECT_EQ(Utf8LengthWithoutCutEnd(""), 0u);
}

TEST(Utf8Text, TheSaveTitleKeepsWholeCharactersAndEndsInAnEllipsis) {
    FlagBlock block;
    // 14 Hangul syllables (42 bytes): ten fit in 30 bytes.
    std::string line;
    for (int i = 0; i < 14; ++i) {
        line += "\xEC\x95\x88";
    }
    SetSaveTitle(block, line, true, TextEncoding::kUtf8);
    std::string title(block.Text(FlagBlock::kTitle, FlagBlock::kTitleSize));
    EXPECT_EQ(title, line.substr(0, 30) + "\xE2\x80\xA6");
    // 29 ASCII bytes and a two-byte letter: the letter would end at byte 31, so it goes.
    SetSaveTitle(block, std::string(29, 'a') + "\xD0\x9F", true, TextEncoding::kUtf8);
    EXPECT_EQ(std::string(block.Text(FlagBlock::kTitle, FlagBlock::kTitleSize)),
              std::string(29, 'a') + "\xE2\x80\xA6");
    // A line shorter than 30 bytes has no "…", as a Shift-JIS title's zero hides it; one of
    // exactly 30 bytes has it.
    SetSaveTitle(block, "Hi.", true, TextEncoding::kUtf8);
    EXPECT_EQ(std::string(block.Text(FlagBlock::kTitle, FlagBlock::kTitleSize)), "Hi.");
    SetSaveTitle(block, std::string(30, 'a'), true, TextEncoding::kUtf8);
    EXPECT_EQ(std::string(block.Text(FlagBlock::kTitle, FlagBlock::kTitleSize)),
              std::string(30, 'a') + "\xE2\x80\xA6");
}

TEST(TitleString, CutsOnAWholeCharacterOfItsEncoding) {
    const std::string privet = "\xD0\x9F\xD1\x80\xD0\xB8";  // Cyrillic, two bytes a letter
    const std::string an = "\xEC\x95\x88";                  // Hangul, three bytes
    const std::string a = "\x82\xA0";                       // Shift-JIS hiragana
    struct Case {
        std::string text;
        TextEncoding encoding;
        size_t max;
        std::string kept;
        size_t characters;
    };
    const Case cases[] = {
        {"a" + privet, TextEncoding::kUtf8, 4, "a\xD0\x9F", 4},
        {"a" + privet, TextEncoding::kUtf8, 5, "a\xD0\x9F\xD1\x80", 4},
        {an + an, TextEncoding::kUtf8, 5, an, 2},
        {"ab" + an, TextEncoding::kUtf8, 4, "ab", 3},
        {"a\x95" + an, TextEncoding::kUtf8, 2, "a\x95", 3},  // a stray byte is one character
        {"a" + a + a, TextEncoding::kShiftJis, 4, "a" + a, 3},
        {a + "\xD0\x9F", TextEncoding::kShiftJis, 3, a + "\xD0", 3},  // half-width kana in Shift-JIS
        {"ab", TextEncoding::kShiftJis, 47, "ab", 2},
    };
    for (const Case& c : cases) {
        TitleString text(c.text, c.encoding);
        EXPECT_EQ(text.CutTo(c.max).Bytes(), c.kept) << c.text;
        EXPECT_EQ(text.Characters(), c.characters) << c.text;
    }
    // A selword text of 30 Cyrillic letters keeps 23 whole ones of its 47 bytes.
    std::string word;
    for (int i = 0; i < 30; ++i) {
        word += "\xD0\x9F";
    }
    MenuItemLine item;
    ASSERT_TRUE(ParseWordItem("(x,0," + word + ")", TextEncoding::kUtf8, item));
    EXPECT_EQ(item.text, word.substr(0, 46));
    EXPECT_EQ(TitleString(word, TextEncoding::kUtf8).ToUtf8(), word);
    EXPECT_EQ(TitleString(a, TextEncoding::kShiftJis).ToUtf8(), "\xE3\x81\x82");
}

TEST(Utf8Text, TheNameFieldTakesAnyCharacterAndCountsBytes) {
    EditField field;
    field.SetEncoding(TextEncoding::kUtf8);
    EXPECT_EQ(field.Type("\xEB\xAF\xBC\xEC\x88\x98"), EditField::Typed::kOk);  // Hangul: refused in Shift-JIS
    EXPECT_EQ(field.Characters(), 2u);
    field.Backspace();
    EXPECT_EQ(field.Text(), "\xEB\xAF\xBC");  // a whole character goes
    EditField sjis;
    EXPECT_EQ(sjis.Type("\xEB\xAF\xBC"), EditField::Typed::kNotShiftJis);
    EXPECT_FALSE(NameFits("\xEB\xAF\xBC\xEB\xAF\xBC\xEB\xAF\xBC\xEB\xAF\xBC"));  // 12 bytes
}

}  // namespace
}  // namespace textreel
