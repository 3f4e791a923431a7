// `RecNameLoad`: the player's name from save slot 1, or the default name when there is none.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/files.h"
#include "script/commands.h"
#include "shell/engine.h"
#include "shell/messages.h"

namespace textreel {

void CmdRecNameLoad(Engine& e, const char*, int) {
    std::string folder;
    std::vector<uint8_t> bytes;
    bool found = e.EnsureSaveFolder(false, &folder);
    auto path = found ? e.SaveFilePath(folder, "save01.sav", false) : std::nullopt;
    if (!path || !files::ReadAll(*path, bytes)) {
        e.flags.SetText(FlagBlock::kPlayerName, FlagBlock::kPlayerNameSize,
                        e.TitleText(msg::kDefaultPlayerName));
        return;
    }
    // Only the name of the slot is used; a short file reads as zeros beyond its end.
    FlagBlock scratch;
    std::memcpy(scratch.bytes.data(), bytes.data(), std::min(bytes.size(), scratch.bytes.size()));
    e.flags.SetText(FlagBlock::kPlayerName, FlagBlock::kPlayerNameSize, scratch.PlayerName());
}

}  // namespace textreel
