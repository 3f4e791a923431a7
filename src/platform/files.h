// Files as the engine sees them. A title's paths are Windows paths in Shift-JIS ("cg\menu\logo.bmp")
// whose letter case may not match the disk; the resolver maps them to real files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace textreel::files {

// Maps a Windows-style path (backslashes or slashes, Shift-JIS bytes) relative to the current
// directory, or absolute, to the real path of an existing file or directory. Each component is
// matched exactly first, then case-insensitively, trying its bytes as they are and as UTF-8
// converted from CP932.
std::optional<std::string> Resolve(std::string_view windowsPath);

// Like Resolve, but for a file that may not exist yet: the folders must exist, the last component
// takes the existing entry that matches it or, when there is none, the name converted to UTF-8.
std::optional<std::string> ResolveForWrite(std::string_view windowsPath);

// The first regular file in the current directory whose name ends in "." + extension (compared
// without regard to ASCII case), taking names in byte order. extension is given without the dot.
std::optional<std::string> FindFirstWithExtension(std::string_view extension);

// Reads a whole file; false when it cannot be opened or read, or is larger than maxBytes.
bool ReadAll(const std::string& path, std::vector<uint8_t>& out, uint64_t maxBytes = 1ull << 30);

// Writes a file so that a crash never leaves it half-written: the bytes go to a new file beside
// it, which is flushed and then renamed over the old one.
bool WriteAtomically(const std::string& path, const void* data, size_t size);

bool Exists(const std::string& path);
bool IsDirectory(const std::string& path);
bool MakeDirectory(const std::string& path);

// Modification time of a file as local calendar fields; false when it does not exist.
struct LocalTime {
    int year, month, day, hour, minute, second;
};
bool ModifiedTime(const std::string& path, LocalTime& out);

std::string CurrentDirectory();
bool ChangeDirectory(const std::string& path);

// The user's runtime folder ($XDG_RUNTIME_DIR), or the system temp folder when it has none.
std::string RuntimeDirectory();

// The user's data folder ($XDG_DATA_HOME, or ~/.local/share); empty when neither is known.
std::string UserDataDirectory();

}  // namespace textreel::files
