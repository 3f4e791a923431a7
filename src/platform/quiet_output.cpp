#include "platform/quiet_output.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>

namespace textreel {

namespace {

// The length of the UTF-8 sequence at text[i], or 0 when the bytes there are not one.
size_t Utf8Length(std::string_view text, size_t i) {
    const auto b = static_cast<uint8_t>(text[i]);
    size_t n = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || i + n > text.size() || (n == 2 && b < 0xC2) || (n == 4 && b > 0xF4)) {
        return 0;
    }
    for (size_t k = 1; k < n; ++k) {
        if ((static_cast<uint8_t>(text[i + k]) & 0xC0) != 0x80) {
            return 0;
        }
    }
    const auto b1 = static_cast<uint8_t>(text[i + 1 < text.size() ? i + 1 : i]);
    if ((n == 3 && b == 0xE0 && b1 < 0xA0) || (n == 3 && b == 0xED && b1 >= 0xA0) ||
        (n == 4 && b == 0xF0 && b1 < 0x90) || (n == 4 && b == 0xF4 && b1 >= 0x90)) {
        return 0;  // overlong, a surrogate, or past U+10FFFF
    }
    return n;
}

bool IsC1(std::string_view text, size_t i, size_t n) {
    return n == 2 && static_cast<uint8_t>(text[i]) == 0xC2 && static_cast<uint8_t>(text[i + 1]) < 0xA0;
}

void PutHex(std::string& out, const char* prefix, uint8_t b) {
    static const char kHex[] = "0123456789abcdef";
    out += prefix;
    out.push_back(kHex[b >> 4]);
    out.push_back(kHex[b & 15]);
}

}  // namespace

std::string VisibleControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<uint8_t>(text[i]);
        const size_t n = Utf8Length(text, i);
        if (n == 0 || (n == 1 && (b < 0x20 || b == 0x7F))) {
            PutHex(out, "\\x", b);
            ++i;
        } else if (IsC1(text, i, n)) {
            PutHex(out, "\\u00", static_cast<uint8_t>(text[i + 1]));
            i += 2;
        } else {
            out.append(text.substr(i, n));
            i += n;
        }
    }
    return out;
}

std::string WithoutControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<uint8_t>(text[i]);
        const size_t n = Utf8Length(text, i);
        if (n == 0 || (n == 1 && (b < 0x20 || b == 0x7F))) {
            ++i;
        } else if (IsC1(text, i, n)) {
            i += 2;
        } else {
            out.append(text.substr(i, n));
            i += n;
        }
    }
    return out;
}

QuietOutput::~QuietOutput() {
    if (owned_) {
        close(fd_);
    }
}

std::unique_ptr<QuietOutput> QuietOutput::CreateFile(const std::string& path, size_t maxHeld, bool append) {
    // O_RDWR on a FIFO opens it without a reader (a write-only open would wait for one or fail).
    int fd =
        open(path.c_str(),
             O_WRONLY | O_CREAT | (append ? O_APPEND : O_TRUNC) | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd < 0 && errno == ENXIO) {
        fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    }
    if (fd < 0) {
        return nullptr;
    }
    auto output = std::make_unique<QuietOutput>(fd, maxHeld);
    output->owned_ = true;
    return output;
}

void QuietOutput::Push(int ms) {
    using Steady = std::chrono::steady_clock;
    const Steady::time_point until = Steady::now() + std::chrono::milliseconds(ms);
    while (!held_.empty() && !gone_) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - Steady::now()).count();
        pollfd p{fd_, POLLOUT, 0};
        const int r = poll(&p, 1, static_cast<int>(std::clamp<int64_t>(left, 0, INT_MAX)));
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r <= 0) {
            return;  // no room now: the bytes wait for the next write
        }
        if ((p.revents & (POLLERR | POLLNVAL)) != 0 || (p.revents & POLLOUT) == 0) {
            gone_ = true;  // the reader has gone (or the descriptor is closed): nothing will go out
            break;
        }
        // A pipe that polls writable has room for a write of PIPE_BUF bytes, which it takes whole
        // without blocking.
        const size_t chunk = std::min<size_t>(held_.size(), PIPE_BUF);
        const ssize_t n = write(fd_, held_.data(), chunk);
        if (n > 0) {
            held_.erase(0, static_cast<size_t>(n));
        } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
            gone_ = true;
        }
    }
    if (gone_) {
        held_.clear();
    }
}

bool QuietOutput::Write(std::string_view bytes) {
    std::lock_guard lock(mutex_);
    if (gone_ || held_.size() + bytes.size() > maxHeld_) {
        // The lines already held go first, so that what is dropped is the newest, whole.
        Push(0);
        if (gone_ || held_.size() + bytes.size() > maxHeld_) {
            ++dropped_;
            return false;
        }
    }
    held_.append(bytes);
    Push(0);
    return true;
}

void QuietOutput::Drain(int ms) {
    std::lock_guard lock(mutex_);
    Push(ms);
}

int64_t QuietOutput::DroppedWrites() const {
    std::lock_guard lock(mutex_);
    return dropped_;
}

}  // namespace textreel
