#include "shell/texts.h"

#include <algorithm>

#include "shell/messages.h"

namespace textreel {

namespace {

using namespace msg;

constexpr TextEntry kEntries[] = {
    {kScenarioMissing, "The scenario file cannot be found."},
    {kSaveFolderFailed, "The save folder could not be created."},
    {kSaveFailed, "The game could not be saved."},
    {kLoadFailed, "The game could not be loaded."},
    {kUnknownCommand, "This command is not known."},
    {kPictureLoadFailed, "A picture could not be read."},
    {kConfirmCaption, "Confirm"},
    {kConfirmExit, "The game will end."},
    {kConfirmTitle, "Back to the title screen."},
    {kConfirmOverwrite, "Save over this slot?"},
    {kMenuRangeError, "A menu's area is given wrongly."},
    {kWindowedOnly, "Please use this in a window."},
    {kDefaultPlayerName, "Aoba"},
    {kErrorCaption, "Error"},
    {kNameTooLong, "The name is longer than 5 full-width characters."},
    {kNameTooLongUtf8, "The name is longer than 10 letters."},
    {kNameCharacterRefused, "The name holds a character that cannot be used."},
    {kMovieMissing, "The movie file cannot be found."},
    {kMovieOpenFailed, "The movie could not be opened."},
    {kMovieSizeFailed, "The movie could not be fitted to the screen."},
    {kMoviePlayFailed, "The movie could not be played."},
    {kMovieCaption, " "},
    {kVersionText, "textreel  ver.1.51"},
    {kAudioTrackMissing, "The audio track cannot be found."},
    {kStreamerStartFailed, "The music could not be started."},
    {kStreamerFlipFailed, "The music could not go on playing."},
    {kNameEntryCaption, "Your name"},
    {kNameEntryHint, "Enter a name of up to 5 full-width characters."},
    {kNameEntryHintUtf8, "Enter a name of up to 10 letters."},
    {kColourCaption, "--- Colour ---"},
    {kColourRed, "Red"},
    {kColourGreen, "Green"},
    {kColourBlue, "Blue"},
    {kColourBrightness, "Light"},
    {kColourHint1, "* Set the colour with the red, green and blue sliders."},
    {kColourHint2, "* When every colour leans to light or dark, differences are hard"},
    {kColourHint3, "to see: adjust them with Light."},
    {kCancel, "Cancel"},
    {kClose, "Close"},
    {kMenuSystem, "System"},
    {kMenuAutoMode, "Auto advance"},
    {kMenuSettings, "Settings"},
    {kMenuSpeed, "Text speed"},
    {kMenuSpeedLine, "Whole line"},
    {kMenuSpeedFast, "Fast"},
    {kMenuSpeedNormal, "Normal"},
    {kMenuSpeedSlowish, "Slower"},
    {kMenuSpeedSlow, "Slow"},
    {kMenuForcedSkip, "Skip unread text"},
    {kMenuFullScreen, "Full screen"},
    {kMenuScreenEffects, "Screen effects"},
    {kMenuSeVolume, "Sound effect volume"},
    {kMenuBgmVolume, "Music volume"},
    {kMenuVolumeOff, "0% (off)"},
    {kMenuReturnToTitle, "Back to the title screen"},
    {kMenuExit, "Quit"},
    {kMenuVersion, "About"},
    {kSpeechOn, "Reading aloud: on"},
    {kSpeechOff, "Reading aloud: off"},
    {kClipboardOn, "Copying to the clipboard: on"},
    {kClipboardOff, "Copying to the clipboard: off"},
    {kQuickSaved, "Quick saved"},
    {kNoQuickSave, "There is no quick save"},
    {kNoAutoSave, "There is no automatic save"},
    {kLoaded, "Loaded"},
};

const TextEntry* Find(std::string_view japanese) {
    const auto* it = std::find_if(std::begin(kEntries), std::end(kEntries),
                                  [&](const TextEntry& entry) { return japanese == entry.japanese; });
    return it == std::end(kEntries) ? nullptr : it;
}

}  // namespace

std::span<const TextEntry> TextEntries() {
    return kEntries;
}

bool IsEngineText(std::string_view japanese) {
    return Find(japanese) != nullptr;
}

void TextTable::Use(Language language, const std::vector<std::pair<std::string, std::string>>& overrides) {
    language_ = language;
    overrides_.clear();
    for (const auto& [key, text] : overrides) {
        overrides_[key] = text;
    }
}

std::string TextTable::operator()(std::string_view japanese) const {
    if (!overrides_.empty()) {
        if (auto it = overrides_.find(std::string(japanese)); it != overrides_.end()) {
            return it->second;
        }
    }
    if (language_ == Language::kEnglish) {
        if (const TextEntry* entry = Find(japanese)) {
            return entry->english;
        }
    }
    return std::string(japanese);
}

}  // namespace textreel
