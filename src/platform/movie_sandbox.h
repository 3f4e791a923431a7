// Locking the movie helper process down before it reads a byte of the movie: no new privileges, a
// bounded address space and CPU time, death with the engine, and a system call filter that leaves
// only what decoding into the shared rings needs.
#pragma once

#include <string>

namespace textreel {

// Installs the helper's system call filter on the calling process (and the threads it starts
// later). Reading is allowed on readFd and the channel, writing on the channel and stderr; memory,
// threads, futexes, clocks and leaving are allowed. Opening files, sockets, running programs,
// tracing and everything else fails with EPERM. false with *error when it cannot be installed.
bool InstallMovieFilter(int readFd, int channelFd, std::string* error);

// Everything: limits, no new privileges, SIGKILL when the thread that started the helper ends
// (and an end if parentPid is already gone), then the filter.
bool LockDownMovieHelper(int parentPid, int readFd, int channelFd, std::string* error);

}  // namespace textreel
