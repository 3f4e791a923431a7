// `textreel --check [--json] [GAME_DIR]`: the scenario checker on the command line.
#pragma once

namespace textreel::check {

// Takes the whole command line (it holds "--check"). Returns the exit code: 0 without errors, 1 with
// errors, 2 for a bad command line.
int RunCheckCommand(int argc, char** argv);

}  // namespace textreel::check
