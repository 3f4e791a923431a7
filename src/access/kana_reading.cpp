#include "access/kana_reading.h"

#include <mecab.h>

#include <algorithm>

#include "platform/shared_library.h"
#include "script/utf8_text.h"

namespace textreel {

namespace {

// The functions of libmecab used here, looked up once in the loaded library.
struct MecabLibrary {
    SharedLibrary library{"libmecab.so.2", "libmecab2"};
    decltype(&mecab_new2) create = nullptr;
    decltype(&mecab_destroy) destroy = nullptr;
    decltype(&mecab_sparse_tostr2) parse = nullptr;
    decltype(&mecab_strerror) error = nullptr;
    bool ready = library.Bind("mecab_new2", create) && library.Bind("mecab_destroy", destroy) &&
                 library.Bind("mecab_sparse_tostr2", parse) && library.Bind("mecab_strerror", error);
};

const MecabLibrary& Mecab() {
    static const MecabLibrary library;
    return library;
}

// A line longer than this is read in one piece up to here and the rest left as written: lines
// of a scenario are far shorter.
constexpr size_t kMaxReadBytes = 64 * 1024;

}  // namespace

struct KanaReader::Tagger {
    mecab_t* mecab = nullptr;
    std::string failure;  // set once loading failed; it is not tried again
};

bool HoldsKanji(std::string_view utf8) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(utf8.data());
    for (size_t i = 0; i < utf8.size();) {
        uint32_t code = 0;
        i += static_cast<size_t>(DecodeUtf8Char(bytes, utf8.size(), i, code));
        if ((code >= 0x4E00 && code <= 0x9FFF) || (code >= 0x3400 && code <= 0x4DBF) ||
            (code >= 0xF900 && code <= 0xFAFF) || (code >= 0x20000 && code <= 0x3FFFD) || code == 0x3005) {
            return true;
        }
    }
    return false;
}

KanaReader::KanaReader() : tagger_(std::make_unique<Tagger>()) {}

KanaReader::~KanaReader() {
    if (tagger_->mecab != nullptr) {
        Mecab().destroy(tagger_->mecab);
    }
}

bool KanaReader::Read(std::string_view utf8, std::string& reading, std::string& error) {
    Tagger& t = *tagger_;
    if (t.mecab == nullptr && t.failure.empty()) {
        if (!Mecab().ready) {
            t.failure = "MeCab: " + Mecab().library.Error();
        } else {
            // "-Oyomi": the IPA dictionary's output of readings, the surface for unknown words.
            t.mecab = Mecab().create("-Oyomi");
            if (t.mecab == nullptr) {
                const char* why = Mecab().error(nullptr);
                t.failure = std::string("MeCab cannot be started (is mecab-ipadic-utf8 installed?)") +
                            (why != nullptr && *why != '\0' ? ": " + std::string(why) : std::string());
            }
        }
    }
    if (t.mecab == nullptr) {
        error = t.failure;
        return false;
    }
    const std::string text = ValidUtf8(utf8.substr(0, kMaxReadBytes));
    const char* out = Mecab().parse(t.mecab, text.data(), text.size());
    if (out == nullptr) {
        error = "MeCab cannot read the line";
        return false;
    }
    reading = out;
    // Each sentence's reading ends in a line break.
    while (!reading.empty() && (reading.back() == '\n' || reading.back() == '\r')) {
        reading.pop_back();
    }
    reading += std::string(utf8.substr(std::min(utf8.size(), kMaxReadBytes)));
    return true;
}

}  // namespace textreel
