// `pointflag`: adds to a point counter (never below 0) or resets it.
#include <algorithm>
#include <cstring>
#include <string>

#include "script/byte_text.h"
#include "script/commands.h"
#include "shell/engine.h"

namespace textreel {

namespace {

// The two number fields of a flag command, cut at fixed byte offsets: the first starts at
// firstStart and runs to the next blank (at most 5 bytes); the second starts after that blank and
// runs to the next blank or the end of the line, ending at lastEnd at the latest. A blank right
// after the first field's blank makes the second number 0.
struct NumberFields {
    int32_t first = 0;
    int32_t second = 0;
};

NumberFields CutNumberFields(const char* line, size_t firstStart, size_t lastEnd) {
    NumberFields fields;
    size_t length = std::strlen(line);
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
    if (end >= length || second >= length || line[second] == ' ') {
        return fields;
    }
    size_t stop = second;
    while (stop < length && stop <= lastEnd && line[stop] != ' ') {
        ++stop;
    }
    fields.second = ReadDecimal(std::string(line + second, stop - second).c_str());
    return fields;
}

}  // namespace

void CmdPointFlag(Engine& e, const char* line, int) {
    NumberFields fields = CutNumberFields(line, 11, 21);
    if (FindText(line, "reset") != nullptr) {
        e.flags.SetPointCounter(fields.first, 0);
        return;
    }
    int64_t sum = int64_t{e.flags.PointCounter(fields.first)} + fields.second;
    e.flags.SetPointCounter(fields.first, static_cast<int32_t>(std::clamp<int64_t>(sum, 0, INT32_MAX)));
}

}  // namespace textreel
