// Saving and loading a game on the main thread while the script thread is suspended.
#include <cstdio>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "graphics/picture_commands.h"
#include "input/rollback.h"
#include "platform/error_log.h"
#include "platform/files.h"
#include "script/byte_text.h"
#include "script/commands.h"
#include "script/interpreter.h"
#include "script/save_file.h"
#include "shell/engine.h"
#include "shell/messages.h"
#include "sound/ogg_streamer.h"
#include "sound/sound.h"

namespace textreel {

namespace {

// The automatic save at the end of a run (slot "auto" of a save) is not traced: the trace's last
// events stay what the player saw before the end.
void TraceResult(Engine& e, const char* event, const Trace::Value& slot, bool ok) {
    if (std::string_view(event) == "save" && std::holds_alternative<std::string>(slot) &&
        std::get<std::string>(slot) == "auto") {
        return;
    }
    e.trace.Event(event, {{"slot", slot}, {"ok", ok}});
}

// A file name read from a save file, as the title's folder holds it: a name the Windows program
// stored with its working folder in front becomes the longest tail that names a file here. A name
// with no such tail stays as it stands (and is refused where it is opened).
std::string LocalName(const std::string& name) {
    for (const std::string& tail : SavedNameTails(name)) {
        std::optional<std::string> real = files::Resolve(tail);
        uint64_t size = 0;
        if (real && files::RegularFileSize(*real, size)) {
            return tail;
        }
    }
    return name;
}

void LocalizeNames(FlagBlock& block) {
    for (size_t field : {FlagBlock::kBackgroundName, FlagBlock::kSpriteNames,
                         FlagBlock::kSpriteNames + FlagBlock::kNameSize, FlagBlock::kBgmName}) {
        std::string name(block.Text(field, FlagBlock::kNameSize));
        std::string local = LocalName(name);
        if (local != name) {
            block.SetText(field, FlagBlock::kNameSize, local);
        }
    }
}

// The save file holds only the Ogg music's name. CD tracks and wave music of the scene the player
// left stop; when no Ogg music was saved, the last music command before the saved position tells
// which CD track or wave music the loaded scene had, and it plays again. keepSame: a CD track or
// wave music that is already the one the scene had plays on.
void RestoreUnsavedMusic(Engine& e, uint32_t saved, bool oggSaved, bool keepSame) {
    OggStreamer& wave = *e.sound.waveMusic.streamer;
    MusicCommand last;
    const char* arg = nullptr;
    if (!oggSaved) {
        last = LastMusicCommand(e.scenario, saved);
        arg = TextAfterBlank(last.line.c_str());
        if (arg != nullptr && (*arg == '\0' || last.line.find("STOP") != std::string::npos)) {
            arg = nullptr;
        }
    }
    std::string name(arg != nullptr ? arg : "");
    if (name.size() >= FlagBlock::kNameSize) {
        name.resize(FlagBlock::kNameSize - 1);
    }
    bool cd = arg != nullptr && last.keyword == "cdda" && e.instance.cdMusic && e.sound.cdFound != 0;
    bool waveMusic = arg != nullptr && last.keyword == "BGMWave" && !e.instance.cdMusic;
    if (keepSame) {
        bool cdPlays = e.sound.cd.streamer != nullptr && e.sound.cd.streamer->Playing();
        bool cdSame = cd ? e.sound.cdTrack == ReadDecimal(arg) : !cdPlays;
        bool waveSame = waveMusic ? wave.FileName() == name && wave.Playing() : !wave.Playing();
        if (cdSame && waveSame) {
            return;
        }
    }
    StopCd(e);
    e.sound.cdTrack = 0;
    StopWaveMusic(e);
    wave.SetFileName("");
    if (cd) {
        int32_t track = ReadDecimal(arg);
        e.sound.cdTrack = track;
        e.flags.SetText(FlagBlock::kBgmName, FlagBlock::kNameSize, name);
        PlayCdTrack(e, track);
    } else if (waveMusic) {
        wave.SetFileName(name);
        StartWaveMusic(e);
    }
}

// Draws the background the record names again: a picture or a colour fill, each with the message
// window's parts loaded as `windowopen` does; any other name is left as it is.
void RestoreBackground(Engine& e) {
    std::string name(e.flags.Text(FlagBlock::kBackgroundName, FlagBlock::kNameSize));
    bool fill = name.find("FILL_") != std::string::npos;
    if (!fill && name.find(".png") == std::string::npos) {
        return;
    }
    CmdWindowOpen(e, "", 0);
    if (!fill) {
        ShowBackground(e, name, e.flags.bytes[FlagBlock::kBackgroundVariant] == 1);
        return;
    }
    const struct {
        const char* name;
        FillColour colour;
    } colours[] = {{"FILL_BLACK", FillColour::kBlack},
                   {"FILL_WHITE", FillColour::kWhite},
                   {"FILL_RED", FillColour::kRed},
                   {"FILL_GREEN", FillColour::kGreen},
                   {"FILL_BLUE", FillColour::kBlue}};
    for (const auto& c : colours) {
        if (name.find(c.name) != std::string::npos) {
            FillScreen(e, c.colour);
            return;
        }
    }
}

// Draws the sprites of the saved record again. They are read from the record as loaded, since
// redrawing the background has marked both slots unused in the live one.
void RestoreSprites(Engine& e, const FlagBlock& saved) {
    for (int slot = 0; slot < 2; ++slot) {
        if (saved.bytes[FlagBlock::kSpriteActive + static_cast<size_t>(slot)] != 1) {
            continue;
        }
        std::string name(
            saved.Text(FlagBlock::kSpriteNames + FlagBlock::kNameSize * static_cast<size_t>(slot),
                       FlagBlock::kNameSize));
        auto x = static_cast<int32_t>(saved.U32(FlagBlock::kSpriteValues + 4 * static_cast<size_t>(slot)));
        ShowSprite(e, slot, x, name);
    }
}

// Whether the line starting at lineStart runs a command that draws a whole new picture (`imgblt`,
// `ccblt`, `fill`) as the dispatch reads it.
bool DrawsWholePicture(const Scenario& scenario, uint32_t lineStart) {
    char line[kLineBufferSize] = {};
    for (uint32_t p = lineStart, n = 0; n < static_cast<uint32_t>(kLineMax); ++p, ++n) {
        uint8_t b = scenario.ByteAt(p);
        if (b == '\r' || b == '\n' || b == kEndMark) {
            break;
        }
        line[n] = static_cast<char>(b);
    }
    if (line[0] != '$') {
        return false;
    }
    const CommandEntry* entry = FindCommand(line);
    if (entry == nullptr) {
        return false;
    }
    std::string_view keyword(entry->keyword);
    return keyword == "imgblt" || keyword == "ccblt" || keyword == "fill";
}

// Resumes the script thread wherever it waits until it waits at or past the saved position. Every
// wait point on the way is passed by the next resume; the script thread's requests are served
// meanwhile. A replay that cannot get there (a jump away, a menu) ends after one resume per line.
void Replay(Engine& e, uint32_t from, uint32_t saved) {
    int64_t budget = 8;
    for (uint32_t p = from; p <= saved && p < e.scenario.Size(); ++p) {
        budget += e.scenario.ByteAt(p) == '\n' ? 1 : 0;
    }
    int32_t speed = e.env.SpeedMs;
    e.env.SpeedMs = 0;
    bool resumed = false;
    e.ServeRequestsUntil([&] {
        if (e.ScriptFinished()) {
            return true;
        }
        if (!e.ScriptWaiting()) {
            return false;
        }
        if ((resumed && e.scenario.ReadPos >= saved) || budget-- <= 0) {
            return true;
        }
        resumed = e.ResumeScript() || resumed;
        return false;
    });
    e.env.SpeedMs = speed;
}

// Writes record into fileName in the save folder. ask: an existing file is replaced only when the
// player agrees. boxes: failures are told in a box (else on stderr, for the write at exit). A record
// that a load would refuse is not written.
bool WriteRecord(Engine& e, const std::string& fileName, const Trace::Value& slot, const FlagBlock& record,
                 bool ask, bool boxes) {
    std::string folder;
    if (!e.EnsureSaveFolder(boxes, &folder)) {
        if (!boxes) {
            ErrorPrintf("textreel: there is no save folder for %s\n", fileName.c_str());
        }
        TraceResult(e, "save", slot, false);
        return false;
    }
    std::optional<std::string> path = e.SaveFilePath(folder, fileName.c_str(), true);
    if (ask && path && files::Exists(*path) &&
        e.MessageBox(e.Text(msg::kConfirmOverwrite), e.Title(e.instance.windowName).ToUtf8(),
                     MessageBoxKind::kOkCancel) == MessageBoxAnswer::kCancel) {
        TraceResult(e, "save", slot, true);
        return true;
    }
    std::string why;
    const bool loads = SaveRecordLoads(e, record, why);
    if (!loads) {
        ErrorPrintf("textreel: %s is not written: %s\n", fileName.c_str(), why.c_str());
    }
    if (!loads || !path || !files::WriteAtomically(*path, record.bytes.data(), record.bytes.size())) {
        if (boxes) {
            e.Warn(e.Text(msg::kSaveFailed));
        } else if (loads) {
            ErrorPrintf("textreel: cannot write %s in the save folder\n", fileName.c_str());
        }
        TraceResult(e, "save", slot, false);
        return false;
    }
    TraceResult(e, "save", slot, true);
    return true;
}

// Writes the running game into fileName (see WriteRecord).
bool WriteGame(Engine& e, const std::string& fileName, const Trace::Value& slot, bool ask, bool boxes) {
    FillSaveFields(e, e.flags);
    return WriteRecord(e, fileName, slot, e.flags, ask, boxes);
}

}  // namespace

void FillSaveFields(Engine& e, FlagBlock& block) {
    int next = e.backlog.Next();
    SetSaveTitle(block, next > 0 ? e.backlog.Slot(next - 1) : std::string(), next > 0,
                 e.titleSettings.encoding);
    block.SetU32(FlagBlock::kSavedPosition, e.scenario.ReadPos);
    block.SetText(FlagBlock::kBgmName, FlagBlock::kNameSize, e.sound.music.streamer->FileName());
}

bool SaveRecordLoads(Engine& e, const FlagBlock& record, std::string& why) {
    const std::vector<uint8_t> bytes(record.bytes.begin(), record.bytes.end());
    FlagBlock checked;
    return ReadSaveRecord(bytes, e.scenario, checked, why);
}

bool SaveRecordFile(Engine& e, const std::string& fileName, const std::string& slotName,
                    const FlagBlock& record) {
    return WriteRecord(e, fileName, slotName, record, false, false);
}

bool SaveGame(Engine& e, int slot) {
    return WriteGame(e, SaveFileName(slot), int64_t{slot}, true, true);
}

bool SaveGameFile(Engine& e, const std::string& fileName, const std::string& slotName, bool atExit) {
    return WriteGame(e, fileName, slotName, false, !atExit);
}

bool LoadGame(Engine& e, int slot) {
    return LoadGameFile(e, SaveFileName(slot), int64_t{slot});
}

void RestoreGame(Engine& e, const FlagBlock& saved, const RestoreStyle& style) {
    e.LoadInProgress = 1;
    e.QuietReplay = style.quiet ? 1 : 0;
    e.flags = saved;
    e.WaitIconOn = 0;
    e.UiState = 0;
    OggStreamer& music = *e.sound.music.streamer;
    std::string bgm(e.flags.Text(FlagBlock::kBgmName, FlagBlock::kNameSize));
    bool musicPlaysOn = style.quiet && music.FileName() == bgm && (bgm.empty() || music.Playing());
    if (!musicPlaysOn) {
        music.SetFileName(bgm);
        music.playOnce = 0;
        music.fadeRate = OggStreamer::kNoFade;
        if (!bgm.empty()) {
            e.BgmRestartRequest();
        } else {
            e.BgmStopRequest();
        }
    }
    uint32_t position = e.flags.U32(FlagBlock::kSavedPosition);
    RestoreUnsavedMusic(e, position, !bgm.empty(), style.quiet);
    // A quiet restore changes pictures with a cut (see Present).
    e.graphics.effectNumber = style.quiet ? 1 : 3;
    ResumePoint resume = FindResumePoint(e.scenario, position);
    if (style.quiet && !resume.replay && DrawsWholePicture(e.scenario, resume.lineStart)) {
        // The line it runs again draws the picture anyway (and clears the sprites): the message
        // window's parts are all that is needed first.
        CmdWindowOpen(e, "", 0);
    } else {
        RestoreBackground(e);
        RestoreSprites(e, saved);
    }
    e.text.TextCursor.Set(e.text.TextOrigin);
    if (resume.showMessage) {
        e.MessageVisible = 1;
    }
    e.scenario.SeekToLineStart(resume.lineStart);
    // The script thread leaves what held it (the rest of a wait line, a choice menu) and reads on
    // from the resume point.
    e.LoadResumePending = 1;
    if (resume.replay || style.quiet) {
        Replay(e, resume.lineStart, position);
        e.LoadInProgress = 0;
    } else {
        e.LoadInProgress = 0;
        e.ResumeScript();
    }
    if (style.quiet) {
        e.QuietReplay = 0;
        e.graphics.effectNumber = style.effectNumber;
    }
}

bool LoadGameFile(Engine& e, const std::string& fileName, const Trace::Value& slot) {
    std::string folder;
    if (!e.EnsureSaveFolder(false, &folder)) {
        TraceResult(e, "load", slot, false);
        return false;
    }
    // The file is read and checked on the side: a file that cannot be used changes nothing.
    std::optional<std::string> path = e.SaveFilePath(folder, fileName.c_str(), false);
    std::vector<uint8_t> bytes;
    FlagBlock loaded;
    std::string why;
    if (!path || !files::ReadAll(*path, bytes, 2 * FlagBlock::kSize) ||
        !ReadSaveRecord(bytes, e.scenario, loaded, why)) {
        e.Warn(e.Text(msg::kLoadFailed));
        TraceResult(e, "load", slot, false);
        return false;
    }
    LocalizeNames(loaded);
    // A settings or flag change still waiting for its write is stored before the game changes.
    e.FlushEnvDat();
    ForgetRollback(e);
    RestoreGame(e, loaded, RestoreStyle{});
    TraceResult(e, "load", slot, true);
    e.NotifyStateChange();
    return true;
}

}  // namespace textreel
