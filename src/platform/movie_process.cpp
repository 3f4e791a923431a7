#include "platform/movie_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "platform/error_log.h"
#include "platform/files.h"
#include "platform/movie_channel.h"

extern char** environ;

namespace textreel {

namespace {

namespace channel = movie_channel;
using Steady = std::chrono::steady_clock;

// How long the helper may take to start and open the movie (loading the decoder's libraries and
// reading the container's header), and to take the shared memory. The main thread waits for it.
constexpr int kOpenMs = 5000;

void CloseFd(int& fd) {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

bool SendMessage(int fd, const channel::Message& m, int passFd = -1) {
    iovec io{const_cast<channel::Message*>(&m), sizeof m};
    msghdr msg{};
    msg.msg_iov = &io;
    msg.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    if (passFd >= 0) {
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        cmsghdr* c = CMSG_FIRSTHDR(&msg);
        c->cmsg_level = SOL_SOCKET;
        c->cmsg_type = SCM_RIGHTS;
        c->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(c), &passFd, sizeof(int));
    }
    ssize_t n;
    do {
        n = sendmsg(fd, &msg, MSG_DONTWAIT | MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(sizeof m);
}

class HelperSource final : public MovieSource {
  public:
    HelperSource() = default;
    explicit HelperSource(std::string realPath) : realPath_(std::move(realPath)) {
        if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
            wake_[0] = wake_[1] = -1;
        }
    }

    bool Open(std::string* error) override {
        if (wake_[0] < 0) {
            return Fail(error, "no channel to the movie helper");
        }
        return Spawn(realPath_, error);
    }

    ~HelperSource() override {
        CloseFd(socket_);
        if (pid_ > 0) {
            // The helper holds nothing worth keeping: it goes at once, and is reaped.
            kill(pid_, SIGKILL);
            while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
        if (base_ != nullptr) {
            munmap(base_, layout_.total);
        }
        CloseFd(wake_[0]);
        CloseFd(wake_[1]);
    }

    bool Spawn(const std::string& realPath, std::string* error) {
        const std::string helper = MovieHelperPath();
        if (helper.empty()) {
            return Fail(error, "the movie helper textreel-movie is not installed beside the engine");
        }
        std::FILE* file = files::OpenRegularFile(realPath, UINT64_MAX);
        if (file == nullptr) {
            return Fail(error, "it cannot be opened");
        }
        int pair[2] = {-1, -1};
        if ((wake_[0] < 0 && pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) ||
            socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) {
            std::fclose(file);
            return Fail(error, "no channel to the movie helper");
        }
        socket_ = pair[0];
        // Copies above the descriptors the helper expects, so that moving them into place cannot
        // overwrite one with the other.
        int movieCopy = fcntl(fileno(file), F_DUPFD_CLOEXEC, 10);
        int channelCopy = fcntl(pair[1], F_DUPFD_CLOEXEC, 10);
        std::fclose(file);
        close(pair[1]);

        posix_spawn_file_actions_t actions;
        posix_spawnattr_t attr;
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attr);
        posix_spawn_file_actions_adddup2(&actions, movieCopy, channel::kMovieFd);
        posix_spawn_file_actions_adddup2(&actions, channelCopy, channel::kChannelFd);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addclosefrom_np(&actions, channel::kChannelFd + 1);
        // Its own process group (a terminal's Ctrl+C reaches the engine, which ends it), the
        // default signal actions and nothing blocked.
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        posix_spawnattr_setpgroup(&attr, 0);
        posix_spawnattr_setsigmask(&attr, &none);
        posix_spawnattr_setsigdefault(&attr, &all);
        posix_spawnattr_setflags(&attr,
                                 POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        const std::string parent = std::to_string(getpid());
        char* argv[] = {const_cast<char*>(helper.c_str()), const_cast<char*>("--serve"),
                        const_cast<char*>(parent.c_str()), nullptr};
        pid_t pid = -1;
        int r = movieCopy >= 0 && channelCopy >= 0
                    ? posix_spawn(&pid, helper.c_str(), &actions, &attr, argv, environ)
                    : EBADF;
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
        if (movieCopy >= 0) {
            close(movieCopy);
        }
        if (channelCopy >= 0) {
            close(channelCopy);
        }
        if (r != 0) {
            return Fail(error, std::string("the movie helper cannot be started (") + std::strerror(r) + ")");
        }
        pid_ = pid;

        channel::Message m;
        if (!Receive(m, kOpenMs)) {
            return Fail(error, interrupted_ ? "stopped while it opened" : "the movie helper gave no answer");
        }
        if (m.kind == channel::MessageKind::kRefused) {
            m.text[sizeof m.text - 1] = '\0';
            return Fail(error, m.text);
        }
        m.text[sizeof m.text - 1] = '\0';
        const bool picture = (m.flags & channel::kHasPicture) != 0;
        if (m.kind != channel::MessageKind::kInfo ||
            (picture && (m.width <= 0 || m.height <= 0 || m.width > kMaxSide || m.height > kMaxSide)) ||
            !(m.aspect >= 0 && m.aspect < 1e6) || m.frameUs < 1000 || m.frameUs > 1000000) {
            return Fail(error, "the movie helper answered nonsense");
        }
        info_.width = picture ? m.width : 0;
        info_.height = picture ? m.height : 0;
        info_.aspect = m.aspect;
        info_.durationMs = std::max<int64_t>(m.durationMs, -1);
        info_.frameUs = m.frameUs;
        info_.hasPicture = picture;
        info_.hasSound = (m.flags & channel::kHasSound) != 0;
        info_.container = m.text;
        return true;
    }

    const MovieInfo& Info() const override { return info_; }

    bool SetPictureSize(int width, int height) override {
        if (base_ != nullptr || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
            return false;
        }
        return Begin(width, height);
    }

    Result NextPicture(int64_t& timeUs) override {
        if (!Ready() || !info_.hasPicture || layout_.width == 0 || pictureEnded_) {
            return Result::kEnd;
        }
        if (holding_) {
            holding_ = false;
            pictures_.Release();
            Wake();
        }
        std::optional<uint32_t> slot;
        if (!WaitFor(pictures_, slot)) {
            return Result::kEnd;
        }
        const channel::SlotHead head = *layout_.PictureHead(base_, *slot);
        if (head.kind == channel::SlotKind::kEnd) {
            pictureEnded_ = true;
            return Result::kEnd;
        }
        if (head.kind != channel::SlotKind::kPicture && head.kind != channel::SlotKind::kUnconverted) {
            return Break();
        }
        holding_ = true;
        heldSlot_ = *slot;
        heldConverted_ = head.kind == channel::SlotKind::kPicture;
        timeUs = head.timeUs;
        return Result::kOk;
    }

    bool ConvertPicture(uint8_t* pixels, int stride) override {
        if (!holding_ || !heldConverted_ || pixels == nullptr || stride < layout_.width * 3) {
            return false;
        }
        const uint8_t* from = layout_.PicturePixels(base_, heldSlot_);
        for (int y = 0; y < layout_.height; ++y) {
            std::memcpy(pixels + static_cast<size_t>(y) * stride,
                        from + static_cast<size_t>(y) * layout_.stride,
                        static_cast<size_t>(layout_.width) * 3);
        }
        return true;
    }

    Result NextSound(std::vector<int16_t>& samples, int64_t& timeUs) override {
        if (!Ready() || !info_.hasSound || soundEnded_) {
            return Result::kEnd;
        }
        std::optional<uint32_t> slot;
        if (!WaitFor(sound_, slot)) {
            return Result::kEnd;
        }
        const channel::SlotHead head = *layout_.SoundHead(base_, *slot);
        if (head.kind == channel::SlotKind::kEnd) {
            soundEnded_ = true;
            return Result::kEnd;
        }
        if (head.kind != channel::SlotKind::kSound || head.samples > channel::kSoundSlotSamples ||
            head.samples % kSoundChannels != 0) {
            return Break();
        }
        const int16_t* from = layout_.SoundSamples(base_, *slot);
        samples.insert(samples.end(), from, from + head.samples);
        timeUs = std::max<int64_t>(head.timeUs, 0);
        sound_.Release();
        Wake();
        return Result::kOk;
    }

    int64_t DamagedPackets() const override {
        return base_ != nullptr ? layout_.HeaderIn(base_)->damaged.load(std::memory_order_relaxed) : 0;
    }

    bool Broken() const override { return broken_; }

    void Interrupt() override {
        interrupted_ = true;
        const char b = 1;
        [[maybe_unused]] ssize_t n = write(wake_[1], &b, 1);
    }

  private:
    bool Fail(std::string* error, const std::string& why) {
        if (error != nullptr) {
            *error = why;
        }
        return false;
    }

    Result Break() {
        broken_ = true;
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
        }
        return Result::kEnd;
    }

    // The shared memory is made on the first call that needs it: SetPictureSize, or the first
    // sound of a movie without pictures.
    bool Ready() {
        if (broken_ || interrupted_) {
            return false;
        }
        return base_ != nullptr || (!info_.hasPicture && Begin(0, 0));
    }

    bool Begin(int width, int height) {
        const int32_t pictureSlots = width > 0 ? channel::Layout::PictureSlotsFor(width, height) : 1;
        if (!layout_.Make(width, height, pictureSlots, channel::kSoundSlots)) {
            return false;
        }
        int memory = memfd_create("textreel-movie", MFD_CLOEXEC | MFD_ALLOW_SEALING);
        if (memory < 0) {
            Break();
            return false;
        }
        // Sealed at its size: the helper can neither shrink it under the engine's feet (which would
        // fault the engine's reads) nor grow it.
        void* base = MAP_FAILED;
        if (ftruncate(memory, static_cast<off_t>(layout_.total)) == 0 &&
            fcntl(memory, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) == 0) {
            base = mmap(nullptr, layout_.total, PROT_READ | PROT_WRITE, MAP_SHARED, memory, 0);
        }
        if (base == MAP_FAILED) {
            close(memory);
            Break();
            return false;
        }
        base_ = static_cast<uint8_t*>(base);
        channel::Header* header = new (base_) channel::Header();
        pictures_ = SlotRing(&header->pictures, static_cast<uint32_t>(layout_.pictureSlots));
        sound_ = SlotRing(&header->sound, static_cast<uint32_t>(layout_.soundSlots));

        channel::Message m;
        m.kind = channel::MessageKind::kBegin;
        m.width = width;
        m.height = height;
        m.pictureSlots = layout_.pictureSlots;
        m.soundSlots = layout_.soundSlots;
        const bool sent = SendMessage(socket_, m, memory);
        close(memory);
        channel::Message answer;
        if (!sent || !Receive(answer, kOpenMs) || answer.kind != channel::MessageKind::kBegun) {
            Break();
            return false;
        }
        return answer.flags == channel::kOk;
    }

    // Waits for a message other than kWake; false when the helper is gone or silent for ms.
    bool Receive(channel::Message& m, int ms) {
        const Steady::time_point until = Steady::now() + std::chrono::milliseconds(ms);
        for (;;) {
            if (Steady::now() >= until) {
                return false;  // silent, or sending nothing but notices
            }
            ssize_t n = recv(socket_, &m, sizeof m, MSG_DONTWAIT);
            if (n == static_cast<ssize_t>(sizeof m)) {
                if (m.kind != channel::MessageKind::kWake) {
                    return true;
                }
                continue;
            }
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR) || n > 0) {
                return false;
            }
            if (!Poll(until)) {
                return false;
            }
        }
    }

