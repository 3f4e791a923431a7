// textreel-movie: the movie helper process the engine starts for each movie (see
// platform/movie_process.h). It is not meant to be run by hand:
//   textreel-movie --serve ENGINE_PID
// with the movie open on descriptor 3 and the channel to the engine on descriptor 4.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "movie/movie_decoder.h"
#include "platform/movie_channel.h"
#include "platform/movie_sandbox.h"
#include "platform/movie_service.h"

int main(int argc, char** argv) {
    if (argc != 3 || std::strcmp(argv[1], "--serve") != 0) {
        std::fprintf(stderr,
                     "textreel-movie is started by textreel to decode a movie; it is not run by hand\n");
        return 2;
    }
    char* end = nullptr;
    const long parent = std::strtol(argv[2], &end, 10);
    if (end == argv[2] || *end != '\0' || parent <= 0) {
        return 2;
    }
    // FFmpeg's own set-up that touches the system (its log level, the allocation bound, the CPU's
    // features) runs before the filter: opening a dummy decoder does it all.
    textreel::MovieDecoder::Prepare();
    std::string error;
    if (!textreel::LockDownMovieHelper(static_cast<int>(parent), textreel::movie_channel::kMovieFd,
                                       textreel::movie_channel::kChannelFd, &error)) {
        std::fprintf(stderr, "textreel-movie: %s\n", error.c_str());
        return 3;
    }
    const int status = textreel::ServeMovie([](std::FILE* file, int64_t size, std::string* why) {
        return std::unique_ptr<textreel::MovieSource>(textreel::MovieDecoder::OpenFile(file, size, why));
    });
    // Straight out, without the exit handlers: nothing is left to write, and what such handlers do
    // (a sanitizer's leak check reading files and tracing threads) the filter refuses.
    std::_Exit(status);
}
