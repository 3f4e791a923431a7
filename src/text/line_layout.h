// Cutting a message line into characters and the characters into rows: where each character of a
// line goes before any of it is drawn, so that words can move to the next row whole and the trace
// can tell the rows.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "shell/title_settings.h"
#include "text/glyph_source.h"

namespace textreel {

// What a character is to the row breaker.
enum class CharKind {
    kWordLetter,  // a half-width letter, digit or punctuation mark: part of a word
    kSpace,       // a half-width space: the place between words
    kOther,       // full-width text, half-width kana, controls: a row may break after any of them
};

struct LineChar {
    int offset = 0;  // the first byte in the line
    int length = 1;  // bytes
    uint32_t code =
        0;  // Shift-JIS: the byte, or lead * 256 + trail; UTF-8: the code point (U+FFFD when invalid)
    bool halfWidth = true;
    CharKind kind = CharKind::kOther;
    int32_t advance = 0;  // pixels the cursor moves after it (filled in by the caller)
};

// The characters of a line. Shift-JIS: a lead byte and its trail are one full-width character, a
// lead byte that is the last byte of the line is dropped. UTF-8: every byte that does not start a
// whole, shortest-form character is one character U+FFFD; East Asian wide characters are
// full-width.
void SplitLine(const uint8_t* bytes, int length, TextEncoding encoding, std::vector<LineChar>& out);

// The code a GlyphSource draws the character by.
constexpr uint32_t GlyphCode(const LineChar& c, TextEncoding encoding) {
    return encoding == TextEncoding::kUtf8 ? (c.code | kUnicodeGlyph) : c.code;
}

// Gives every half-width character the Latin face's own advance at fontSize, kerned against the
// next character when that one is half-width too (proportional Latin).
void SetLatinAdvances(std::span<LineChar> chars, GlyphSource& latin, int fontSize, TextEncoding encoding);

// True for a UTF-8 code point drawn full-width (Hangul, CJK, full-width forms).
bool IsWideCodePoint(uint32_t code);

// Where one character is drawn.
struct CharPlace {
    int32_t x = 0;
    int32_t row = 0;    // 0 for the row the line starts on
    bool shown = true;  // false for a space that a word wrap left at the start of a row
};

struct RowBreaking {
    int32_t startX = 40;      // the cursor x where the line starts
    int32_t originX = 40;     // where every further row starts
    int32_t wrapLimit = 780;  // a row ends once the cursor passes it
    WrapMode mode = WrapMode::kCharacters;
};

// Places the characters. With kCharacters a row ends after the character that takes the cursor
// past the wrap limit. With kWords, in addition, a word (a run of kWordLetter characters) that
// this rule would cut moves to the next row whole, unless it already starts a row (then it breaks
// by characters), and half-width spaces at the start of a row that a wrap began are not drawn.
// endX and endRow (when given) receive the cursor after the last character.
void BreakRows(std::span<const LineChar> chars, const RowBreaking& how, std::vector<CharPlace>& places,
               int32_t* endX = nullptr, int32_t* endRow = nullptr);

// The characters' bytes row by row, as drawn (spaces left out by a word wrap are not in them).
std::vector<std::string> RowTexts(const uint8_t* bytes, std::span<const LineChar> chars,
                                  std::span<const CharPlace> places);

}  // namespace textreel
