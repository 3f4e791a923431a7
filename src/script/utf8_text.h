// UTF-8 text of titles whose textreel.ini says `encoding = utf-8`: characters read one at a time,
// with bytes that are not UTF-8 standing for U+FFFD, one byte each.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace textreel {

constexpr uint32_t kReplacementCharacter = 0xFFFD;

// The character at bytes[i] (i < length): its byte count, and its code point in code. A byte that
// does not start a whole, shortest-form character (a stray continuation byte, a cut sequence, an
// encoded surrogate, a value past U+10FFFF) counts as one character U+FFFD of one byte.
int DecodeUtf8Char(const uint8_t* bytes, size_t length, size_t i, uint32_t& code);

// True when the byte at bytes[i] starts a character that DecodeUtf8Char reads as valid.
bool IsValidUtf8At(const uint8_t* bytes, size_t length, size_t i);

// The text with every invalid byte replaced by U+FFFD.
std::string ValidUtf8(std::string_view text);

// The longest prefix of text of at most maxBytes bytes that does not end inside a character.
size_t Utf8PrefixLength(std::string_view text, size_t maxBytes);

// The length of text without the start of a character that a byte limit cut off at its end (a
// lead byte followed by fewer continuation bytes than it announces).
size_t Utf8LengthWithoutCutEnd(std::string_view text);

}  // namespace textreel
