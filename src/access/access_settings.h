// textreel's own settings file beside env.dat ("save/textreel.cfg"): one "key=value" a line, for the
// settings the old engine's env.dat has no room for. Lines this version does not know are kept as
// they are when the file is written again.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace textreel {

// A settings line or value without the blanks (spaces, tabs, a CR) around it; shared by the
// key=value files textreel reads (its own settings and a title's textreel.ini).
std::string_view TrimSettingText(std::string_view s);

class SettingsFile {
  public:
    // The largest file read; a longer one is read as empty.
    static constexpr size_t kMaxBytes = 64 * 1024;

    // Reads the text of the file: blank lines, lines starting with "#" and lines without "=" are
    // kept but hold no setting; keys and values lose the blanks around them; a later line with
    // the same key wins.
    static SettingsFile Parse(std::string_view text);
    std::string Format() const;

    // The value of key; fallback when it is missing.
    std::string Get(std::string_view key, std::string_view fallback = {}) const;
    // Sets key, in its line when there is one, else in a new line at the end.
    void Set(std::string_view key, std::string_view value);

  private:
    // Each line: its key (empty for a line that holds no setting) and its text.
    std::vector<std::pair<std::string, std::string>> lines_;
};

}  // namespace textreel
