#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "platform/encoding.h"

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

std::optional<std::string> ResolveImpl(std::string_view windowsPath, bool forWrite) {
    if (windowsPath.empty()) {
        return std::nullopt;
    }
    std::string dir;
    if (windowsPath[0] == '/') {
        dir = "/";
    }
    std::vector<std::string> parts = SplitComponents(windowsPath);
    if (parts.empty()) {
        return dir.empty() ? std::nullopt : std::optional<std::string>(dir);
    }
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        if (part == ".") {
            continue;
        }
        if (part == "..") {
            dir = Join(dir, "..");
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
        dir = Join(dir, match);
    }
    return dir;
}

}  // namespace

std::optional<std::string> Resolve(std::string_view windowsPath) {
    return ResolveImpl(windowsPath, false);
}

std::optional<std::string> ResolveForWrite(std::string_view windowsPath) {
    return ResolveImpl(windowsPath, true);
}

std::optional<std::string> FindFirstWithExtension(std::string_view extension) {
    std::string suffix = "." + FoldUtf8(extension);
    for (const std::string& entry : ListDirectory(".")) {
        if (entry.size() <= suffix.size()) {
            continue;
        }
        std::string tail = FoldUtf8(std::string_view(entry).substr(entry.size() - suffix.size()));
        struct stat st {};
        if (tail == suffix && stat(entry.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            return entry;
        }
    }
    return std::nullopt;
}

bool ReadAll(const std::string& path, std::vector<uint8_t>& out, uint64_t maxBytes) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) > maxBytes) {
        close(fd);
        return false;
    }
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

bool WriteAtomically(const std::string& path, const void* data, size_t size) {
    // A fresh file every time: a leftover of an earlier crash, or a link planted in its place, is
    // removed (never followed) first.
    std::string temp = path + ".new";
    unlink(temp.c_str());
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    size_t done = 0;
    bool ok = true;
    while (done < size) {
        ssize_t n = write(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<size_t>(n);
    }
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

}  // namespace textreel::files
