// Text the title wrote (message lines, menu words and labels, names, resource paths) together with
// the encoding it is written in. Measuring, cutting and converting go through this type, so that
// a title's text never reaches the player through the wrong conversion; the engine's own texts are
// plain UTF-8 strings and never take this type.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "shell/title_settings.h"

namespace textreel {

class TitleString {
  public:
    TitleString() = default;
    TitleString(std::string_view bytes, TextEncoding encoding) : bytes_(bytes), encoding_(encoding) {}

    // The bytes as the title wrote them (and as saves store them).
    const std::string& Bytes() const { return bytes_; }
    TextEncoding Encoding() const { return encoding_; }
    bool Empty() const { return bytes_.empty(); }

    // The longest start of at most maxBytes bytes that ends on a whole character: a Shift-JIS
    // lead byte is never kept without its trail byte, a UTF-8 sequence never in part.
    TitleString CutTo(size_t maxBytes) const;
    // The number of characters (a byte that starts no whole character counts as one).
    size_t Characters() const;
    // The text as UTF-8; bytes that form no character become U+FFFD.
    std::string ToUtf8() const;
    // UTF-8 text (typed by the player, or the engine's own) in the given encoding; ok (when given)
    // is cleared when a character Shift-JIS lacks became "?".
    static TitleString FromUtf8(std::string_view utf8, TextEncoding encoding, bool* ok = nullptr);

    bool operator==(const TitleString&) const = default;

  private:
    std::string bytes_;
    TextEncoding encoding_ = TextEncoding::kShiftJis;
};

}  // namespace textreel
