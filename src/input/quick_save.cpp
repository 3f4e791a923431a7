#include "input/quick_save.h"

#include <optional>
#include <string>

#include "platform/files.h"
#include "script/save_file.h"
#include "shell/engine.h"
#include "shell/messages.h"
#include "shell/notice.h"

namespace textreel {

namespace {

// The trace's name of a file's slot: "quick" or "auto".
std::string SlotName(const std::string& fileName) {
    return fileName.substr(0, fileName.find('.'));
}

bool SaveFileExists(Engine& e, const char* fileName) {
    std::string folder;
    if (!e.EnsureSaveFolder(false, &folder)) {
        return false;
    }
    std::optional<std::string> path = e.SaveFilePath(folder, fileName, false);
    uint64_t size = 0;
    return path && files::RegularFileSize(*path, size);
}

}  // namespace

bool QuickKeysAllowed(Engine& e) {
    const int32_t state = e.UiState;
    return (state == 0 || state == 1) && e.ScriptWaiting() && e.ScriptBusy == 0 && e.MoviePlaying == 0 &&
           e.LoadInProgress == 0 && e.overlays.Count() == 0 && !e.ModalOpen() && !e.ScriptFinished() &&
           e.AdvanceMode != 1;
}

void QuickSave(Engine& e) {
    if (SaveGameFile(e, kQuickSaveFile, SlotName(kQuickSaveFile), false)) {
        ShowNotice(e, e.Text(msg::kQuickSaved));
    }
}

void QuickLoad(Engine& e, const char* fileName) {
    if (!SaveFileExists(e, fileName)) {
        ShowNotice(e, e.Text(std::string(fileName) == kAutoSaveFile ? msg::kNoAutoSave : msg::kNoQuickSave));
        return;
    }
    if (LoadGameFile(e, fileName, SlotName(fileName))) {
        ShowNotice(e, e.Text(msg::kLoaded));
    }
}

void NoteReadingPlace(Engine& e) {
    if (!e.textShownSinceTitle) {
        return;
    }
    FlagBlock place = e.flags;
    FillSaveFields(e, place);
    std::string why;
    if (SaveRecordLoads(e, place, why)) {
        e.readingPlace = place;
    }
}

void AutoSave(Engine& e) {
    if (e.readingPlace) {
        SaveRecordFile(e, kAutoSaveFile, SlotName(kAutoSaveFile), *e.readingPlace);
    }
}

}  // namespace textreel
