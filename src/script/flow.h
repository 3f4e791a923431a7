// What every jump of the story shares: the `jump` trace event and the end of the game when a label
// cannot be found.
#pragma once

#include <string>
#include <string_view>

namespace textreel {

class Engine;

// Writes the `jump` trace event for a jump to the label pattern (":" + name); the event names the
// label without its colon.
void TraceJump(Engine& engine, std::string_view pattern);

// A label that cannot be found ends the game after showing what was looked for: the scenario cannot
// go on from a place that does not exist.
void FlowError(Engine& engine, const std::string& shown);

// The jump of `eventjudge` and `pointjudge` whose condition holds: the label is all of label (the
// rest of the line, blanks included); TextCursor and the return label are left alone.
void JudgeJump(Engine& engine, const char* label);

}  // namespace textreel
