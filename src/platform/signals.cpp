#include "platform/signals.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>

namespace textreel {

namespace {
sigset_t TerminationSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    sigaddset(&set, SIGUSR1);  // a second start asks the running copy to come forward
    return set;
}

// A child process (the desktop's address opener, started by a fork) gets the signals back: the
// mask would otherwise pass through exec to the browser it starts. sigprocmask is safe to call
// between fork and exec.
void UnblockInChild() {
    sigset_t set = TerminationSet();
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
}
}  // namespace

void BlockTerminationSignals() {
    static const bool registered = pthread_atfork(nullptr, nullptr, &UnblockInChild) == 0;
    (void)registered;
    sigset_t set = TerminationSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

SignalWatcher::SignalWatcher(std::function<void()> onSignal, std::function<void()> onRaise)
    : onSignal_(std::move(onSignal)), onRaise_(std::move(onRaise)) {
    sigset_t set = TerminationSet();
    if (pipe2(stopPipe_, O_CLOEXEC) != 0) {
        stopPipe_[0] = stopPipe_[1] = -1;
        return;
    }
    signalFd_ = signalfd(-1, &set, SFD_CLOEXEC);
    if (signalFd_ < 0) {
        return;
    }
    thread_ = std::thread([this] { Watch(); });
}

SignalWatcher::~SignalWatcher() {
    if (thread_.joinable()) {
        char byte = 0;
        while (write(stopPipe_[1], &byte, 1) < 0 && errno == EINTR) {
        }
        thread_.join();
    }
    for (int fd : {signalFd_, stopPipe_[0], stopPipe_[1]}) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

void SignalWatcher::Watch() {
    for (;;) {
        pollfd fds[2] = {{signalFd_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        int n = poll(fds, 2, -1);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if ((fds[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            return;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            signalfd_siginfo info{};
            if (read(signalFd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
                if (info.ssi_signo == SIGUSR1) {
                    if (onRaise_) {
                        onRaise_();
                    }
                    continue;
                }
                // Later signals find the engine closing already; one close is enough.
                onSignal_();
                return;
            }
        }
    }
}

}  // namespace textreel
