// The number fields of the flag commands, cut out of the line at fixed byte offsets.
#pragma once

#include <cstddef>
#include <cstdint>

namespace textreel {

// The first number starts at firstStart and runs to the next blank, read from at most 5 bytes; the
// second starts after that blank and runs to the next blank or the end of the line, its last byte
// at lastEnd at the latest. A blank right after the first number's blank makes the second number
// 0. Each is read with atoi rules.
struct NumberFields {
    int32_t first = 0;
    int32_t second = 0;
    // The offset right after the blank that ends the first number (afterFirst) and the one that
    // ends the second (afterSecond); the line's length when there is no such blank. The judge
    // commands take their label from there.
    size_t afterFirst = 0;
    size_t afterSecond = 0;
};

NumberFields CutNumberFields(const char* line, size_t firstStart, size_t lastEnd);

// Where each flag command's fields lie.
constexpr size_t kEventJudgeFirst = 12;
constexpr size_t kPointFlagFirst = 11;
constexpr size_t kPointFlagLastEnd = 21;
constexpr size_t kPointJudgeFirst = 12;
constexpr size_t kPointJudgeLastEnd = 20;
constexpr size_t kRandomFirst = 8;
constexpr size_t kRandomLastEnd = 16;

}  // namespace textreel
