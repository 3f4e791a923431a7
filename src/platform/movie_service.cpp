#include "platform/movie_service.h"

#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/movie_channel.h"

namespace textreel {

namespace {

namespace channel = movie_channel;

// Exit statuses of the helper.
constexpr int kExitDone = 0;     // the engine let go
constexpr int kExitRefused = 1;  // the movie cannot be played (the engine was told why)
constexpr int kExitBroken = 2;   // the channel or the shared memory is not what it should be

bool Send(const channel::Message& m) {
    ssize_t n;
    do {
        n = send(channel::kChannelFd, &m, sizeof m, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(sizeof m);
}

void CopyText(char (&to)[sizeof channel::Message::text], const std::string& text) {
    const size_t n = std::min(text.size(), sizeof to - 1);
    std::memcpy(to, text.data(), n);
    to[n] = '\0';
}

// Receives the next message that is not kWake, with the descriptor passed along with it, if any.
// false when the engine closed the channel.
bool ReceiveBlocking(channel::Message& m, int& passed) {
    for (;;) {
        iovec io{&m, sizeof m};
        msghdr msg{};
        msg.msg_iov = &io;
        msg.msg_iovlen = 1;
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        ssize_t n = recvmsg(channel::kChannelFd, &msg, MSG_CMSG_CLOEXEC);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n != static_cast<ssize_t>(sizeof m)) {
            return false;
        }
        passed = -1;
        for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_RIGHTS &&
                c->cmsg_len == CMSG_LEN(sizeof(int))) {
                std::memcpy(&passed, CMSG_DATA(c), sizeof(int));
            }
        }
        if (m.kind != channel::MessageKind::kWake) {
            return true;
        }
        if (passed >= 0) {
            close(passed);
        }
    }
}

class Server {
  public:
    Server(MovieSource& source, const channel::Layout& layout, uint8_t* base)
        : source_(source), layout_(layout), base_(base) {
        channel::Header* header = layout.HeaderIn(base);
        header_ = header;
        pictures_ = SlotRing(&header->pictures, static_cast<uint32_t>(layout.pictureSlots));
        sound_ = SlotRing(&header->sound, static_cast<uint32_t>(layout.soundSlots));
        pictureEnded_ = !source.Info().hasPicture || layout.width == 0;
        soundEnded_ = !source.Info().hasSound;
    }

    int Run() {
        for (;;) {
            if (!DrainChannel()) {
                return kExitDone;
            }
            if (pictures_.Damaged() || sound_.Damaged()) {
                return kExitBroken;
            }
            bool moved = false;
            if (!pictureEnded_) {
                moved = PutPicture() || moved;
            }
            if (!soundEnded_) {
                moved = PutSound() || moved;
            }
            header_->damaged.store(source_.DamagedPackets(), std::memory_order_relaxed);
            if (moved) {
                channel::Message m;
                m.kind = channel::MessageKind::kWake;
                // A full socket means the engine has notices enough to read.
                send(channel::kChannelFd, &m, sizeof m, MSG_DONTWAIT | MSG_NOSIGNAL);
                continue;
            }
            // Both rings full (or both streams over): sleep until the engine takes a slot or goes.
            pollfd fd{channel::kChannelFd, POLLIN, 0};
            if (poll(&fd, 1, -1) < 0 && errno != EINTR) {
                return kExitBroken;
            }
        }
    }

  private:
    // Reads the engine's notices; false when it closed the channel.
    bool DrainChannel() {
        channel::Message m;
        for (;;) {
            ssize_t n = recv(channel::kChannelFd, &m, sizeof m, MSG_DONTWAIT);
            if (n > 0) {
                continue;
            }
            return n < 0 && (errno == EAGAIN || errno == EINTR);
        }
    }

    bool PutPicture() {
        std::optional<uint32_t> slot = pictures_.WriteSlot();
        if (!slot) {
            return false;
        }
        channel::SlotHead head;
        int64_t t = 0;
        if (source_.NextPicture(t) == MovieSource::Result::kOk) {
            head.timeUs = t;
            head.kind = source_.ConvertPicture(layout_.PicturePixels(base_, *slot), layout_.stride)
                            ? channel::SlotKind::kPicture
                            : channel::SlotKind::kUnconverted;
        } else {
            head.kind = channel::SlotKind::kEnd;
            pictureEnded_ = true;
        }
        *layout_.PictureHead(base_, *slot) = head;
        pictures_.Publish();
        return true;
    }

