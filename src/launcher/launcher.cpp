#include "launcher/launcher.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "launcher/launcher_window.h"
#include "platform/error_log.h"
#include "platform/files.h"

namespace textreel::launcher {

Launcher::Launcher(std::string listPath, std::string demoFolder)
    : listPath_(std::move(listPath)), demoFolder_(std::move(demoFolder)) {}

void Launcher::Load() {
    if (!list_.Load(listPath_) && !demoFolder_.empty() && files::IsDirectory(demoFolder_)) {
        // A first start: the demo that comes with textreel is there to try.
        list_.Remember({demoFolder_, "", "textreel demo", ""});
    }
}

bool Launcher::Save() {
    if (listPath_.empty()) {
        return false;
    }
    if (!list_.Save(listPath_)) {
        ErrorPrintf("textreel: the list of titles could not be stored in %s\n", listPath_.c_str());
        return false;
    }
    return true;
}

std::unique_ptr<OverlayWindow> Launcher::MakeWindow(Engine& engine) {
    choice_ = {};
    return std::make_unique<LauncherWindow>(engine, *this);
}

bool Launcher::HasAutoSave(const KnownTitle& title) {
    const std::string folder = title.saveFolder.empty() ? title.folder + "/save" : title.saveFolder;
    return files::Exists(folder + "/auto.sav");
}

bool Launcher::English() {
    // The first of these that is set names the language of messages, as the C library reads them.
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value == nullptr || value[0] == '\0') {
            continue;
        }
        std::string_view language(value);
        if (language == "C" || language == "POSIX" || language.rfind("C.", 0) == 0) {
            return false;
        }
        return language.rfind("ja", 0) != 0;
    }
    return false;
}

}  // namespace textreel::launcher
