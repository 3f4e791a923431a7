// The flag and point commands: `flagreset`, `eventflag`, `eventjudge`, `pointflag`, `pointjudge`,
// `random` and `recflag`.
#include <algorithm>
#include <cstring>
#include <string>

#include "script/byte_text.h"
#include "script/commands.h"
#include "script/flag_fields.h"
#include "script/flow.h"
#include "shell/engine.h"

namespace textreel {

NumberFields CutNumberFields(const char* line, size_t firstStart, size_t lastEnd) {
    NumberFields fields;
    size_t length = std::strlen(line);
    fields.afterFirst = length;
    fields.afterSecond = length;
    if (firstStart >= length) {
        return fields;
    }
    size_t end = firstStart;
    while (end < length && end < firstStart + 5 && line[end] != ' ') {
        ++end;
    }
    fields.first = ReadDecimal(std::string(line + firstStart, end - firstStart).c_str());
    // The first field ends at the next blank, which may lie beyond its five bytes.
    while (end < length && line[end] != ' ') {
        ++end;
    }
    size_t second = end + 1;
    if (end >= length) {
        return fields;
    }
    fields.afterFirst = second;
    if (second >= length) {
        return fields;
    }
    if (line[second] == ' ') {
        fields.afterSecond = second + 1;
        return fields;
    }
    size_t stop = second;
    while (stop < length && stop <= lastEnd && line[stop] != ' ') {
        ++stop;
    }
    fields.second = ReadDecimal(std::string(line + second, stop - second).c_str());
    // A number cut short at lastEnd still ends at its blank.
    const char* blank = std::strchr(line + second, ' ');
    fields.afterSecond = blank != nullptr ? static_cast<size_t>(blank - line) + 1 : length;
    return fields;
}

// $flagreset
// Every flag and counter of the game state returns to 0.
void CmdFlagReset(Engine& e, const char*, int) {
    e.flags.Clear();
}

// $eventflag N | $eventflag N reset
// Event flag N becomes 1, or 0 with "reset".
void CmdEventFlag(Engine& e, const char* line, int) {
    int32_t n = NumberAfterBlank(line);
    e.flags.SetEventFlag(n, FindText(line, "reset") != nullptr ? 0 : 1);
}

// $eventjudge N LABEL
// Jumps to LABEL when event flag N is 1.
void CmdEventJudge(Engine& e, const char* line, int) {
    NumberFields fields = CutNumberFields(line, kEventJudgeFirst, kEventJudgeFirst);
    if (e.flags.EventFlag(fields.first) == 1) {
        JudgeJump(e, line + fields.afterFirst);
    }
}

// $pointflag N M | $pointflag N reset
// Counter N grows by M (never below 0), or returns to 0 with "reset".
void CmdPointFlag(Engine& e, const char* line, int) {
    NumberFields fields = CutNumberFields(line, kPointFlagFirst, kPointFlagLastEnd);
    if (FindText(line, "reset") != nullptr) {
        e.flags.SetPointCounter(fields.first, 0);
        return;
    }
    int64_t sum = int64_t{e.flags.PointCounter(fields.first)} + fields.second;
    e.flags.SetPointCounter(fields.first, static_cast<int32_t>(std::clamp<int64_t>(sum, 0, INT32_MAX)));
}

// $pointjudge N M LABEL
// Jumps to LABEL when counter N is at least M.
void CmdPointJudge(Engine& e, const char* line, int) {
    NumberFields fields = CutNumberFields(line, kPointJudgeFirst, kPointJudgeLastEnd);
    // Compared as unsigned: a negative value is never reached.
    if (static_cast<uint32_t>(e.flags.PointCounter(fields.first)) >= static_cast<uint32_t>(fields.second)) {
        JudgeJump(e, line + fields.afterSecond);
    }
}

// $random N M
// Counter N takes a number drawn evenly from 0..M-1; M outside 1..999 changes nothing.
void CmdRandom(Engine& e, const char* line, int) {
    NumberFields fields = CutNumberFields(line, kRandomFirst, kRandomLastEnd);
    int32_t m = fields.second;
    if (m < 1 || m > 999) {
        return;
    }
    e.flags.SetPointCounter(fields.first, e.random.Draw(m));
}

// $recflag N | $recflag N reset
// Record flag N is set (or cleared with "reset") and env.dat is written, at most about once a second.
void CmdRecFlag(Engine& e, const char* line, int) {
    int32_t n = NumberAfterBlank(line);
    // Record flags 0..19 only: a larger number would reach past the stored flags.
    if (n >= 0 && n < PersistentFlags::kRecordFlagCount) {
        e.persistentFlags.Set(PersistentFlags::kRecordBase + n, 1);
        if (FindText(line, "reset") != nullptr) {
            e.persistentFlags.Set(PersistentFlags::kRecordBase + n, 0);
        }
    }
    e.RequestEnvDatWrite(99);
}

}  // namespace textreel
