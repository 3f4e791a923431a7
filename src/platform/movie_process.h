// Movies decoded in a helper process: the engine hands the helper (`textreel-movie`, installed
// beside the engine) the movie as a file it has already opened, and takes pictures and sound from
// rings in shared memory. The helper locks itself down before it reads the file, so a movie crafted
// to take over the decoder finds nothing to open, no network and no way out.
//
// If the helper dies, is killed or gives nothing for kHelperSilenceMs while the player waits on it,
// the source ends and counts as broken; the helper is then killed and reaped.
#pragma once

#include <memory>
#include <string>

#include "platform/movie_source.h"

namespace textreel {

// How long the player waits for the helper's next picture or sound, in real time.
constexpr int kHelperSilenceMs = 2000;

// The helper program's path: beside the running binary, or in ../lib/textreel/ from it (installed).
// Empty when it cannot be found.
std::string MovieHelperPath();

// Starts the helper on the regular file at realPath; nullptr when the movie cannot be played, with
// the reason in *error. The helper is told to die with the thread that started it, so that thread
// must outlive the movie (the main thread, or the player's own thread).
std::unique_ptr<MovieSource> OpenMovieInHelper(const std::string& realPath, std::string* error);

// The same, but nothing is started until the source's Open, which may run on another thread.
std::unique_ptr<MovieSource> MovieHelperFor(const std::string& realPath);

}  // namespace textreel
