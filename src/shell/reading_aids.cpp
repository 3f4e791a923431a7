#include "shell/reading_aids.h"

#include <cstdio>
#include <vector>

#include "access/access_settings.h"
#include "platform/error_log.h"
#include "platform/files.h"
#include "shell/engine.h"
#include "shell/messages.h"
#include "shell/notice.h"

namespace textreel {

namespace {

constexpr const char* kSettingsName = "textreel.cfg";
constexpr const char* kSpeechKey = "speech";

constexpr int kKeyV = 'V';
constexpr int kKeyC = 'C';

SettingsFile ReadSettings(Engine& e, std::string& folder) {
    std::vector<uint8_t> bytes;
    if (auto path = e.SaveFilePath(folder, kSettingsName, false)) {
        if (files::ReadAll(*path, bytes, SettingsFile::kMaxBytes)) {
            return SettingsFile::Parse(std::string(bytes.begin(), bytes.end()));
        }
    }
    return SettingsFile{};
}

}  // namespace

bool ReadingAidKey(Engine& e, const InputEvent& event) {
    if (event.kind != InputEvent::Kind::kKeyUp || event.alt) {
        return false;
    }
    if (event.key == kKeyV && !event.shift) {
        const bool wanted = !e.access->SpeechOn();
        e.access->SetSpeechOn(wanted);
        const bool on = e.access->SpeechOn();
        if (e.access->Choice() != SpeechChoice::kOff) {
            StoreReadingAidSettings(e);
        }
        ShowNotice(e, e.Text(on ? msg::kSpeechOn : msg::kSpeechOff));
        // Turned on while the story shows a line, speech starts with that line; else it says
        // that it is on.
        const std::string line = e.MessageDrawn == 1 && e.MessageVisible == 1 ? e.access->LineOnScreen() : "";
        e.access->Say(line.empty() ? e.Text(msg::kSpeechOn) : line);
        return true;
    }
    if (event.key == kKeyC && event.shift) {
        const bool on = !e.access->ClipboardOn();
        e.access->SetClipboardOn(on);
        e.trace.Event("clipboard", {{"state", std::string(on ? "on" : "off")}});
        ShowNotice(e, e.Text(on ? msg::kClipboardOn : msg::kClipboardOff));
        return true;
    }
    return false;
}

void LoadReadingAidSettings(Engine& e) {
    std::string folder;
    if (!e.EnsureSaveFolder(false, &folder)) {
        return;
    }
    SettingsFile settings = ReadSettings(e, folder);
    e.access->SetSpeechOn(settings.Get(kSpeechKey, "off") == "on");
}

std::string OwnSetting(Engine& e, const std::string& key) {
    std::string folder;
    if (!e.EnsureSaveFolder(false, &folder)) {
        return {};
    }
    return ReadSettings(e, folder).Get(key);
}

void StoreReadingAidSettings(Engine& e) {
    std::string folder;
    if (!e.EnsureSaveFolder(true, &folder)) {
        return;
    }
    SettingsFile settings = ReadSettings(e, folder);
    settings.Set(kSpeechKey, e.access->SpeechOn() ? "on" : "off");
    const std::string text = settings.Format();
    auto path = e.SaveFilePath(folder, kSettingsName, true);
    if (!path || !files::WriteAtomically(*path, text.data(), text.size())) {
        ErrorPrintf("textreel: the reading settings could not be stored in %s\n", kSettingsName);
    }
}

}  // namespace textreel
