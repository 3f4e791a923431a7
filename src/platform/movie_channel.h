// What the engine and the movie helper process exchange. The helper decodes into a block of shared
// memory the engine makes (a memfd): a header with the two rings' counters, then the picture slots,
// then the sound slots. Control and notices go through a socket pair as fixed-size messages.
//
// Order: the helper opens the movie it was handed and sends kInfo (or kRefused, then ends); the
// engine sends kBegin with the shared memory's descriptor and the picture size; the helper answers
// kBegun and from then on fills the rings, sending kWake whenever it published a slot; the engine
// sends kWake whenever it released one. Closing the engine's end of the socket ends the helper.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/movie_source.h"
#include "platform/shared_ring.h"

namespace textreel::movie_channel {

enum class MessageKind : uint32_t {
    kInfo = 1,     // helper: the movie opened; the fields below describe it
    kRefused = 2,  // helper: the movie cannot be played; text says why
    kBegin = 3,    // engine: the shared memory (passed with the message) and the picture size
    kBegun = 4,    // helper: ready (ok) or the picture cannot be scaled to that size
    kWake = 5,     // either side: a ring moved
};

struct Message {
    MessageKind kind = MessageKind::kWake;
    int32_t width = 0;  // kInfo: the coded picture; kBegin: the scaled picture (0 without one)
    int32_t height = 0;
    int32_t pictureSlots = 0;  // kBegin
    int32_t soundSlots = 0;    // kBegin
    int32_t flags = 0;         // kInfo: kHasPicture | kHasSound; kBegun: kOk
    double aspect = 0;         // kInfo
    int64_t durationMs = -1;   // kInfo
    int64_t frameUs = 0;       // kInfo
    char text[192] = {};       // kInfo: the container's name; kRefused: the reason (NUL-terminated)
};

constexpr int32_t kHasPicture = 1;
constexpr int32_t kHasSound = 2;
constexpr int32_t kOk = 1;

// The descriptors the helper finds open when it starts.
constexpr int kMovieFd = 3;
constexpr int kChannelFd = 4;

// What a slot holds, in its head.
enum class SlotKind : int32_t {
    kEmpty = 0,
    kPicture = 1,      // a picture, converted
    kUnconverted = 2,  // a picture was decoded but could not be converted
    kSound = 3,        // `samples` interleaved samples
    kEnd = 4,          // the stream has ended: nothing more comes in this ring
};

struct SlotHead {
    int64_t timeUs = 0;
    SlotKind kind = SlotKind::kEmpty;
    uint32_t samples = 0;
};

struct Header {
    RingCounters pictures;
    RingCounters sound;
    std::atomic<int64_t> damaged{0};  // packets the decoder skipped so far
};
static_assert(std::atomic<int64_t>::is_always_lock_free, "the header is shared between processes");

// Sound is handed over in slots of this many frames at most (93 ms); a piece the decoder gives
// that is longer is split over several slots.
constexpr uint32_t kSoundSlotFrames = 4096;
constexpr uint32_t kSoundSlotSamples = kSoundSlotFrames * MovieSource::kSoundChannels;
constexpr int32_t kSoundSlots = 32;  // about 3 s of sound
// Picture slots: as many as fit in this many bytes, within the bounds below (a power of two, as
// every ring's slot count).
constexpr size_t kPictureRingBytes = size_t{48} << 20;
constexpr int32_t kMinPictureSlots = 2;
constexpr int32_t kMaxPictureSlots = 8;

constexpr size_t kAlign = 64;
constexpr size_t Aligned(size_t n) {
    return (n + kAlign - 1) / kAlign * kAlign;
}

// Where everything lies in the shared memory, worked out the same way on both sides.
struct Layout {
    int width = 0;
    int height = 0;
    int stride = 0;  // bytes per row of a picture slot
    int32_t pictureSlots = 0;
    int32_t soundSlots = 0;
    size_t pictureSlotBytes = 0;
    size_t soundSlotBytes = 0;
    size_t picturesAt = 0;
    size_t soundAt = 0;
    size_t total = 0;

    // false when the numbers do not make a layout (a size out of bounds, too many slots).
    bool Make(int w, int h, int32_t pictures, int32_t sounds) {
        if (w < 0 || h < 0 || w > MovieSource::kMaxSide || h > MovieSource::kMaxSide ||
            (w == 0) != (h == 0) || pictures < 1 || pictures > kMaxPictureSlots ||
            (pictures & (pictures - 1)) != 0 || sounds < 1 || sounds > kSoundSlots ||
            (sounds & (sounds - 1)) != 0) {
            return false;
        }
        width = w;
        height = h;
        stride = (w * 3 + 3) & ~3;
        pictureSlots = pictures;
        soundSlots = sounds;
        pictureSlotBytes = Aligned(sizeof(SlotHead)) + Aligned(static_cast<size_t>(stride) * h);
        soundSlotBytes = Aligned(sizeof(SlotHead)) + Aligned(kSoundSlotSamples * sizeof(int16_t));
        picturesAt = Aligned(sizeof(Header));
        soundAt = picturesAt + pictureSlotBytes * static_cast<size_t>(pictures);
        total = soundAt + soundSlotBytes * static_cast<size_t>(sounds);
        return true;
    }

    // The picture slot count for a picture of w x h: the ring's bytes spread over slots.
    static int32_t PictureSlotsFor(int w, int h) {
        const size_t bytes = Aligned(static_cast<size_t>((w * 3 + 3) & ~3) * h) + kAlign;
        const size_t fit = kPictureRingBytes / bytes;
        int32_t slots = kMinPictureSlots;
        while (slots < kMaxPictureSlots && static_cast<size_t>(slots) * 2 <= fit) {
            slots *= 2;
        }
        return slots;
    }

    Header* HeaderIn(uint8_t* base) const { return reinterpret_cast<Header*>(base); }
    SlotHead* PictureHead(uint8_t* base, uint32_t slot) const {
        return reinterpret_cast<SlotHead*>(base + picturesAt + pictureSlotBytes * slot);
    }
    uint8_t* PicturePixels(uint8_t* base, uint32_t slot) const {
        return base + picturesAt + pictureSlotBytes * slot + Aligned(sizeof(SlotHead));
    }
    SlotHead* SoundHead(uint8_t* base, uint32_t slot) const {
        return reinterpret_cast<SlotHead*>(base + soundAt + soundSlotBytes * slot);
    }
    int16_t* SoundSamples(uint8_t* base, uint32_t slot) const {
        return reinterpret_cast<int16_t*>(base + soundAt + soundSlotBytes * slot + Aligned(sizeof(SlotHead)));
    }
};

}  // namespace textreel::movie_channel
