#include "text/line_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace textreel {
namespace {

// The rows a line is cut into at font size 21 (full-width 20 pixels, half-width 10) in a row from
// x 40 to the wrap limit 780, as the characters' bytes.
std::vector<std::string> Rows(const std::string& line, WrapMode mode, int32_t startX = 40,
                              TextEncoding encoding = TextEncoding::kShiftJis) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(line.data());
    std::vector<LineChar> chars;
    SplitLine(bytes, static_cast<int>(line.size()), encoding, chars);
    for (LineChar& c : chars) {
        c.advance = c.halfWidth ? 10 : 20;
    }
    RowBreaking how;
    how.startX = startX;
    how.mode = mode;
    std::vector<CharPlace> places;
    BreakRows(chars, how, places);
    return RowTexts(bytes, chars, places);
}

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) {
        out += s;
    }
    return out;
}

using R = std::vector<std::string>;

TEST(WordWrap, WordsMoveWholeLongWordsBreakAndWrappedSpacesVanish) {
    // A row holds 75 half-width characters: the 75th starts at x 780, at the limit.
    const std::string a70 = Repeat("a", 70);
    const std::string wide = "\x82\xA0";  // full-width hiragana a
    struct Case {
        const char* name;
        std::string line;
        WrapMode mode;
        R rows;
    };
    const Case cases[] = {
        {"a word that fits stays", a70 + " word", WrapMode::kWords, {a70 + " word"}},
        {"a word that would be cut moves whole", a70 + " words", WrapMode::kWords, {a70 + " ", "words"}},
        {"character wrapping cuts it", a70 + " words", WrapMode::kCharacters, {a70 + " word", "s"}},
        {"spaces that begin a wrapped row are not drawn",
         a70 + " word" + "   next",
         WrapMode::kWords,
         {a70 + " word", "next"}},
        {"spaces that begin the line are drawn", "  indented", WrapMode::kWords, {"  indented"}},
        {"punctuation moves with its word", a70 + " (abc.", WrapMode::kWords, {a70 + " ", "(abc."}},
        {"a word longer than a row breaks by characters",
         Repeat("b", 80),
         WrapMode::kWords,
         {Repeat("b", 75), Repeat("b", 5)}},
        {"spaces after a word cut by characters stay",
         Repeat("b", 80) + " x  y",
         WrapMode::kWords,
         {Repeat("b", 75), Repeat("b", 5) + " x  y"}},
        {"spaces after a wrapped full-width row stay",
         Repeat(wide, 39) + " x y",
         WrapMode::kWords,
         {Repeat(wide, 38), wide + " x y"}},
        {"a long word after a short one moves, then breaks",
         "ab " + Repeat("c", 80),
         WrapMode::kWords,
         {"ab ", Repeat("c", 75), Repeat("c", 5)}},
        {"full-width text still wraps by character",
         Repeat(wide, 39),
         WrapMode::kWords,
         {Repeat(wide, 38), wide}},
        {"a word after full-width text moves whole",
         Repeat(wide, 36) + "word",
         WrapMode::kWords,
         {Repeat(wide, 36), "word"}},
        {"full-width text after a word stays on its row",
         a70 + wide + wide + wide,
         WrapMode::kWords,
         {a70 + wide + wide + wide}},
        {"half-width kana wrap by character",
         Repeat("\xB1", 80),
         WrapMode::kWords,
         {Repeat("\xB1", 75), Repeat("\xB1", 5)}},
        {"a half character at the end is not drawn", "ab\x82", WrapMode::kWords, {"ab"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Rows(c.line, c.mode), c.rows) << c.name;
    }
}

TEST(WordWrap, ALineContinuingMidRowMovesItsFirstWordWhenItWouldBeCut) {
    // After "$X" the line starts where the last one ended.
    EXPECT_EQ(Rows("abc defgh", WrapMode::kWords, 740), (R{"abc ", "defgh"}));
    EXPECT_EQ(Rows("abcdefgh", WrapMode::kWords, 740), (R{"", "abcdefgh"}));
    EXPECT_EQ(Rows("abcdefgh", WrapMode::kCharacters, 740), (R{"abcde", "fgh"}));
}

TEST(WordWrap, Utf8CharactersAreWholeAndInvalidBytesAreReplacementCharacters) {
    const auto* text = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xEC\x95\x88\xEB\x85\x95 \xFF\xC3";
    std::string line(text);
    std::vector<LineChar> chars;
    SplitLine(reinterpret_cast<const uint8_t*>(line.data()), static_cast<int>(line.size()),
              TextEncoding::kUtf8, chars);
    ASSERT_EQ(chars.size(), 12u);
    EXPECT_EQ(chars[0].code, 0x41Fu);  // Cyrillic capital Pe: half-width, part of a word
    EXPECT_TRUE(chars[0].halfWidth);
    EXPECT_EQ(chars[0].kind, CharKind::kWordLetter);
    EXPECT_EQ(chars[6].kind, CharKind::kSpace);
    EXPECT_EQ(chars[7].code, 0xC548u);  // Hangul: full-width
    EXPECT_FALSE(chars[7].halfWidth);
    EXPECT_EQ(chars[7].length, 3);
    EXPECT_EQ(chars[10].code, 0xFFFDu);  // a byte that never starts a character
    EXPECT_EQ(chars[11].code, 0xFFFDu);  // a lead byte cut off at the end
    EXPECT_EQ(chars[11].length, 1);

    // A Russian word that would be cut moves whole.
    std::string privet(text, 12);
    EXPECT_EQ(Rows(Repeat("a", 72) + " " + privet, WrapMode::kWords, 40, TextEncoding::kUtf8),
              (R{Repeat("a", 72) + " ", privet}));
}

}  // namespace
}  // namespace textreel