    bool PutSound() {
        std::optional<uint32_t> slot = sound_.WriteSlot();
        if (!slot) {
            return false;
        }
        channel::SlotHead head;
        if (pending_.size() <= pendingAt_) {
            pending_.clear();
            pendingAt_ = 0;
            int64_t t = 0;
            if (source_.NextSound(pending_, t) != MovieSource::Result::kOk) {
                pending_.clear();
            }
            pendingUs_ = t;
        }
        if (pending_.empty()) {
            head.kind = channel::SlotKind::kEnd;
            soundEnded_ = true;
        } else {
            // A long piece goes out over several slots, each with the time of its first sample.
            const size_t n = std::min<size_t>(pending_.size() - pendingAt_, channel::kSoundSlotSamples);
            std::memcpy(layout_.SoundSamples(base_, *slot), pending_.data() + pendingAt_,
                        n * sizeof(int16_t));
            head.kind = channel::SlotKind::kSound;
            head.samples = static_cast<uint32_t>(n);
            head.timeUs = pendingUs_ + static_cast<int64_t>(pendingAt_ / MovieSource::kSoundChannels) *
                                           1000000 / MovieSource::kSoundRate;
            pendingAt_ += n;
        }
        *layout_.SoundHead(base_, *slot) = head;
        sound_.Publish();
        return true;
    }

    MovieSource& source_;
    const channel::Layout& layout_;
    uint8_t* base_;
    channel::Header* header_ = nullptr;
    SlotRing pictures_;
    SlotRing sound_;
    bool pictureEnded_ = false;
    bool soundEnded_ = false;
    std::vector<int16_t> pending_;
    size_t pendingAt_ = 0;
    int64_t pendingUs_ = 0;
};

}  // namespace

int ServeMovie(const MovieOpener& open) {
    struct stat st {};
    std::string why = "it is not a regular file";
    std::unique_ptr<MovieSource> source;
    if (fstat(channel::kMovieFd, &st) == 0 && S_ISREG(st.st_mode)) {
        std::FILE* file = fdopen(channel::kMovieFd, "rb");
        why = "it cannot be opened";
        if (file != nullptr) {
            source = open(file, static_cast<int64_t>(st.st_size), &why);
        }
    }
    channel::Message m;
    if (source == nullptr) {
        m.kind = channel::MessageKind::kRefused;
        CopyText(m.text, why);
        Send(m);
        return kExitRefused;
    }
    const MovieInfo& info = source->Info();
    m.kind = channel::MessageKind::kInfo;
    m.width = info.width;
    m.height = info.height;
    m.flags = (info.hasPicture ? channel::kHasPicture : 0) | (info.hasSound ? channel::kHasSound : 0);
    m.aspect = info.aspect;
    m.durationMs = info.durationMs;
    m.frameUs = info.frameUs;
    CopyText(m.text, info.container);
    if (!Send(m)) {
        return kExitDone;
    }

    int memory = -1;
    if (!ReceiveBlocking(m, memory)) {
        return kExitDone;
    }
    channel::Layout layout;
    struct stat ms {};
    if (m.kind != channel::MessageKind::kBegin || memory < 0 ||
        !layout.Make(m.width, m.height, m.pictureSlots, m.soundSlots) || fstat(memory, &ms) != 0 ||
        static_cast<uint64_t>(ms.st_size) < layout.total) {
        return kExitBroken;
    }
    void* base = mmap(nullptr, layout.total, PROT_READ | PROT_WRITE, MAP_SHARED, memory, 0);
    close(memory);
    if (base == MAP_FAILED) {
        return kExitBroken;
    }
    channel::Message answer;
    answer.kind = channel::MessageKind::kBegun;
    answer.flags =
        layout.width == 0 || source->SetPictureSize(layout.width, layout.height) ? channel::kOk : 0;
    if (!Send(answer) || answer.flags != channel::kOk) {
        return kExitDone;
    }
    return Server(*source, layout, static_cast<uint8_t*>(base)).Run();
}

}  // namespace textreel
