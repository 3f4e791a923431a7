// textreel.ini: the settings a translation adds to a title. A title without the file plays exactly
// as the original engine would; with it, its text may be UTF-8, wrap at words and draw Latin
// letters with their own widths.
//
//   [text]
//   encoding = shift-jis | utf-8
//   wrap = characters | words
//   latin = fixed | proportional
//   latin-font = NAME
//   language = ja | en
//
//   [texts]
//   JAPANESE TEXT = TEXT
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "shell/texts.h"

namespace textreel {

// How the title's scenario, instance names and saved names are encoded.
enum class TextEncoding {
    kShiftJis,  // code page 932, as the original engine reads every title
    kUtf8,      // UTF-8; bytes that are not UTF-8 show as U+FFFD
};

// Where a message row ends.
enum class WrapMode {
    kCharacters,  // after any character that reaches past the wrap limit
    kWords,       // a word of half-width letters that would be cut moves to the next row whole
};

// How half-width text is drawn.
enum class LatinMode {
    kFixed,         // every half-width character takes half a cell
    kProportional,  // the Latin face's own advances and kerning
};

struct TitleSettings {
    static constexpr char kFileName[] = "textreel.ini";
    // A settings file is a few lines; anything larger is not read.
    static constexpr uint64_t kMaxFileBytes = 64 * 1024;
    static constexpr size_t kMaxFontNameBytes = 127;

    TextEncoding encoding = TextEncoding::kShiftJis;
    WrapMode wrap = WrapMode::kCharacters;
    LatinMode latin = LatinMode::kFixed;
    std::string latinFont = "sans-serif";  // fontconfig's name of the Latin face
    bool fromFile = false;                 // the title has a textreel.ini and it was read
    // The language of the engine's own texts, and the title's own wording of some of them (the
    // Japanese text, then the title's text, both UTF-8).
    Language language = Language::kJapanese;
    std::vector<std::pair<std::string, std::string>> texts;
};

// Something in the file that is ignored: its line (from 1) and what is wrong, in words.
struct SettingsProblem {
    uint32_t line = 1;
    std::string message;
};

// Reads the file's bytes: "[section]" lines, "key = value" lines, blank lines and comments
// (";" or "#"). Keys and values are compared without regard to ASCII case (but the font name is
// kept as written). A bad value, an unknown key or section, or a line of another form is ignored
// and described in problems.
TitleSettings ParseTitleSettings(const std::vector<uint8_t>& bytes, std::vector<SettingsProblem>& problems);

// The settings of the title in the current directory. The file is looked up through the title's
// path resolver (inside the folder only, regular files only, at most kMaxFileBytes); without it the
// defaults are returned. fileFound (when given) tells whether a file was there, readable or not.
// refusal (when given) receives why a file by that name was refused (a link out of the folder).
TitleSettings ReadTitleSettings(std::vector<SettingsProblem>& problems, bool* fileFound = nullptr,
                                files::Refusal* refusal = nullptr);

}  // namespace textreel
