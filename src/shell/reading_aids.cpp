#include "shell/reading_aids.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "access/access_settings.h"
#include "platform/files.h"
#include "shell/engine.h"
#include "shell/messages.h"
#include "shell/overlay.h"

namespace textreel {

namespace {

// Above every overlay window, so that the notice is seen even over an open menu.
constexpr int kNoticeLayer = OverlayStack::kFirstLayer + 900;
constexpr int64_t kNoticeMs = 1500;
constexpr int kNoticeFontSize = 16;
constexpr int kNoticePad = 8;
constexpr uint32_t kNoticeBackground = 0x202020;
constexpr uint32_t kNoticeText = 0xFFFFFF;

constexpr const char* kSettingsName = "textreel.cfg";
constexpr const char* kSpeechKey = "speech";

constexpr const char* kSpeechOnNotice = "読み上げ：オン";
constexpr const char* kSpeechOffNotice = "読み上げ：オフ";
constexpr const char* kClipboardOnNotice = "クリップボードへのコピー：オン";
constexpr const char* kClipboardOffNotice = "クリップボードへのコピー：オフ";

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
        ShowNotice(e, on ? kSpeechOnNotice : kSpeechOffNotice);
        e.access->Say(kSpeechOnNotice);
        return true;
    }
    if (event.key == kKeyC && event.shift) {
        const bool on = !e.access->ClipboardOn();
        e.access->SetClipboardOn(on);
        e.trace.Event("clipboard", {{"state", std::string(on ? "on" : "off")}});
        ShowNotice(e, on ? kClipboardOnNotice : kClipboardOffNotice);
        return true;
    }
    return false;
}

void ShowNotice(Engine& e, const std::string& utf8) {
    const std::string sjis = Sjis(utf8);
    GlyphSource* glyphs = e.glyphs.get();
    const int textWidth = OverlayCanvas::TextWidth(glyphs, kNoticeFontSize, sjis);
    const int width = std::min(textWidth + 2 * kNoticePad, std::max(e.instance.windowWidth, 1));
    const int height = kNoticeFontSize + 2 * kNoticePad;
    OverlayCanvas canvas(width, height);
    canvas.Fill(0, 0, width, height, kNoticeBackground);
    canvas.Text(glyphs, kNoticeFontSize, kNoticePad, kNoticePad, sjis, kNoticeText);
    e.platform.SetOverlay(kNoticeLayer, canvas.TakeImage((e.instance.windowWidth - width) / 2, kNoticePad));
    e.noticeUntilMs = e.clock.NowMs() + kNoticeMs;
}

void NoticeTick(Engine& e) {
    if (e.noticeUntilMs != 0 && e.clock.NowMs() >= e.noticeUntilMs) {
        e.noticeUntilMs = 0;
        e.platform.SetOverlay(kNoticeLayer, OverlayImage{});
    }
}

void LoadReadingAidSettings(Engine& e) {
    std::string folder;
    if (!e.EnsureSaveFolder(false, &folder)) {
        return;
    }
    SettingsFile settings = ReadSettings(e, folder);
    e.access->SetSpeechOn(settings.Get(kSpeechKey, "off") == "on");
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
        std::fprintf(stderr, "textreel: the reading settings could not be stored in %s\n", kSettingsName);
    }
}

}  // namespace textreel
