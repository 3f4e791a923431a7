#include "script/utf8_text.h"

namespace textreel {

int DecodeUtf8Char(const uint8_t* bytes, size_t length, size_t i, uint32_t& code) {
    const uint8_t b = bytes[i];
    code = kReplacementCharacter;
    if (b < 0x80) {
        code = b;
        return 1;
    }
    size_t need = 0;
    uint32_t value = 0;
    uint32_t least = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        need = 1;
        value = b & 0x1Fu;
        least = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        need = 2;
        value = b & 0x0Fu;
        least = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        need = 3;
        value = b & 0x07u;
        least = 0x10000;
    } else {
        return 1;
    }
    if (i + need >= length) {
        return 1;
    }
    for (size_t k = 1; k <= need; ++k) {
        const uint8_t c = bytes[i + k];
        if ((c & 0xC0) != 0x80) {
            return 1;
        }
        value = (value << 6) | (c & 0x3Fu);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return 1;
    }
    code = value;
    return static_cast<int>(need + 1);
}

bool IsValidUtf8At(const uint8_t* bytes, size_t length, size_t i) {
    uint32_t code = 0;
    int n = DecodeUtf8Char(bytes, length, i, code);
    return n > 1 || code != kReplacementCharacter;
}

std::string ValidUtf8(std::string_view text) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        uint32_t code = 0;
        auto n = static_cast<size_t>(DecodeUtf8Char(bytes, text.size(), i, code));
        if (n == 1 && code == kReplacementCharacter) {
            out += "\xEF\xBF\xBD";
        } else {
            out.append(text.substr(i, n));
        }
        i += n;
    }
    return out;
}

size_t Utf8PrefixLength(std::string_view text, size_t maxBytes) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    size_t end = 0;
    for (size_t i = 0; i < text.size();) {
        uint32_t code = 0;
        auto n = static_cast<size_t>(DecodeUtf8Char(bytes, text.size(), i, code));
        if (i + n > maxBytes) {
            break;
        }
        i += n;
        end = i;
    }
    return end;
}

size_t Utf8LengthWithoutCutEnd(std::string_view text) {
    const size_t n = text.size();
    for (size_t back = 1; back <= 3 && back <= n; ++back) {
        const auto b = static_cast<uint8_t>(text[n - back]);
        if ((b & 0xC0) == 0x80) {
            continue;  // a continuation byte: the lead may stand further back
        }
        const size_t announced = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 ? 2 : 1;
        return announced > back ? n - back : n;
    }
    return n;
}

}  // namespace textreel
