#include "platform/movie_sandbox.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace textreel {
namespace {

// A child process installs the movie helper's filter, then tries what a decoder taken over by a
// crafted movie would: each attempt must fail with EPERM, while reading the movie and writing to
// the channel still work. The child's exit status tells the first thing that went wrong.
TEST(MovieSandbox, TheFilterRefusesOpeningSocketsAndProgramsButLetsTheDecoderWork) {
    int movie[2];
    int channel[2];
    ASSERT_EQ(pipe(movie), 0);
    ASSERT_EQ(pipe(channel), 0);
    ASSERT_EQ(write(movie[1], "MPEG", 4), 4);
    const int other = open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    // Another process of the same user, which the helper must not be able to signal.
    const pid_t victim = fork();
    ASSERT_GE(victim, 0);
    if (victim == 0) {
        pause();
        _exit(0);
    }
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        std::string error;
        if (!InstallMovieFilter(movie[0], channel[1], &error)) {
            _exit(10);
        }
        char bytes[4];
        if (read(movie[0], bytes, 4) != 4 || write(channel[1], "ok", 2) != 2) {
            _exit(11);
        }
        errno = 0;
        if (open("/etc/passwd", O_RDONLY) != -1 || errno != EPERM) {
            _exit(12);
        }
        errno = 0;
        if (openat(AT_FDCWD, "/proc/self/status", O_RDONLY) != -1 || errno != EPERM) {
            _exit(13);
        }
        errno = 0;
        if (socket(AF_INET, SOCK_STREAM, 0) != -1 || errno != EPERM) {
            _exit(14);
        }
        char* argv[] = {const_cast<char*>("/bin/true"), nullptr};
        errno = 0;
        if (execv("/bin/true", argv) != -1 || errno != EPERM) {
            _exit(15);
        }
        // A descriptor the helper holds but was not given for the movie.
        errno = 0;
        if (read(other, bytes, 1) != -1 || errno != EPERM) {
            _exit(16);
        }
        // Signals: to itself (signal 0 only asks) yes, to another process no.
        if (syscall(SYS_tgkill, getpid(), static_cast<pid_t>(syscall(SYS_gettid)), 0) != 0) {
            _exit(17);
        }
        errno = 0;
        if (syscall(SYS_tgkill, victim, victim, SIGKILL) != -1 || errno != EPERM) {
            _exit(18);
        }
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    int victimStatus = 0;
    EXPECT_EQ(waitpid(victim, &victimStatus, WNOHANG), 0) << "the other process was killed";
    kill(victim, SIGKILL);
    waitpid(victim, &victimStatus, 0);
    char got[2] = {};
    EXPECT_EQ(read(channel[0], got, 2), 2);
    EXPECT_EQ(std::string(got, 2), "ok");
    for (int fd : {movie[0], movie[1], channel[0], channel[1], other}) {
        close(fd);
    }
}

}  // namespace
}  // namespace textreel
