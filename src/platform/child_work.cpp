#include "platform/child_work.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace textreel {

namespace {
// How often the parent looks at the child, the deadline and the stop flag.
constexpr auto kPollStep = std::chrono::milliseconds(20);
}  // namespace

int64_t SteadyNowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

ChildOutcome RunInChild(const std::function<int()>& work, int64_t deadlineMs, const std::atomic<bool>* stop) {
    ChildOutcome outcome;
    pid_t pid = fork();
    if (pid < 0) {
        return outcome;
    }
    if (pid == 0) {
        // Nothing of the parent's exit path (its atexit handlers, its buffered streams) runs here.
        _exit(work() & 0xFF);
    }
    for (;;) {
        int status = 0;
        // The deadline and the stop flag come first: work asked for after them is not waited for.
        bool late = deadlineMs > 0 && SteadyNowMs() >= deadlineMs;
        if (late || (stop != nullptr && stop->load())) {
            kill(pid, SIGKILL);
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            outcome.kind = ChildOutcome::Kind::kEnded;
            return outcome;
        }
        pid_t got = waitpid(pid, &status, WNOHANG);
        if (got == pid) {
            if (WIFEXITED(status)) {
                outcome.kind = ChildOutcome::Kind::kDone;
                outcome.code = WEXITSTATUS(status);
            } else {
                outcome.kind = ChildOutcome::Kind::kEnded;
            }
            return outcome;
        }
        if (got < 0 && errno != EINTR) {
            return outcome;
        }
        std::this_thread::sleep_for(kPollStep);
    }
}

}  // namespace textreel
