// The save file: the FlagBlock image with the read position, the BGM name and a title, and the
// search for the point from which a loaded game is brought back to its saved line.
#pragma once

#include "shell/title_settings.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "script/flag_block.h"
#include "script/scenario.h"
#include "shell/trace.h"

namespace textreel {

class Engine;

// Slots offered by the save and load screens.
constexpr int kFirstSaveSlot = 1;
constexpr int kLastSaveSlot = 12;

// "save" + two decimal digits + ".sav".
std::string SaveFileName(int slot);

// Fills the title field from the newest backlog line: its first 30 bytes (a byte cut), "…" at
// offsets 30 and 31 and a zero after it; all zero when no line has been shown.
void SetSaveTitle(FlagBlock& block, std::string_view newestLine, bool anyLine,
                  TextEncoding encoding = TextEncoding::kShiftJis);

// Checks the bytes of a save file against the scenario and copies them into out. A usable file is
// exactly one FlagBlock long, its saved position lies inside the scenario on the start or the end of
// a line, every name field ends in a zero byte inside its field and the sprite and variant bytes
// are 0 or 1. why receives the reason of a refusal.
bool ReadSaveRecord(const std::vector<uint8_t>& bytes, const Scenario& scenario, FlagBlock& out,
                    std::string& why);

// Where a load takes up the scenario again: the line that is read next, and whether the lines from
// there to the saved position are replayed at full speed (else the scenario runs again from there
// at its normal pace). showMessage: the resume line chooses words, so the message window is shown.
struct ResumePoint {
    uint32_t lineStart = 0;
    bool replay = false;
    bool showMessage = false;
};

// Walks back line by line from the saved position: the saved line's own wait codes do not count; a
// page boundary ("$P", "$W") or a label line before it starts a replay right after it; a picture
// command ("$hani", "$imgblt", "$ccblt", "$fill", "$sprite", "$statusopen") or a word choice is run
// again; with none of them, the scenario runs again from its first line.
ResumePoint FindResumePoint(const Scenario& scenario, uint32_t savedPosition);

// The names a file name read from a save file may stand for inside the title's folder. The Windows
// program stores the music's name (and a movie's, in the background field) as its working folder
// and the name ("C:\Games\Title\bgm\a.ogg"): a name that is absolute or starts with a drive letter
// gives its tails of components, longest first ("Games\Title\bgm\a.ogg" ... "a.ogg"), leaving out
// tails with "." or ".." components. Any other name gives nothing: it is used as it stands.
std::vector<std::string> SavedNameTails(std::string_view name);

// A music command found by looking back in the scenario text from a position: the keyword as the
// dispatch takes the line ("OGGPlay", "onestopbgm", "BGMWave" or "cdda"), and the line.
struct MusicCommand {
    std::string keyword;
    std::string line;
};
// The last line before position p (that line included) that the interpreter would dispatch to a
// music command; an empty keyword when there is none.
MusicCommand LastMusicCommand(const Scenario& scenario, uint32_t p);

// Writes save slot n (success also when the player declines to overwrite) and reads it back into
// the running game; both run on the main thread while the script thread is suspended.
bool SaveGame(Engine& e, int slot);
bool LoadGame(Engine& e, int slot);
// The same for a save file of another name in the save folder ("quick.sav", "auto.sav"), which
// the trace names slotName: the file is replaced without a question. atExit: no box can open, so
// a failure is told on stderr.
bool SaveGameFile(Engine& e, const std::string& fileName, const std::string& slotName, bool atExit);
// Fills a record's fields that the running game keeps elsewhere: the title from the newest backlog
// line, the read position and the music's name.
void FillSaveFields(Engine& e, FlagBlock& block);
// Whether a load would take the record (ReadSaveRecord); why receives the reason when not.
bool SaveRecordLoads(Engine& e, const FlagBlock& record, std::string& why);
// Writes a record kept earlier into fileName at the end of a run (failures are told on stderr).
bool SaveRecordFile(Engine& e, const std::string& fileName, const std::string& slotName,
                    const FlagBlock& record);
bool LoadGameFile(Engine& e, const std::string& fileName, const Trace::Value& slot);

// How a saved game is brought back. A load (quiet false) draws the picture with transition 3 and
// leaves that number for the next picture change, starts the saved music again and takes up the
// scenario as FindResumePoint says. A quiet restore (a rollback) changes pictures with a cut, lets
// music that already plays go on, and replays the scenario up to the saved wait even from a
// picture command; the lines it draws again reach neither the backlog nor the trace, and
// effectNumber is the transition number it leaves.
struct RestoreStyle {
    bool quiet = false;
    int32_t effectNumber = 3;
};
// Main thread, while the script thread waits: makes saved the running game and brings the
// picture, the music and the scenario's position back to it.
void RestoreGame(Engine& e, const FlagBlock& saved, const RestoreStyle& style);

}  // namespace textreel
