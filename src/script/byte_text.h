// Searches and number reading on zero-terminated Shift-JIS byte strings, with the C library's rules
// that scenario and instance files were written against.
#pragma once

#include <cstdint>
#include <string_view>

namespace textreel {

// The first occurrence of needle in haystack as plain bytes (strstr rules: both end at their first
// zero byte). Returns nullptr when there is none.
const char* FindText(const char* haystack, const char* needle);

// The first occurrence of needle that starts on a character boundary of the Shift-JIS haystack:
// a match never starts on the second byte of a two-byte character.
const char* FindTextMb(const char* haystack, const char* needle);

// The first occurrence of needle in the first size bytes of data (zero bytes included), or -1.
int64_t FindBytes(const uint8_t* data, size_t size, std::string_view needle);

// atoi rules: white space skipped, an optional sign, decimal digits up to the first non-digit;
// 0 when there are none. Values beyond 32 bits saturate.
int32_t ReadDecimal(const char* text);

// The decimal number that starts right after the first blank of the line; 0 when there is none.
int32_t NumberAfterBlank(const char* line);

// strtol base 16 rules: white space skipped, an optional sign and "0x", hexadecimal digits up to the
// first non-hex character; 0 when there are none. The result is cut to 32 bits.
int32_t ReadHex(const char* text);

// The rest of the line after its first blank ("" when it has none).
const char* TextAfterBlank(const char* line);

}  // namespace textreel
