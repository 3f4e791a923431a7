#include "script/byte_text.h"

#include <cstring>

#include "platform/encoding.h"

namespace textreel {

namespace {
bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}
}  // namespace

const char* FindText(const char* haystack, const char* needle) {
    return std::strstr(haystack, needle);
}

const char* FindTextMb(const char* haystack, const char* needle) {
    size_t length = std::strlen(needle);
    if (length == 0) {
        return haystack;
    }
    for (const char* p = haystack; *p != '\0';) {
        if (std::strncmp(p, needle, length) == 0) {
            return p;
        }
        if (IsSjisLeadByte(static_cast<uint8_t>(*p)) && p[1] != '\0') {
            p += 2;
        } else {
            p += 1;
        }
    }
    return nullptr;
}

int64_t FindBytes(const uint8_t* data, size_t size, std::string_view needle) {
    if (needle.empty()) {
        return 0;
    }
    if (size < needle.size()) {
        return -1;
    }
    const auto first = static_cast<uint8_t>(needle[0]);
    size_t last = size - needle.size();
    for (size_t i = 0; i <= last;) {
        const void* hit = std::memchr(data + i, first, last - i + 1);
        if (hit == nullptr) {
            return -1;
        }
        size_t at = static_cast<size_t>(static_cast<const uint8_t*>(hit) - data);
        if (std::memcmp(data + at, needle.data(), needle.size()) == 0) {
            return static_cast<int64_t>(at);
        }
        i = at + 1;
    }
    return -1;
}

int32_t ReadDecimal(const char* text) {
    const char* p = text;
    while (IsCSpace(*p)) {
        ++p;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    int64_t value = 0;
    while (*p >= '0' && *p <= '9') {
        value = value * 10 + (*p - '0');
        if (value > 0x80000000LL) {
            value = 0x80000000LL;
        }
        ++p;
    }
    if (negative) {
        value = -value;
    }
    if (value > INT32_MAX) {
        value = INT32_MAX;
    }
    return static_cast<int32_t>(value);
}

int32_t NumberAfterBlank(const char* line) {
    const char* blank = std::strchr(line, ' ');
    return blank == nullptr ? 0 : ReadDecimal(blank + 1);
}

int32_t ReadHex(const char* text) {
    const char* p = text;
    while (IsCSpace(*p)) {
        ++p;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && HexValue(p[2]) >= 0) {
        p += 2;
    }
    uint64_t value = 0;
    for (int digit = HexValue(*p); digit >= 0; digit = HexValue(*++p)) {
        value = (value << 4) | static_cast<uint64_t>(digit);
        if (value > 0xFFFFFFFFull) {
            value = 0xFFFFFFFFull;
        }
    }
    auto result = static_cast<uint32_t>(value);
    if (negative) {
        result = 0u - result;
    }
    return static_cast<int32_t>(result);
}

const char* TextAfterBlank(const char* line) {
    const char* blank = std::strchr(line, ' ');
    return blank == nullptr ? "" : blank + 1;
}

}  // namespace textreel
