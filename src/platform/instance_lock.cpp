#include "platform/instance_lock.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>

#include "platform/files.h"

namespace textreel {

InstanceLock::~InstanceLock() {
    Release();
}

std::string InstanceLock::PathFor(std::string_view instanceName) {
    // Names may hold any byte (Shift-JIS, slashes) and be long. The file name is a readable prefix
    // (letters and digits as they are, other bytes in hexadecimal) followed by a hash of every byte
    // of the name, so that two names differ in their files even when they differ only far on.
    static const char kHex[] = "0123456789abcdef";
    constexpr size_t kPrefixMax = 96;
    std::string prefix;
    for (char c : instanceName) {
        auto b = static_cast<uint8_t>(c);
        std::string piece;
        if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '-' ||
            b == '_') {
            piece.push_back(c);
        } else {
            piece = {'%', kHex[b >> 4], kHex[b & 15]};
        }
        if (prefix.size() + piece.size() > kPrefixMax) {
            break;
        }
        prefix += piece;
    }
    // 64-bit FNV-1a over the whole name.
    uint64_t hash = 0xcbf29ce484222325ull;
    for (char c : instanceName) {
        hash ^= static_cast<uint8_t>(c);
        hash *= 0x100000001b3ull;
    }
    std::string hex;
    for (int shift = 60; shift >= 0; shift -= 4) {
        hex.push_back(kHex[(hash >> shift) & 15]);
    }
    return files::RuntimeDirectory() + "/textreel-" + prefix + "-" + hex + ".lock";
}

InstanceLock::Result InstanceLock::Acquire(std::string_view instanceName) {
    Release();
    std::string path = PathFor(instanceName);
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return Result::kUnavailable;
    }
    for (;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            fd_ = fd;
            // The holder's process id, for a second start to find it.
            std::string pid = std::to_string(getpid()) + "\n";
            if (ftruncate(fd, 0) == 0 && pwrite(fd, pid.data(), pid.size(), 0) < 0) {
                // Without the id a second start still ends; it only cannot raise this window.
            }
            return Result::kAcquired;
        }
        if (errno == EINTR) {
            continue;
        }
        int error = errno;
        close(fd);
        return error == EWOULDBLOCK ? Result::kHeldElsewhere : Result::kUnavailable;
    }
}

namespace {

std::string LinkTarget(const std::string& path) {
    char buffer[4096];
    ssize_t n = readlink(path.c_str(), buffer, sizeof buffer);
    return n > 0 && static_cast<size_t>(n) < sizeof buffer ? std::string(buffer, static_cast<size_t>(n)) : "";
}

}  // namespace

void InstanceLock::SignalHolder(std::string_view instanceName) {
    int fd = open(PathFor(instanceName).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return;
    }
    char text[24] = {};
    ssize_t n = pread(fd, text, sizeof text - 1, 0);
    close(fd);
    long pid = 0;
    for (ssize_t i = 0; i < n && text[i] >= '0' && text[i] <= '9' && pid < 100000000; ++i) {
        pid = pid * 10 + (text[i] - '0');
    }
    if (pid <= 1 || pid == getpid()) {
        return;
    }
    // Only the same program: a stale or planted id must not reach another process.
    std::string self = LinkTarget("/proc/self/exe");
    if (self.empty() || LinkTarget("/proc/" + std::to_string(pid) + "/exe") != self) {
        return;
    }
    kill(static_cast<pid_t>(pid), SIGUSR1);
}

void InstanceLock::Release() {
    if (fd_ >= 0) {
        flock(fd_, LOCK_UN);
        close(fd_);
        fd_ = -1;
    }
}

}  // namespace textreel
