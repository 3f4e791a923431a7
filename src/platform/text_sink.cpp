#include "platform/text_sink.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/quiet_output.h"

namespace textreel {

namespace {

// What standard output may hold back for a slow reader before lines are dropped.
constexpr size_t kStdoutHeldBytes = 64 << 10;

// A reader that goes away must not end the program: the write then fails with EPIPE instead.
void IgnoreBrokenPipes() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
}

}  // namespace

TextSink::~TextSink() {
    if (fd_ >= 0 && kind_ != Kind::kStdout) {
        close(fd_);
    }
}

bool TextSink::Open(const std::string& path, std::string& error) {
    std::lock_guard lock(mutex_);
    IgnoreBrokenPipes();
    path_ = path;
    if (path == "-") {
        kind_ = Kind::kStdout;
        fd_ = STDOUT_FILENO;
        stdout_ = std::make_unique<QuietOutput>(STDOUT_FILENO, kStdoutHeldBytes);
        return true;
    }
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            error = path + " is a folder";
            return false;
        }
        if (S_ISFIFO(st.st_mode)) {
            kind_ = Kind::kFifo;
            OpenFifo();  // no reader yet is no error: lines wait for none
            return true;
        }
    }
    fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd_ < 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    kind_ = Kind::kFile;
    return true;
}

// Opens the FIFO for writing if a reader holds it open; without one, open fails at once with ENXIO.
bool TextSink::OpenFifo() {
    fd_ = open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    return fd_ >= 0;
}

void TextSink::WriteLine(std::string_view text) {
    std::string line = WithoutControls(text);
    line.push_back('\n');
    std::lock_guard lock(mutex_);
    if (kind_ == Kind::kNone) {
        return;
    }
    if (kind_ == Kind::kStdout) {
        stdout_->Write(line);
        return;
    }
    if (kind_ == Kind::kFifo && fd_ < 0 && !OpenFifo()) {
        return;  // nobody listens: the line is dropped
    }
    size_t done = 0;
    while (done < line.size()) {
        ssize_t n = write(fd_, line.data() + done, line.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (kind_ == Kind::kFifo || (n < 0 && errno == EAGAIN)) {
            // EAGAIN: the reader does not keep up and the pipe is full, so the line is dropped
            // rather than waited for (a line is shorter than the pipe's atomic size, so none is
            // half-written). EPIPE: the reader left; the next line looks for a new one.
            if (n < 0 && errno != EAGAIN) {
                close(fd_);
                fd_ = -1;
            }
        }
        return;
    }
}

}  // namespace textreel
