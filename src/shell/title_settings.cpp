#include "shell/title_settings.h"

#include <string_view>

#include "access/access_settings.h"
#include "platform/files.h"
#include "script/utf8_text.h"

namespace textreel {

namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

// The text of a line or value as it may appear in a message: printable ASCII kept, other bytes
// as "?", at most 40 of them.
std::string Shown(std::string_view s) {
    std::string out;
    for (char c : s.substr(0, 40)) {
        out += (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    if (s.size() > 40) {
        out += "...";
    }
    return out;
}

bool PlainFontName(std::string_view name) {
    for (char c : name) {
        auto b = static_cast<unsigned char>(c);
        // Control bytes and fontconfig's pattern syntax would let a name ask for more than a family.
        if (b < 0x20 || b == 0x7F || c == ':' || c == '=' || c == ',' || c == '\\') {
            return false;
        }
    }
    return true;
}

}  // namespace

TitleSettings ParseTitleSettings(const std::vector<uint8_t>& bytes, std::vector<SettingsProblem>& problems) {
    TitleSettings settings;
    settings.fromFile = true;
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    // A UTF-8 byte order mark, as some editors write it, is not part of the first line.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    std::string section;
    uint32_t number = 0;
    while (!text.empty()) {
        ++number;
        size_t end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        std::string_view line = TrimSettingText(raw);
        auto problem = [&](std::string message) { problems.push_back({number, std::move(message)}); };
        if (line.empty() || line.front() == ';' || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            if (line.back() != ']') {
                problem("\"" + Shown(line) + "\" is not a [section] line; it is ignored");
                continue;
            }
            section = Lower(TrimSettingText(line.substr(1, line.size() - 2)));
            if (section != "text" && section != "texts") {
                problem("unknown section [" + Shown(section) +
                        "]; its keys are ignored (the sections are [text] and [texts])");
            }
            continue;
        }
        size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            problem("\"" + Shown(line) + "\" is not a key = value line; it is ignored");
            continue;
        }
        std::string key = Lower(TrimSettingText(line.substr(0, equals)));
        std::string_view rawValue = TrimSettingText(line.substr(equals + 1));
        std::string value = Lower(rawValue);
        if (section == "texts") {
            // The title's own wording of an engine text, keyed by its Japanese text.
            std::string japanese(TrimSettingText(line.substr(0, equals)));
            if (!IsEngineText(japanese)) {
                problem("\"" + Shown(japanese) + "\" is not one of the engine's texts; it is ignored");
            } else {
                settings.texts.emplace_back(std::move(japanese), ValidUtf8(rawValue));
            }
            continue;
        }
        if (section != "text") {
            if (section.empty()) {
                problem("\"" + Shown(key) + "\" stands before the [text] section; it is ignored");
            }
            continue;
        }
        auto bad = [&](const char* allowed) {
            problem("\"" + Shown(rawValue) + "\" is not a value of " + key + " (" + allowed +
                    "); it is ignored");
        };
        if (key == "encoding") {
            if (value == "shift-jis" || value == "shift_jis" || value == "cp932") {
                settings.encoding = TextEncoding::kShiftJis;
            } else if (value == "utf-8" || value == "utf8") {
                settings.encoding = TextEncoding::kUtf8;
            } else {
                bad("shift-jis or utf-8");
            }
        } else if (key == "wrap") {
            if (value == "characters") {
                settings.wrap = WrapMode::kCharacters;
            } else if (value == "words") {
                settings.wrap = WrapMode::kWords;
            } else {
                bad("characters or words");
            }
        } else if (key == "latin") {
            if (value == "fixed") {
                settings.latin = LatinMode::kFixed;
            } else if (value == "proportional") {
                settings.latin = LatinMode::kProportional;
            } else {
                bad("fixed or proportional");
            }
        } else if (key == "latin-font") {
            if (rawValue.empty() || rawValue.size() > TitleSettings::kMaxFontNameBytes ||
                !PlainFontName(rawValue)) {
                bad("a font family name of 1 to 127 bytes without control characters, ':', '=', ',' or '\\'");
            } else {
                settings.latinFont = std::string(rawValue);
            }
        } else if (key == "language") {
            if (value == "ja" || value == "japanese") {
                settings.language = Language::kJapanese;
            } else if (value == "en" || value == "english") {
                settings.language = Language::kEnglish;
            } else {
                bad("ja or en");
            }
        } else {
            problem("unknown key \"" + Shown(key) +
                    "\"; it is ignored (the keys are encoding, wrap, latin, latin-font and language)");
        }
    }
    return settings;
}

TitleSettings ReadTitleSettings(std::vector<SettingsProblem>& problems, bool* fileFound,
                                files::Refusal* refusal) {
    if (fileFound != nullptr) {
        *fileFound = false;
    }
    auto path = files::Resolve(TitleSettings::kFileName, refusal);
    if (!path || files::IsDirectory(*path)) {
        return {};
    }
    if (fileFound != nullptr) {
        *fileFound = true;
    }
    std::vector<uint8_t> bytes;
    if (!files::ReadAll(*path, bytes, TitleSettings::kMaxFileBytes)) {
        problems.push_back({1, "the file cannot be read (not a regular file, or larger than " +
                                   std::to_string(TitleSettings::kMaxFileBytes / 1024) +
                                   " KiB); the title plays with the original settings"});
        return {};
    }
    return ParseTitleSettings(bytes, problems);
}

}  // namespace textreel
