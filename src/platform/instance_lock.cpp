#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/files.h"

namespace textreel {

InstanceLock::~InstanceLock() {
    Release();
}

std::string InstanceLock::PathFor(std::string_view instanceName) {
    // Names may hold any byte (Shift-JIS, slashes); letters and digits stay readable, the rest is
    // written as hexadecimal so that every name maps to one plain file name.
    static const char kHex[] = "0123456789abcdef";
    std::string name = "textreel-";
    for (char c : instanceName) {
        auto b = static_cast<uint8_t>(c);
        if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '-' ||
            b == '_') {
            name.push_back(c);
        } else {
            name.push_back('%');
            name.push_back(kHex[b >> 4]);
            name.push_back(kHex[b & 15]);
        }
    }
    if (name.size() > 200) {
        name.resize(200);
    }
    return files::RuntimeDirectory() + "/" + name + ".lock";
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
