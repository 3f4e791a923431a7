// Opening a title's file for streaming: only a regular file is opened, never a device, a pipe or a
// link planted in the title's folder, so that reading it can neither block nor leave the title.
#pragma once

#include <cstdio>
#include <string>

namespace textreel::files {

// Opens a regular file (given by its real path) for reading in binary mode; nullptr otherwise.
std::FILE* OpenRegularFile(const std::string& realPath);

}  // namespace textreel::files