    // Sleeps until the socket has something, the deadline passes or Interrupt; false unless the
    // socket has something.
    bool Poll(Steady::time_point until) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - Steady::now()).count();
        if (left <= 0 || interrupted_) {
            return false;
        }
        pollfd fds[2] = {{socket_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        int r = poll(fds, 2, static_cast<int>(std::min<int64_t>(left, INT_MAX)));
        if (r < 0 && errno == EINTR) {
            return true;
        }
        return r > 0 && (fds[1].revents & POLLIN) == 0 && fds[0].revents != 0;
    }

    // Waits until the ring has a slot to read. A helper that dies, damages the ring or gives no
    // slot for kHelperSilenceMs (however much else it sends) breaks the source; Interrupt just
    // ends the wait.
    bool WaitFor(SlotRing& ring, std::optional<uint32_t>& slot) {
        const Steady::time_point until = Steady::now() + std::chrono::milliseconds(kHelperSilenceMs);
        for (;;) {
            // The notices are drained before the ring is looked at, so that one sent after the
            // look is still there for the poll below. The end of the socket is the helper's death;
            // what it published before is still read.
            channel::Message m;
            ssize_t n;
            while ((n = recv(socket_, &m, sizeof m, MSG_DONTWAIT)) > 0) {
            }
            const bool gone = n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR);
            slot = ring.ReadSlot();
            if (slot) {
                return true;
            }
            if (ring.Damaged() || gone) {
                Break();
                return false;
            }
            if (interrupted_) {
                return false;
            }
            if (Steady::now() >= until) {
                ErrorPrintf("textreel: the movie helper gave nothing for %d ms\n", kHelperSilenceMs);
                Break();
                return false;
            }
            Poll(until);
        }
    }

