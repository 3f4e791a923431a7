// Files as the engine sees them. A title's paths are Windows paths in Shift-JIS ("cg\menu\logo.bmp")
// whose letter case may not match the disk; the resolver maps them to real files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace textreel::files {

// Why a path was refused: the path as the title named it (UTF-8) and the reason in words.
struct Refusal {
    std::string path;
    std::string reason;
};

// Maps a Windows-style path (backslashes or slashes, Shift-JIS bytes) relative to the current
// directory (the title's folder) to the path of an existing file or directory inside it. Each
// component is matched exactly first, then case-insensitively, trying its bytes as they are and as
// UTF-8 converted from CP932.
//
// A title is untrusted: an absolute path, a ".." component, or a path whose real location (links
// followed) lies outside the title's real folder is refused like a missing file, with a line on
// stderr and the reason in *refusal when given. The title's "save" folder is held to the same rule:
// a "save" link out of the folder is refused, so that a title cannot aim its saves at another's,
// and a path under "save" must stay inside it.
std::optional<std::string> Resolve(std::string_view windowsPath, Refusal* refusal = nullptr);

// Like Resolve, but for a file that may not exist yet: the folders must exist, the last component
// takes the existing entry that matches it or, when there is none, the name converted to UTF-8.
// The folder that holds it must lie inside the title's folder.
std::optional<std::string> ResolveForWrite(std::string_view windowsPath, Refusal* refusal = nullptr);

// The first entry of the current directory whose name ends in "." + extension (compared without
// regard to ASCII case), taking names in byte order and passing over folders and dangling links;
// extension is given without the dot. The entry found is held to the rules of Resolve: a link that
// leads out of the title's folder, or anything but a regular file (a FIFO, a device, a socket), is
// refused like a missing file, with a line on stderr and the reason in *refusal when given.
std::optional<std::string> FindFirstWithExtension(std::string_view extension, Refusal* refusal = nullptr);

// The largest resource file the engine reads (pictures, masks, parts); larger ones are refused.
constexpr uint64_t kMaxResourceBytes = uint64_t{64} << 20;

// Reads a whole file; false when it cannot be opened or read, is not a regular file (a FIFO, a
// device or a folder never blocks or is read), or is larger than maxBytes.
// spare bytes of room are reserved beyond the file's, so that the caller can append that many
// without the vector moving.
bool ReadAll(const std::string& path, std::vector<uint8_t>& out, uint64_t maxBytes = kMaxResourceBytes,
             size_t spare = 0);

// Opens a regular file for reading as a stdio stream; nullptr when it is missing, not a regular
// file (never blocks on a FIFO), or larger than maxBytes (then *tooLarge is set when given).
std::FILE* OpenRegularFile(const std::string& path, uint64_t maxBytes, bool* tooLarge = nullptr);

// The size of a regular file; false for anything else (missing, a folder, a FIFO, a device).
bool RegularFileSize(const std::string& path, uint64_t& size);

// Writes a file so that a crash never leaves it half-written and a planted link is never followed:
// the bytes go to a temporary beside it with a fresh unique name, created O_CREAT|O_EXCL|O_NOFOLLOW,
// which is flushed and then renamed over the target (a link at the target is replaced, not
// followed). Temporaries of the same target left by a crash are removed first.
bool WriteAtomically(const std::string& path, const void* data, size_t size);

// WriteAtomically with the bytes handed over piece by piece, so that a large file need not be held
// whole: produce calls write for each piece in order and returns false (as does write when the
// disk refuses) to give up, leaving the target as it was.
using WritePiece = std::function<bool(const void* data, size_t size)>;
bool WriteAtomicallyWith(const std::string& path,
                         const std::function<bool(const WritePiece& write)>& produce);

bool Exists(const std::string& path);
bool IsDirectory(const std::string& path);
bool MakeDirectory(const std::string& path);

// Modification time of a file as local calendar fields; false when it does not exist.
struct LocalTime {
    int year, month, day, hour, minute, second;
};
bool ModifiedTime(const std::string& path, LocalTime& out);

std::string CurrentDirectory();
// The real path of an existing entry, links followed; empty when it cannot be had.
std::string RealPath(const std::string& path);
// Renames a file or folder; a link is renamed, never followed.
bool Rename(const std::string& from, const std::string& to);
bool ChangeDirectory(const std::string& path);

// The user's runtime folder ($XDG_RUNTIME_DIR), or the system temp folder when it has none.
std::string RuntimeDirectory();

// The user's data folder ($XDG_DATA_HOME, or ~/.local/share); empty when neither is known.
std::string UserDataDirectory();
// The user's configuration folder ($XDG_CONFIG_HOME, or ~/.config); empty when neither is known.
std::string UserConfigDirectory();
// The user's home folder ($HOME); empty when it is not set to an absolute path.
std::string HomeDirectory();
// The folder of the running program's binary, links resolved; empty when it cannot be found.
std::string ExecutableDirectory();

// The folders in dir (links to folders included, names starting with "." left out), sorted by
// name; at most maxCount of them.
std::vector<std::string> SubFolders(const std::string& dir, size_t maxCount);
// The first regular file in dir whose name ends in "." + extension (any letter case), by name.
std::optional<std::string> FirstFileWithExtension(const std::string& dir, std::string_view extension);

}  // namespace textreel::files
