#include "platform/movie_sandbox.h"

#include <errno.h>
#include <fcntl.h>
#include <malloc.h>
#include <sched.h>
#include <seccomp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>

namespace textreel {

namespace {

// The helper's address space (the decoder, its frames and the shared rings fit well within it; a
// file that declares more, such as millions of samples on each of many tracks, fails at once
// instead of taking the machine's memory) and its CPU time (a movie of half an hour decodes in far
// less).
constexpr rlim_t kAddressSpaceBytes = rlim_t{256} << 20;
constexpr rlim_t kCpuSeconds = 30 * 60;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// Sanitized builds reserve terabytes of shadow memory up front.
constexpr bool kLimitAddressSpace = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kLimitAddressSpace = false;
#else
constexpr bool kLimitAddressSpace = true;
#endif
#else
constexpr bool kLimitAddressSpace = true;
#endif

}  // namespace

bool InstallMovieFilter(int readFd, int channelFd, std::string* error) {
    scmp_filter_ctx ctx = seccomp_init(SCMP_ACT_ERRNO(EPERM));
    if (ctx == nullptr) {
        if (error != nullptr) {
            *error = "seccomp_init failed";
        }
        return false;
    }
    const auto fd = [](int n) { return static_cast<scmp_datum_t>(n); };
    // One comparison of a call's argument, built field by field: libseccomp's SCMP_A* macros are
    // C compound literals, which C++ compilers other than GCC refuse as an extension.
    const auto arg = [](unsigned index, scmp_compare op, scmp_datum_t a, scmp_datum_t b = 0) {
        scmp_arg_cmp cmp{};
        cmp.arg = index;
        cmp.op = op;
        cmp.datum_a = a;
        cmp.datum_b = b;
        return cmp;
    };
    int r = 0;
    auto allow = [&](int call) {
        if (r == 0) {
            r = seccomp_rule_add(ctx, SCMP_ACT_ALLOW, call, 0);
        }
    };
    auto allowOn = [&](int call, int onFd) {
        if (r == 0) {
            r = seccomp_rule_add(ctx, SCMP_ACT_ALLOW, call, 1, arg(0, SCMP_CMP_EQ, fd(onFd)));
        }
    };
    // The movie and the channel.
    allowOn(SCMP_SYS(read), readFd);
    allowOn(SCMP_SYS(read), channelFd);
    allowOn(SCMP_SYS(lseek), readFd);
    allowOn(SCMP_SYS(pread64), readFd);
    allowOn(SCMP_SYS(write), channelFd);
    allowOn(SCMP_SYS(write), STDERR_FILENO);
    allowOn(SCMP_SYS(writev), STDERR_FILENO);
    allowOn(SCMP_SYS(sendto), channelFd);
    allowOn(SCMP_SYS(sendmsg), channelFd);
    allowOn(SCMP_SYS(recvfrom), channelFd);
    allowOn(SCMP_SYS(recvmsg), channelFd);
    // Looking at a descriptor's flags (the C library does, to read a file through stdio).
    if (r == 0) {
        r = seccomp_rule_add(ctx, SCMP_ACT_ALLOW, SCMP_SYS(fcntl), 1, arg(1, SCMP_CMP_EQ, F_GETFL));
    }
    if (r == 0) {
        r = seccomp_rule_add(ctx, SCMP_ACT_ALLOW, SCMP_SYS(fcntl), 1, arg(1, SCMP_CMP_EQ, F_GETFD));
    }
    allow(SCMP_SYS(fstat));
    allow(SCMP_SYS(newfstatat));
    allow(SCMP_SYS(close));
    allow(SCMP_SYS(poll));
    allow(SCMP_SYS(ppoll));
    // Memory.
    allow(SCMP_SYS(mmap));
    allow(SCMP_SYS(munmap));
    allow(SCMP_SYS(mremap));
    allow(SCMP_SYS(mprotect));
    allow(SCMP_SYS(madvise));
    allow(SCMP_SYS(brk));
    // Threads of the decoder: clone only for a thread of this process; clone3 (whose flags a
    // filter cannot see) answers "not implemented", which makes the C library use clone.
    if (r == 0) {
        r = seccomp_rule_add(ctx, SCMP_ACT_ALLOW, SCMP_SYS(clone), 1,
                             arg(0, SCMP_CMP_MASKED_EQ, static_cast<scmp_datum_t>(CLONE_THREAD),
                                 static_cast<scmp_datum_t>(CLONE_THREAD)));
    }
    if (r == 0) {
        r = seccomp_rule_add(ctx, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(clone3), 0);
    }
    allow(SCMP_SYS(set_robust_list));
    allow(SCMP_SYS(rseq));
    allow(SCMP_SYS(futex));
    allow(SCMP_SYS(sched_yield));
    allow(SCMP_SYS(sched_getaffinity));
    allow(SCMP_SYS(getpid));
    allow(SCMP_SYS(gettid));
    allow(SCMP_SYS(getrandom));
    allow(SCMP_SYS(prlimit64));
    allow(SCMP_SYS(getrlimit));
    // Clocks and sleeps.
    allow(SCMP_SYS(clock_gettime));
    allow(SCMP_SYS(clock_getres));
    allow(SCMP_SYS(clock_nanosleep));
    allow(SCMP_SYS(nanosleep));
    allow(SCMP_SYS(gettimeofday));
    // Signals (an abort raises one at itself) and leaving.
    allow(SCMP_SYS(rt_sigprocmask));
    allow(SCMP_SYS(rt_sigreturn));
    allow(SCMP_SYS(sigaltstack));
    // A signal only to a thread of the helper itself: tgkill's first argument is the process.
    if (r == 0) {
        r = seccomp_rule_add(ctx, SCMP_ACT_ALLOW, SCMP_SYS(tgkill), 1,
                             arg(0, SCMP_CMP_EQ, static_cast<scmp_datum_t>(getpid())));
    }
    allow(SCMP_SYS(exit));
    allow(SCMP_SYS(exit_group));
    if (r == 0) {
        r = seccomp_load(ctx);
    }
    seccomp_release(ctx);
    if (r != 0) {
        if (error != nullptr) {
            *error = "the system call filter cannot be installed";
        }
        return false;
    }
    return true;
}

bool LockDownMovieHelper(int parentPid, int readFd, int channelFd, std::string* error) {
    auto fail = [error](const char* why) {
        if (error != nullptr) {
            *error = why;
        }
        return false;
    };
    if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0) {
        return fail("PR_SET_PDEATHSIG failed");
    }
    // The engine may have gone before the line above took effect.
    if (getppid() != parentPid) {
        return fail("the engine has gone");
    }
    // Its own process group, when the engine did not already start it in one.
    if (getpgrp() != getpid() && setpgid(0, 0) != 0) {
        return fail("setpgid failed");
    }
    if (kLimitAddressSpace) {
        // One heap for all threads: every further heap the C library makes for a decoding thread
        // reserves 64 MB of address space, a quarter of the bound.
        mallopt(M_ARENA_MAX, 1);
        const rlimit as{kAddressSpaceBytes, kAddressSpaceBytes};
        if (setrlimit(RLIMIT_AS, &as) != 0) {
            return fail("RLIMIT_AS cannot be set");
        }
    }
    const rlimit cpu{kCpuSeconds, kCpuSeconds};
    const rlimit noCores{0, 0};
    if (setrlimit(RLIMIT_CPU, &cpu) != 0 || setrlimit(RLIMIT_CORE, &noCores) != 0) {
        return fail("the limits cannot be set");
    }
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
        return fail("PR_SET_NO_NEW_PRIVS failed");
    }
    return InstallMovieFilter(readFd, channelFd, error);
}

}  // namespace textreel
