// The files a title names, looked at without playing them: found through the engine's path
// resolver, kept inside the title's folder, and read far enough to tell whether the engine can use
// them. Every answer is cached by path, so a scenario that names one picture a thousand times reads
// it once.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace textreel::check {

// kSound: music, voices and effects, which the engine plays from Ogg Vorbis or WAV alike.
enum class FileKind { kPng, kBmp, kSound, kMovie };

struct FileInfo {
    bool found = false;
    std::string problem;  // why it cannot be used (UTF-8), empty when it can
    int width = 0;        // PNG and BMP pictures: the declared size
    int height = 0;
    int bitsPerPixel = 0;        // BMP only
    std::vector<uint8_t> bytes;  // BMP only: the whole file, for the checks of each use
};

class FileProbe {
  public:
    // The current directory is the title's folder.
    FileProbe();
    ~FileProbe();

    // Looks at the file the script names by windowsPath (Shift-JIS, backslashes). The problem text
    // names the file as written (in UTF-8) and, when the name does not resolve, the nearest name
    // that exists.
    const FileInfo& Probe(std::string_view windowsPath, FileKind kind);

    // Frees the bytes a BMP's probe keeps once its use has been checked, so that a title with many
    // large pictures does not pile them up in memory.
    void DropBytes(std::string_view windowsPath, FileKind kind);

  private:
    std::string Refusal(std::string_view windowsPath, const std::string& real) const;
    std::string Nearest(std::string_view windowsPath);
    void Inspect(const std::string& real, FileKind kind, FileInfo& info) const;
    static std::string InspectMovie(const std::string& real);

    std::string root_;  // the title's folder, canonical, with a trailing "/"
    std::unordered_map<std::string, FileInfo> cache_;
    bool listed_ = false;
    int suggestions_ = 0;
    std::vector<std::string> files_;  // every regular file under the title, relative, for suggestions
};

// The script's path in UTF-8, as an author reads it.
std::string ShownPath(std::string_view windowsPath);

}  // namespace textreel::check
