// `textreel --explore [--json] [--graph FILE.svg] [--max-seconds N] [--seed N] [--exhaustive] [GAME_DIR]`:
// plays every route of the title and reports what went wrong on them.
#pragma once

namespace textreel::explore {

// Returns the exit code: 0 when no fault was found, 1 when one was, 2 for a bad command line.
int RunExploreCommand(int argc, char** argv);

}  // namespace textreel::explore
