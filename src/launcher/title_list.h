// The titles played before, newest first, kept in the user's settings folder
// ($XDG_CONFIG_HOME/textreel/titles): one title a line, its fields separated by tabs: the folder,
// the instance file, the window name and (when it has run) the save folder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace textreel::launcher {

struct KnownTitle {
    std::string folder;        // absolute
    std::string instanceFile;  // the instance file's name in the folder; empty: the first by name
    std::string name;          // the window name, UTF-8 (the folder's own name until first played)
    std::string saveFolder;    // where its saves went when it last ran; empty before
};

class TitleList {
  public:
    static constexpr size_t kMaxTitles = 100;
    static constexpr size_t kMaxBytes = 256 * 1024;

    // "$XDG_CONFIG_HOME/textreel/titles" (or under ~/.config); empty when no folder is known.
    static std::string DefaultPath();

    // Lines that are not three or four tab-separated fields with an absolute folder are left out, as is a
    // title listed twice (the newer line wins).
    static TitleList Parse(std::string_view text);
    std::string Format() const;

    // Reads the list; false when the file does not exist (a first start), true otherwise (an
    // unreadable or oversized file reads as empty).
    bool Load(const std::string& path);
    // Writes through a temporary file renamed into place, making the folder when needed.
    bool Save(const std::string& path) const;

    // Puts the title first, replacing its older entry (the same folder and instance file).
    void Remember(const KnownTitle& title);
    void Remove(size_t index);

    const std::vector<KnownTitle>& Titles() const { return titles_; }

  private:
    std::vector<KnownTitle> titles_;
};

}  // namespace textreel::launcher
