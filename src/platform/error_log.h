// Lines for the player on standard error. Every line goes through here, so that none can flood
// the terminal or a log (a line that repeats is written a few times a second, then told once as
// "… repeated N times"; all lines together stay under 64 KiB a second), none can hold the engine
// up (a reader that stopped costs lines, not the story), and none carries a title's control
// characters to the terminal raw (they are written as visible escapes).
#pragma once

#include <string_view>

namespace textreel {

// One line, without its line end (a trailing one is ignored).
void ErrorLine(std::string_view text);
// The same, formatted as printf does.
void ErrorPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// At the end of the run: tells the repeats still held back and waits at most ms for the lines a
// slow reader has not taken yet.
void FinishErrorLines(int ms);

}  // namespace textreel
