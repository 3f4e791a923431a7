// What the checker reports: one finding per problem, tied to a line of a file of the title.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace textreel::check {

enum class Level { kError, kWarning };

struct Finding {
    std::string file;   // the file's name in the title folder (UTF-8)
    uint32_t line = 1;  // from 1
    Level level = Level::kError;
    std::string message;  // UTF-8
};

struct Report {
    // Instance-file findings first, then the scenario's, each sorted by line (stable).
    std::vector<Finding> findings;
    int Errors() const;
    int Warnings() const;
};

// "file:LINE: level: message" lines, then the summary line.
std::string FormatText(const Report& report);
// One JSON object per finding ({"file","line","level","message"}), then {"errors":N,"warnings":M}.
std::string FormatJson(const Report& report);

}  // namespace textreel::check
