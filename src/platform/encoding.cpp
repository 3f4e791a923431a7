#include "platform/encoding.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>
#include <vector>

namespace textreel {

namespace {

// One converter per direction, shared by all threads behind a mutex: iconv descriptors keep state.
class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) {
            iconv_close(cd_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts in; on an invalid or unconvertible sequence appends replacement and skips
    // skipBytes(position) input bytes. Returns false if any replacement happened.
    template <typename Skip>
    bool Convert(std::string_view in, std::string& out, std::string_view replacement, Skip skipBytes) {
        out.clear();
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            out.assign(in);
            return false;
        }
        std::lock_guard lock(mutex_);
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        bool clean = true;
        std::vector<char> buffer(in.size() * 4 + 16);
        char* inPtr = const_cast<char*>(in.data());
        size_t inLeft = in.size();
        while (inLeft > 0) {
            char* outPtr = buffer.data();
            size_t outLeft = buffer.size();
            size_t result = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
            out.append(buffer.data(), buffer.size() - outLeft);
            if (result != static_cast<size_t>(-1)) {
                continue;
            }
            if (errno == E2BIG) {
                continue;
            }
            // EILSEQ or EINVAL: an invalid or truncated sequence.
            clean = false;
            out.append(replacement);
            size_t skip = skipBytes(std::string_view(inPtr, inLeft));
            inPtr += skip;
            inLeft -= skip;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return clean;
    }

  private:
    iconv_t cd_;
    std::mutex mutex_;
};

Converter& ToUtf8() {
    static Converter converter("UTF-8", "CP932");
    return converter;
}

Converter& FromUtf8() {
    static Converter converter("CP932", "UTF-8");
    return converter;
}

size_t SkipCp932(std::string_view rest) {
    if (rest.size() >= 2 && IsSjisLeadByte(static_cast<uint8_t>(rest[0]))) {
        return 2;
    }
    return 1;
}

size_t SkipUtf8(std::string_view rest) {
    size_t n = 1;
    while (n < rest.size() && (static_cast<uint8_t>(rest[n]) & 0xC0) == 0x80) {
        ++n;
    }
    return n;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
    std::string out;
    ToUtf8().Convert(cp932, out, "\xEF\xBF\xBD", SkipCp932);
    return out;
}

std::string Utf8ToCp932(std::string_view utf8, bool* ok) {
    std::string out;
    bool clean = FromUtf8().Convert(utf8, out, "?", SkipUtf8);
    if (ok != nullptr) {
        *ok = clean;
    }
    return out;
}

uint32_t Cp932CodeToUnicode(uint32_t code) {
    char bytes[2];
    std::string_view in;
    if (code > 0xFF) {
        bytes[0] = static_cast<char>(code >> 8);
        bytes[1] = static_cast<char>(code & 0xFF);
        in = std::string_view(bytes, 2);
    } else {
        bytes[0] = static_cast<char>(code);
        in = std::string_view(bytes, 1);
    }
    std::string out;
    if (!ToUtf8().Convert(in, out, "", SkipCp932) || out.empty()) {
        return 0;
    }
    // Decode the single UTF-8 character.
    const auto* p = reinterpret_cast<const uint8_t*>(out.data());
    if (p[0] < 0x80) {
        return p[0];
    }
    if ((p[0] & 0xE0) == 0xC0 && out.size() >= 2) {
        return ((p[0] & 0x1Fu) << 6) | (p[1] & 0x3Fu);
    }
    if ((p[0] & 0xF0) == 0xE0 && out.size() >= 3) {
        return ((p[0] & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
    }
    if ((p[0] & 0xF8) == 0xF0 && out.size() >= 4) {
        return ((p[0] & 0x07u) << 18) | ((p[1] & 0x3Fu) << 12) | ((p[2] & 0x3Fu) << 6) | (p[3] & 0x3Fu);
    }
    return 0;
}

}  // namespace textreel
