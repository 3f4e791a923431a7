#include "text/line_layout.h"

#include <algorithm>

#include "platform/encoding.h"
#include "script/utf8_text.h"

namespace textreel {

namespace {

// Cursor arithmetic that cannot overflow, whatever font size a scenario asks for.
int32_t Clamp(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, -1000000000, 1000000000));
}

CharKind KindOf(uint32_t code, bool halfWidth) {
    if (!halfWidth) {
        return CharKind::kOther;
    }
    if (code == 0x20) {
        return CharKind::kSpace;
    }
    // Controls and half-width katakana (Shift-JIS 0xA1-0xDF, Unicode U+FF61-U+FF9F) wrap by character.
    if (code < 0x21 || code == 0x7F || (code >= 0x80 && code < 0xA0) || (code >= 0xFF61 && code <= 0xFF9F)) {
        return CharKind::kOther;
    }
    return CharKind::kWordLetter;
}

}  // namespace

bool IsWideCodePoint(uint32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
           (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
           (c >= 0xA960 && c <= 0xA97F) || (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) ||
           (c >= 0x20000 && c <= 0x3FFFD);
}

void SplitLine(const uint8_t* bytes, int length, TextEncoding encoding, std::vector<LineChar>& out) {
    out.clear();
    for (int i = 0; i < length;) {
        LineChar c;
        c.offset = i;
        if (encoding == TextEncoding::kUtf8) {
            c.length = DecodeUtf8Char(bytes, static_cast<size_t>(length), static_cast<size_t>(i), c.code);
            c.halfWidth = !IsWideCodePoint(c.code) && c.code != kReplacementCharacter;
        } else if (IsSjisLeadByte(bytes[i])) {
            if (i + 1 >= length) {
                break;  // half a character at the end of the line is not drawn
            }
            c.length = 2;
            c.code = bytes[i] * 256u + bytes[i + 1];
            c.halfWidth = false;
        } else {
            c.code = bytes[i];
        }
        c.kind = KindOf(c.code, c.halfWidth);
        out.push_back(c);
        i += c.length;
    }
}

void SetLatinAdvances(std::span<LineChar> chars, GlyphSource& latin, int fontSize, TextEncoding encoding) {
    for (size_t i = 0; i < chars.size(); ++i) {
        LineChar& c = chars[i];
        if (!c.halfWidth) {
            continue;
        }
        const uint32_t code = GlyphCode(c, encoding);
        c.advance = std::max(0, latin.Advance(fontSize, code));
        if (i + 1 < chars.size() && chars[i + 1].halfWidth) {
            c.advance += latin.Kerning(fontSize, code, GlyphCode(chars[i + 1], encoding));
        }
    }
}

void BreakRows(std::span<const LineChar> chars, const RowBreaking& how, std::vector<CharPlace>& places,
               int32_t* endX, int32_t* endRow) {
    places.assign(chars.size(), CharPlace{});
    const bool words = how.mode == WrapMode::kWords;
    int32_t x = how.startX;
    int32_t row = 0;
    bool wrapped = false;  // the current row was begun by a wrap, and nothing is drawn on it yet
    for (size_t i = 0; i < chars.size(); ++i) {
        const LineChar& c = chars[i];
        if (words && wrapped && c.kind == CharKind::kSpace) {
            places[i] = {x, row, false};
            continue;
        }
        if (words && c.kind == CharKind::kWordLetter && x != how.originX &&
            (i == 0 || chars[i - 1].kind != CharKind::kWordLetter)) {
            // Would character wrapping cut this word? It does when the cursor passes the limit
            // before the word's last character.
            int64_t at = x;
            for (size_t j = i; j + 1 < chars.size() && chars[j + 1].kind == CharKind::kWordLetter; ++j) {
                at += chars[j].advance;
                if (at > how.wrapLimit) {
                    x = how.originX;
                    row = Clamp(int64_t{row} + 1);
                    break;
                }
            }
        }
        wrapped = false;
        places[i] = {x, row, true};
        x = Clamp(int64_t{x} + c.advance);
        if (x > how.wrapLimit) {
            x = how.originX;
            row = Clamp(int64_t{row} + 1);
            wrapped = true;
        }
    }
    if (endX != nullptr) {
        *endX = x;
    }
    if (endRow != nullptr) {
        *endRow = row;
    }
}

std::vector<std::string> RowTexts(const uint8_t* bytes, std::span<const LineChar> chars,
                                  std::span<const CharPlace> places) {
    std::vector<std::string> rows;
    for (size_t i = 0; i < chars.size() && i < places.size(); ++i) {
        if (!places[i].shown) {
            continue;
        }
        auto index = static_cast<size_t>(std::max<int64_t>(0, int64_t{places[i].row}));
        if (rows.size() <= index) {
            rows.resize(index + 1);
        }
        rows[index].append(reinterpret_cast<const char*>(bytes) + chars[i].offset,
                           static_cast<size_t>(chars[i].length));
    }
    return rows;
}

}  // namespace textreel
