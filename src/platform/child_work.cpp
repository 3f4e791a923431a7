#include "platform/child_work.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace textreel {

namespace {

// How often the parent looks at the deadline and the stop flag while it reads the child's output.
constexpr int kPollMs = 20;

void WriteAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        done += static_cast<size_t>(n);
    }
}

int Reap(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

}  // namespace

int64_t SteadyNowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

ChildOutcome RunInChild(const std::function<int(std::string& output)>& work, int64_t deadlineMs,
                        const std::atomic<bool>* stop) {
    ChildOutcome outcome;
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        return outcome;
    }
    pid_t pid = fork();
    if (pid < 0) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        return outcome;
    }
    if (pid == 0) {
        // Nothing of the parent's exit path (its atexit handlers, its buffered streams) runs here.
        close(pipeFds[0]);
        std::string output;
        int code = work(output);
        WriteAll(pipeFds[1], output);
        _exit(code & 0xFF);
    }
    close(pipeFds[1]);
    bool open = true;
    char buffer[65536];
    while (open) {
        // The deadline and the stop flag come first: work asked for after them is not waited for.
        if ((deadlineMs > 0 && SteadyNowMs() >= deadlineMs) || (stop != nullptr && stop->load())) {
            kill(pid, SIGKILL);
            Reap(pid);
            close(pipeFds[0]);
            outcome.kind = ChildOutcome::Kind::kEnded;
            outcome.output.clear();
            return outcome;
        }
        pollfd p{pipeFds[0], POLLIN, 0};
        int ready = poll(&p, 1, kPollMs);
        if (ready > 0) {
            ssize_t n = read(pipeFds[0], buffer, sizeof(buffer));
            if (n > 0) {
                outcome.output.append(buffer, static_cast<size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                open = false;
            }
        } else if (ready < 0 && errno != EINTR) {
            open = false;
        }
    }
    close(pipeFds[0]);
    int status = Reap(pid);
    if (WIFEXITED(status)) {
        outcome.kind = ChildOutcome::Kind::kDone;
        outcome.code = WEXITSTATUS(status);
    } else {
        outcome.kind = ChildOutcome::Kind::kEnded;
        outcome.output.clear();
    }
    return outcome;
}

}  // namespace textreel
