#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/encoding.h"
#include "platform/error_log.h"

namespace textreel::files {

namespace {

// ASCII upper-casing that leaves the trail bytes of Shift-JIS characters alone.
std::string FoldSjis(std::string_view name) {
    std::string out(name);
    for (size_t i = 0; i < out.size(); ++i) {
        auto b = static_cast<uint8_t>(out[i]);
        if (IsSjisLeadByte(b)) {
            ++i;
            continue;
        }
        if (b >= 'a' && b <= 'z') {
            out[i] = static_cast<char>(b - 32);
        }
    }
    return out;
}

// ASCII upper-casing of UTF-8 text (multi-byte sequences never contain ASCII bytes).
std::string FoldUtf8(std::string_view name) {
    std::string out(name);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 32);
        }
    }
    return out;
}

bool IsAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<uint8_t>(c) < 0x80; });
}

std::vector<std::string> ListDirectory(const std::string& dir) {
    std::vector<std::string> names;
    DIR* d = opendir(dir.empty() ? "." : dir.c_str());
    if (d == nullptr) {
        return names;
    }
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name != "." && name != "..") {
            names.push_back(std::move(name));
        }
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

std::string Join(const std::string& dir, const std::string& name) {
    if (dir.empty()) {
        return name;
    }
    if (dir.back() == '/') {
        return dir + name;
    }
    return dir + "/" + name;
}

// Finds the entry of dir that stands for the Windows path component; empty when none does.
std::string MatchComponent(const std::string& dir, std::string_view component) {
    std::string raw(component);
    if (Exists(Join(dir, raw))) {
        return raw;
    }
    std::string utf8 = IsAscii(raw) ? raw : Cp932ToUtf8(raw);
    if (utf8 != raw && Exists(Join(dir, utf8))) {
        return utf8;
    }
    std::string foldedRaw = FoldSjis(raw);
    std::string foldedUtf8 = FoldUtf8(utf8);
    for (const std::string& entry : ListDirectory(dir)) {
        if (FoldUtf8(entry) == foldedUtf8 || FoldSjis(entry) == foldedRaw) {
            return entry;
        }
    }
    return {};
}

std::vector<std::string> SplitComponents(std::string_view path) {
    std::vector<std::string> parts;
    std::string current;
    for (size_t i = 0; i < path.size(); ++i) {
        auto b = static_cast<uint8_t>(path[i]);
        if (IsSjisLeadByte(b) && i + 1 < path.size()) {
            // A trail byte can be 0x5C (the backslash); it belongs to the character.
            current.push_back(path[i]);
            current.push_back(path[i + 1]);
            ++i;
            continue;
        }
        if (b == '\\' || b == '/') {
            if (!current.empty()) {
                parts.push_back(std::move(current));
                current.clear();
            }
            continue;
        }
        current.push_back(path[i]);
    }
    if (!current.empty()) {
        parts.push_back(std::move(current));
    }
    return parts;
}

// The folder a title keeps its saves and settings in.
constexpr std::string_view kSaveFolder = "save";

bool Inside(const std::string& real, const std::string& root) {
    if (real.empty() || root.empty()) {
        return false;
    }
    if (real == root || root == "/") {
        return true;
    }
    return real.size() > root.size() && real.compare(0, root.size(), root) == 0 && real[root.size()] == '/';
}

// Refuses a path the title names (Shift-JIS), or with named false a name read from the disk.
std::optional<std::string> Refuse(std::string_view windowsPath, const char* reason, Refusal* refusal,
                                  bool named = true) {
    std::string shown(windowsPath);
    if (named && !IsAscii(shown)) {
        shown = Cp932ToUtf8(shown);
    }
    ErrorPrintf("textreel: refused %s: %s\n", shown.c_str(), reason);
    if (refusal != nullptr) {
        refusal->path = shown;
        refusal->reason = reason;
    }
    return std::nullopt;
}

