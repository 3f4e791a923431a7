// The interpreter: the script thread's loop, the wait codes and the command dispatch.
#pragma once

#include <cstdint>
#include <string_view>

#include "script/scenario.h"

namespace textreel {

class Engine;

// The thread procedure of the script thread: reads the scenario line by line until the end mark,
// then closes the main window. Returns 1 after the end of the scenario, 0 when the program closed
// first.
int ScriptThreadMain(Engine& engine);

// Runs one line as the interpreter does (wait codes, command, label, comment or message text).
// resumeCode: a rollback takes up the line's wait of that code ("$C" 0, "$X" 1, "$P" 2, "$W" 3),
// whose page is on the screen already: the line's earlier codes and that code's own step before
// its wait are left out, and the wait keeps no new record.
void RunScriptLine(Engine& engine, char (&line)[kLineBufferSize], int length, int resumeCode = -1);

// A command handler gets the zero-terminated line (in a 1024-byte buffer) and its length.
using CommandHandler = void (*)(Engine& engine, const char* line, int length);

struct CommandEntry {
    const char* keyword;
    CommandHandler handler;  // null while the command has no effect yet
};

// The 48 command keywords in the order they are tested; the first one found anywhere in the line
// wins.
const CommandEntry* CommandTable(int& count);

// The entry whose keyword the line holds first in table order, or null for an unknown command.
const CommandEntry* FindCommand(const char* line);

// Replaces the first player-name token ("＊＊＊") of the line with the player's name; returns the
// new length. The line stays within the 1023-byte limit.
int ReplacePlayerNameToken(char (&line)[kLineBufferSize], int length, std::string_view playerName);
// The same with the token given (a UTF-8 title's "＊＊＊").
int ReplacePlayerNameToken(char (&line)[kLineBufferSize], int length, std::string_view playerName,
                           const char* token);

}  // namespace textreel
