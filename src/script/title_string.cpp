#include "script/title_string.h"

#include "platform/encoding.h"
#include "script/utf8_text.h"

namespace textreel {

namespace {

// The byte count of the character at bytes[i].
size_t CharacterLength(const std::string& bytes, size_t i, TextEncoding encoding) {
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    if (encoding == TextEncoding::kUtf8) {
        uint32_t code = 0;
        return static_cast<size_t>(DecodeUtf8Char(data, bytes.size(), i, code));
    }
    return IsSjisLeadByte(data[i]) && i + 1 < bytes.size() ? 2 : 1;
}

}  // namespace

TitleString TitleString::CutTo(size_t maxBytes) const {
    size_t n = 0;
    while (n < bytes_.size()) {
        const size_t step = CharacterLength(bytes_, n, encoding_);
        if (n + step > maxBytes) {
            break;
        }
        n += step;
    }
    return TitleString(std::string_view(bytes_).substr(0, n), encoding_);
}

size_t TitleString::Characters() const {
    size_t count = 0;
    for (size_t i = 0; i < bytes_.size(); i += CharacterLength(bytes_, i, encoding_)) {
        ++count;
    }
    return count;
}

std::string TitleString::ToUtf8() const {
    return encoding_ == TextEncoding::kUtf8 ? ValidUtf8(bytes_) : Cp932ToUtf8(bytes_);
}

TitleString TitleString::FromUtf8(std::string_view utf8, TextEncoding encoding, bool* ok) {
    if (ok != nullptr) {
        *ok = true;
    }
    if (encoding == TextEncoding::kUtf8) {
        return TitleString(ValidUtf8(utf8), encoding);
    }
    return TitleString(Utf8ToCp932(utf8, ok), encoding);
}

}  // namespace textreel