std::optional<std::string> ResolveImpl(std::string_view windowsPath, bool forWrite, Refusal* refusal) {
    if (windowsPath.empty()) {
        return std::nullopt;
    }
    // Absolute paths, Unix or Windows ("/etc", "\\x", "C:\\x", "C:x").
    if (windowsPath[0] == '/' || windowsPath[0] == '\\' ||
        (windowsPath.size() >= 2 && windowsPath[1] == ':' &&
         !IsSjisLeadByte(static_cast<uint8_t>(windowsPath[0])))) {
        return Refuse(windowsPath, "an absolute path", refusal);
    }
    std::vector<std::string> parts = SplitComponents(windowsPath);
    for (const std::string& part : parts) {
        if (part == "..") {
            return Refuse(windowsPath, "a path through the parent folder", refusal);
        }
    }
    std::string dir;
    std::string anchor;  // the save folder, for a path under it
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        if (part == ".") {
            continue;
        }
        std::string match = MatchComponent(dir, part);
        if (match.empty()) {
            if (forWrite && i + 1 == parts.size()) {
                match = IsAscii(part) ? part : Cp932ToUtf8(part);
            } else {
                return std::nullopt;
            }
        }
        if (dir.empty() && i + 1 < parts.size() && FoldUtf8(match) == FoldUtf8(kSaveFolder) &&
            IsDirectory(match)) {
            anchor = RealPath(match);
        }
        dir = Join(dir, match);
    }
    if (dir.empty()) {
        return std::nullopt;
    }
    std::string root = RealPath(".");
    // A path under the save folder stays inside it (a planted link in it reaches no other file of
    // the title), and the save folder inside the title.
    if (!anchor.empty()) {
        if (!Inside(anchor, root)) {
            return Refuse(windowsPath, "a link that leads out of the title's folder", refusal);
        }
        root = anchor;
    }
    // A file about to be written need not exist: the folder that will hold it must be inside.
    std::string checked = dir;
    if (forWrite) {
        struct stat st {};
        if (lstat(dir.c_str(), &st) != 0 || S_ISLNK(st.st_mode)) {
            size_t slash = dir.rfind('/');
            checked = slash == std::string::npos ? "." : dir.substr(0, slash);
        }
    }
    if (!Inside(RealPath(checked), root)) {
        return Refuse(windowsPath, "a link that leads out of the title's folder", refusal);
    }
    return dir;
}

}  // namespace

std::optional<std::string> Resolve(std::string_view windowsPath, Refusal* refusal) {
    return ResolveImpl(windowsPath, false, refusal);
}

std::optional<std::string> ResolveForWrite(std::string_view windowsPath, Refusal* refusal) {
    return ResolveImpl(windowsPath, true, refusal);
}

std::optional<std::string> FindFirstWithExtension(std::string_view extension, Refusal* refusal) {
    std::string suffix = "." + FoldUtf8(extension);
    for (const std::string& entry : ListDirectory(".")) {
        if (entry.size() <= suffix.size()) {
            continue;
        }
        std::string tail = FoldUtf8(std::string_view(entry).substr(entry.size() - suffix.size()));
        struct stat st {};
        if (tail != suffix || stat(entry.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
            continue;
        }
        if (!Inside(RealPath(entry), RealPath("."))) {
            return Refuse(entry, "a link that leads out of the title's folder", refusal, false);
        }
        if (!S_ISREG(st.st_mode)) {
            return Refuse(entry, "not a regular file", refusal, false);
        }
        return entry;
    }
    return std::nullopt;
}

std::FILE* OpenRegularFile(const std::string& path, uint64_t maxBytes, bool* tooLarge) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return nullptr;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) > maxBytes) {
        if (tooLarge != nullptr && S_ISREG(st.st_mode)) {
            *tooLarge = true;
        }
        close(fd);
        return nullptr;
    }
    // Back to blocking reads: a regular file never waits, and stdio expects it.
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = fdopen(fd, "rb");
    if (file == nullptr) {
        close(fd);
    }
    return file;
}

bool RegularFileSize(const std::string& path, uint64_t& size) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    size = static_cast<uint64_t>(st.st_size);
    return true;
}

bool ReadAll(const std::string& path, std::vector<uint8_t>& out, uint64_t maxBytes, size_t spare) {
    out.clear();
    // O_NONBLOCK: opening a FIFO would otherwise wait for a writer for good. A regular file reads
    // the same either way.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) > maxBytes) {
        close(fd);
        return false;
    }
    out.reserve(static_cast<size_t>(st.st_size) + spare);
    out.assign(static_cast<size_t>(st.st_size), 0);
    size_t done = 0;
    while (done < out.size()) {
        ssize_t n = read(fd, out.data() + done, out.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;  // the file shrank while we read it; keep what arrived
        }
        done += static_cast<size_t>(n);
    }
    out.resize(done);
    close(fd);
    return true;
}

