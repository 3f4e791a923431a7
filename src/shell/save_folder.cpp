#include "shell/save_folder.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/encoding.h"
#include "platform/error_log.h"
#include "platform/files.h"
#include "shell/engine.h"
#include "shell/messages.h"

namespace textreel {

namespace {

// Makes a folder and the folders above it.
bool MakeDirectories(const std::string& path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        if (!files::MakeDirectory(path.substr(0, slash))) {
            return false;
        }
    }
    return files::MakeDirectory(path);
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

// A folder of the player's configuration as a path: "~/" stands for the home folder.
std::string ExpandHome(std::string_view path) {
    if (path.substr(0, 2) == "~/") {
        std::string home = files::HomeDirectory();
        return home.empty() ? std::string() : home + std::string(path.substr(1));
    }
    return std::string(path);
}

// The largest save-folders.cfg read; a list of folders is a few lines.
constexpr uint64_t kMaxSaveFoldersBytes = 1 << 20;

}  // namespace

std::string SafeFolderName(std::string_view instanceNameSjis) {
    static const char kHex[] = "0123456789abcdef";
    std::string utf8 = Cp932ToUtf8(instanceNameSjis);
    std::string name;
    for (char c : utf8) {
        auto b = static_cast<uint8_t>(c);
        bool plain = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '-' ||
                     b == '_' || (b == '.' && !name.empty()) || b >= 0x80;
        if (plain) {
            name.push_back(c);
        } else {
            name.push_back('%');
            name.push_back(kHex[b >> 4]);
            name.push_back(kHex[b & 15]);
        }
    }
    if (name.empty()) {
        name = "%";
    }
    // Folder names end at 255 bytes; cut on a character boundary well before that.
    if (name.size() > 200) {
        size_t cut = 200;
        while (cut > 0 && (static_cast<uint8_t>(name[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        name.resize(cut);
    }
    return name;
}

std::string DataFolderName(std::string_view instanceNameSjis, std::string_view titleRealPath) {
    // FNV-1a: stable across runs and builds, which the folder's name must be.
    uint64_t hash = 0xcbf29ce484222325ull;
    for (char c : titleRealPath) {
        hash = (hash ^ static_cast<uint8_t>(c)) * 0x100000001b3ull;
    }
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
    return SafeFolderName(instanceNameSjis) + "@" + digits;
}

std::string ChosenSaveFolder(std::string_view config, const std::string& titleRealPath,
                             std::vector<std::string>* problems) {
    unsigned number = 0;
    while (!config.empty()) {
        const size_t end = config.find('\n');
        std::string_view line = Trim(config.substr(0, end));
        config = end == std::string_view::npos ? std::string_view() : config.substr(end + 1);
        ++number;
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            if (problems != nullptr) {
                problems->push_back("line " + std::to_string(number) + " has no \"=\"");
            }
            continue;
        }
        const std::string title = ExpandHome(Trim(line.substr(0, equals)));
        const std::string folder = ExpandHome(Trim(line.substr(equals + 1)));
        if (title.empty() || title.front() != '/' || folder.empty() || folder.front() != '/') {
            if (problems != nullptr) {
                problems->push_back("line " + std::to_string(number) +
                                    ": both folders must be absolute paths or start with \"~/\"");
            }
            continue;
        }
        if (!titleRealPath.empty() && files::RealPath(title) == titleRealPath) {
            return folder;
        }
    }
    return {};
}

std::string Engine::TitleRealPath() const {
    // The working directory as the system gives it is already free of links.
    std::string path = workDir;
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path.empty() ? files::RealPath(".") : path;
}

bool Engine::EnsureSaveFolder(bool create, std::string* path) {
    {
        std::lock_guard lock(saveFolderMutex_);
        if (!saveFolderConfigRead_ && fallbackSaveDir_.empty()) {
            // The player's own choice, in a place no title can ship.
            saveFolderConfigRead_ = true;
            const std::string configDir = files::UserConfigDirectory();
            std::vector<uint8_t> bytes;
            const std::string config = configDir + "/textreel/" + kSaveFoldersFile;
            if (!configDir.empty() && files::ReadAll(config, bytes, kMaxSaveFoldersBytes)) {
                std::vector<std::string> problems;
                fallbackSaveDir_ = ChosenSaveFolder(
                    std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                    TitleRealPath(), &problems);
                for (const std::string& problem : problems) {
                    ErrorPrintf("textreel: %s: %s\n", config.c_str(), problem.c_str());
                }
            }
        }
        if (!fallbackSaveDir_.empty()) {
            if (files::IsDirectory(fallbackSaveDir_) || (create && MakeDirectories(fallbackSaveDir_))) {
                if (path != nullptr) {
                    *path = fallbackSaveDir_;
                }
                return true;
            }
        } else {
            files::Refusal refusal;
            auto existing = files::Resolve("save", &refusal);
            if (existing) {
                // A plain file of that name counts too; writing into it then fails with its own
                // message.
                if (path != nullptr) {
                    *path = *existing;
                }
                return true;
            }
            // A "save" that leads out of the title's folder (another title's save folder, say) is
            // never used; nor is one that cannot be made.
            const bool linkOut = !refusal.reason.empty();
            TraceRefusal(refusal);
            if (!linkOut && create) {
                auto target = files::ResolveForWrite("save");
                if (target && files::MakeDirectory(*target)) {
                    if (path != nullptr) {
                        *path = *target;
                    }
                    return true;
                }
            }
            // The user's data folder keeps this title's saves and settings under the same file
            // names, one folder per title folder.
            std::string data = files::UserDataDirectory();
            if (!data.empty() && (linkOut || create)) {
                const std::string fallback =
                    data + "/textreel/" + DataFolderName(instance.instanceName, TitleRealPath());
                // Earlier versions keyed the folder by the instance name alone: the first title of
                // that name that falls back takes it over.
                const std::string unkeyed = data + "/textreel/" + SafeFolderName(instance.instanceName);
                if (create && !files::Exists(fallback) && files::IsDirectory(unkeyed)) {
                    files::Rename(unkeyed, fallback);
                }
                if (files::IsDirectory(fallback) || (create && MakeDirectories(fallback))) {
                    fallbackSaveDir_ = fallback;
                    ErrorPrintf("textreel: %s; saves and settings go to %s\n",
                                linkOut ? "the title's \"save\" is a link out of its folder and is not used"
                                        : "the title's folder cannot hold a save folder",
                                fallback.c_str());
                    if (path != nullptr) {
                        *path = fallback;
                    }
                    return true;
                }
            }
        }
        if (!create) {
            return false;
        }
    }
    // The box runs on the main thread, which may itself be waiting for the folder's lock: it is
    // shown after the lock is let go.
    Warn(Text(msg::kSaveFolderFailed));
    return false;
}

std::optional<std::string> Engine::SaveFilePath(const std::string& folder, const char* name, bool forWrite) {
    std::string full = folder + "/" + name;
    {
        // The user's data folder is ours, not the title's: its names are used as they are.
        std::lock_guard lock(saveFolderMutex_);
        if (!fallbackSaveDir_.empty() && folder == fallbackSaveDir_) {
            if (forWrite || files::Exists(full)) {
                return full;
            }
            return std::nullopt;
        }
    }
    return forWrite ? files::ResolveForWrite(full) : files::Resolve(full);
}

}  // namespace textreel
