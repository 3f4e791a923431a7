// The movie helper process's side of the channel to the engine (see movie_channel.h): opens the
// movie the engine handed over, then decodes into the shared rings until the engine lets go.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "platform/movie_source.h"

namespace textreel {

// Opens the decoder on an open regular file of size bytes (the decoder owns the file).
using MovieOpener =
    std::function<std::unique_ptr<MovieSource>(std::FILE* file, int64_t size, std::string* error)>;

// Serves the movie on the descriptor movie_channel::kMovieFd through the socket on kChannelFd;
// returns the process's exit status.
int ServeMovie(const MovieOpener& open);

}  // namespace textreel
