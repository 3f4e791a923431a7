#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

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

void InstanceLock::Release() {
    if (fd_ >= 0) {
        flock(fd_, LOCK_UN);
        close(fd_);
        fd_ = -1;
    }
}

}  // namespace textreel
