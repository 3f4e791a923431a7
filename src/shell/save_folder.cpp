#include "shell/save_folder.h"

#include <cstdio>

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

bool Engine::EnsureSaveFolder(bool create, std::string* path) {
    {
        std::lock_guard lock(saveFolderMutex_);
        if (!fallbackSaveDir_.empty()) {
            if (files::IsDirectory(fallbackSaveDir_) || (create && MakeDirectories(fallbackSaveDir_))) {
                if (path != nullptr) {
                    *path = fallbackSaveDir_;
                }
                return true;
            }
        } else {
            auto existing = files::Resolve("save", nullptr, files::Scope::kTitleOrSave);
            if (existing) {
                // A plain file of that name counts too; writing into it then fails with its own
                // message.
                if (path != nullptr) {
                    *path = *existing;
                }
                return true;
            }
            if (!create) {
                return false;
            }
            auto target = files::ResolveForWrite("save");
            if (target && files::MakeDirectory(*target)) {
                if (path != nullptr) {
                    *path = *target;
                }
                return true;
            }
            // The title's folder cannot take a save folder: the user's data folder keeps this
            // title's saves and settings under the same file names.
            std::string data = files::UserDataDirectory();
            if (!data.empty()) {
                std::string fallback = data + "/textreel/" + SafeFolderName(instance.instanceName);
                if (MakeDirectories(fallback)) {
                    fallbackSaveDir_ = fallback;
                    ErrorPrintf(
                        "textreel: the title's folder cannot hold a save folder; saves and settings "
                        "go to %s\n",
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
    return forWrite ? files::ResolveForWrite(full)
                    : files::Resolve(full, nullptr, files::Scope::kTitleOrSave);
}

}  // namespace textreel
