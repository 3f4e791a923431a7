// The termination signals are blocked in the engine's threads, but a child process it starts (the
// desktop's address opener) must get them back, or the programs it starts could not be stopped.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/signals.h"

namespace textreel {
namespace {

TEST(Signals, AChildProcessDoesNotInheritTheBlockedSignals) {
    sigset_t before;
    pthread_sigmask(SIG_BLOCK, nullptr, &before);
    BlockTerminationSignals();
    sigset_t blocked;
    pthread_sigmask(SIG_BLOCK, nullptr, &blocked);
    EXPECT_EQ(sigismember(&blocked, SIGTERM), 1);
    pid_t child = fork();
    if (child == 0) {
        sigset_t mask;
        sigprocmask(SIG_BLOCK, nullptr, &mask);
        _exit(sigismember(&mask, SIGTERM) || sigismember(&mask, SIGINT) || sigismember(&mask, SIGHUP) ? 1
                                                                                                      : 0);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace textreel