    void Wake() {
        channel::Message m;
        m.kind = channel::MessageKind::kWake;
        SendMessage(socket_, m);
    }

    std::string realPath_;
    MovieInfo info_;
    pid_t pid_ = -1;
    int socket_ = -1;
    int wake_[2] = {-1, -1};
    std::atomic<bool> interrupted_{false};
    bool broken_ = false;
    channel::Layout layout_;
    uint8_t* base_ = nullptr;
    SlotRing pictures_;
    SlotRing sound_;
    bool holding_ = false;
    uint32_t heldSlot_ = 0;
    bool heldConverted_ = false;
    bool pictureEnded_ = false;
    bool soundEnded_ = false;
};

}  // namespace

std::string MovieHelperPath() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return "";
    }
    const std::filesystem::path dir = self.parent_path();
    for (const std::filesystem::path& p :
         {dir / "textreel-movie", dir / ".." / "lib" / "textreel" / "textreel-movie"}) {
        if (access(p.c_str(), X_OK) == 0) {
            return p.string();
        }
    }
    return "";
}

std::unique_ptr<MovieSource> OpenMovieInHelper(const std::string& realPath, std::string* error) {
    auto source = std::make_unique<HelperSource>();
    if (!source->Spawn(realPath, error)) {
        return nullptr;
    }
    return source;
}

std::unique_ptr<MovieSource> MovieHelperFor(const std::string& realPath) {
    return std::make_unique<HelperSource>(realPath);
}

}  // namespace textreel
