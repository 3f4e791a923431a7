// The texts table: every text of the engine's own that the player meets (menus, dialogs, boxes,
// notices, the save and load screens, the launcher) by its Japanese text. The Japanese texts are
// the default; a title's textreel.ini may choose the English table (`language = en`) and replace
// any entry in its [texts] section. A new text is one row of kEntries in texts.cpp.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace textreel {

enum class Language {
    kJapanese,
    kEnglish,
};

struct TextEntry {
    const char* japanese;
    const char* english;
};

// Every text of the table, in UTF-8.
std::span<const TextEntry> TextEntries();

// Whether japanese is the key of an entry.
bool IsEngineText(std::string_view japanese);

class TextTable {
  public:
    // Chooses the language and the title's own replacements (Japanese key, text). Set once at
    // start-up, before any thread reads the table.
    void Use(Language language, const std::vector<std::pair<std::string, std::string>>& overrides);

    // The text the player meets for an engine text given by its Japanese form. A text that is not
    // in the table is returned as it is.
    std::string operator()(std::string_view japanese) const;

    Language InUse() const { return language_; }

  private:
    Language language_ = Language::kJapanese;
    std::unordered_map<std::string, std::string> overrides_;
};

}  // namespace textreel