namespace {

constexpr std::string_view kTempMark = ".tmp-";

// Removes the temporaries of name in dir that a crashed write left behind ("name.tmp-XXXXXXXX"),
// and the older fixed name "name.new". unlink never follows a link.
void RemoveStaleTemporaries(const std::string& dir, const std::string& name) {
    std::string prefix = name + std::string(kTempMark);
    for (const std::string& entry : ListDirectory(dir)) {
        if (entry.compare(0, prefix.size(), prefix) == 0 || entry == name + ".new") {
            unlink(Join(dir, entry).c_str());
        }
    }
}

std::string RandomSuffix() {
    uint8_t bytes[8] = {};
    if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
        // Still unique enough to retry: O_EXCL refuses any name that exists.
        uint64_t t = static_cast<uint64_t>(std::time(nullptr)) ^ (static_cast<uint64_t>(getpid()) << 32) ^
                     reinterpret_cast<uintptr_t>(&bytes);
        std::memcpy(bytes, &t, sizeof bytes);
    }
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (uint8_t b : bytes) {
        out.push_back(kHex[b >> 4]);
        out.push_back(kHex[b & 15]);
    }
    return out;
}

}  // namespace

bool WriteAtomically(const std::string& path, const void* data, size_t size) {
    return WriteAtomicallyWith(path, [data, size](const WritePiece& write) { return write(data, size); });
}

bool WriteAtomicallyWith(const std::string& path,
                         const std::function<bool(const WritePiece& write)>& produce) {
    size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) {
        return false;
    }
    RemoveStaleTemporaries(dir, name);
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        temp = Join(dir, name + std::string(kTempMark) + RandomSuffix());
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST) {
            return false;
        }
    }
    if (fd < 0) {
        return false;
    }
    auto write = [fd](const void* data, size_t size) {
        const auto* bytes = static_cast<const uint8_t*>(data);
        size_t done = 0;
        while (done < size) {
            ssize_t n = ::write(fd, bytes + done, size - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return false;
            }
            done += static_cast<size_t>(n);
        }
        return true;
    };
    bool ok = produce(write);
    if (ok && fsync(fd) != 0) {
        ok = false;
    }
    if (close(fd) != 0) {
        ok = false;
    }
    if (ok && rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
    }
    if (!ok) {
        unlink(temp.c_str());
    }
    return ok;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirectory(const std::string& path) {
    return mkdir(path.c_str(), 0755) == 0 || IsDirectory(path);
}

bool ModifiedTime(const std::string& path, LocalTime& out) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        return false;
    }
    std::tm tm{};
    time_t t = st.st_mtime;
    if (localtime_r(&t, &tm) == nullptr) {
        return false;
    }
    out = LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
    return true;
}

std::string CurrentDirectory() {
    std::vector<char> buffer(4096);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20)) {
            return ".";
        }
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

std::string RealPath(const std::string& path) {
    char* real = realpath(path.empty() ? "." : path.c_str(), nullptr);
    if (real == nullptr) {
        return {};
    }
    std::string out = real;
    std::free(real);
    return out;
}

bool Rename(const std::string& from, const std::string& to) {
    return rename(from.c_str(), to.c_str()) == 0;
}

bool ChangeDirectory(const std::string& path) {
    return chdir(path.c_str()) == 0;
}

std::string RuntimeDirectory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] != '\0' && IsDirectory(runtime)) {
        return runtime;
    }
    const char* temp = std::getenv("TMPDIR");
    if (temp != nullptr && temp[0] != '\0' && IsDirectory(temp)) {
        return temp;
    }
    return "/tmp";
}

std::string ExecutableDirectory() {
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof buffer) {
        return "";
    }
    std::string path(buffer, static_cast<size_t>(n));
    return path.substr(0, path.rfind('/'));
}

std::vector<std::string> SubFolders(const std::string& dir, size_t maxCount) {
    std::vector<std::string> folders;
    for (const std::string& entry : ListDirectory(dir)) {
        if (folders.size() >= maxCount) {
            break;
        }
        if (entry[0] != '.' && IsDirectory(Join(dir, entry))) {
            folders.push_back(entry);
        }
    }
    return folders;
}

std::optional<std::string> FirstFileWithExtension(const std::string& dir, std::string_view extension) {
    std::string suffix = "." + FoldUtf8(extension);
    for (const std::string& entry : ListDirectory(dir)) {
        if (entry.size() <= suffix.size() ||
            FoldUtf8(std::string_view(entry).substr(entry.size() - suffix.size())) != suffix) {
            continue;
        }
        struct stat st {};
        if (stat(Join(dir, entry).c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            return entry;
        }
    }
    return std::nullopt;
}

std::string UserDataDirectory() {
    // Only absolute paths count, as the base-directory rules ask.
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') {
        return data;
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return std::string(home) + "/.local/share";
    }
    return "";
}

std::string UserConfigDirectory() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') {
        return config;
    }
    std::string home = HomeDirectory();
    return home.empty() ? "" : home + "/.config";
}

std::string HomeDirectory() {
    const char* home = std::getenv("HOME");
    return home != nullptr && home[0] == '/' ? home : "";
}

}  // namespace textreel::files
