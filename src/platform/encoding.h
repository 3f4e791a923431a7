// Text encoding at the boundary: the engine keeps Shift-JIS (code page 932) bytes everywhere and
// converts to UTF-8 only where text leaves it (window title, message boxes, trace, file names).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace textreel {

// Converts CP932 bytes to UTF-8. Bytes that do not form a character become U+FFFD.
std::string Cp932ToUtf8(std::string_view cp932);

// Converts UTF-8 to CP932. Characters CP932 lacks become "?". Returns false through ok when some
// character could not be converted (ok may be null).
std::string Utf8ToCp932(std::string_view utf8, bool* ok = nullptr);

// The Unicode code point of one CP932 character: a single byte, or lead * 256 + trail.
// Returns 0 when the code is not a character.
uint32_t Cp932CodeToUnicode(uint32_t code);

// True when byte b starts a two-byte Shift-JIS character.
constexpr bool IsSjisLeadByte(uint8_t b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

}  // namespace textreel
