// OggStreamer: plays one music or voice file through a wave-output stream of the mixer, decoding
// into a ring of three 32 KiB buffers. Two buffers are queued at all times and the third waits
// filled; each time one has played, the done notice (on the mixer's completion thread, never the
// audio thread) queues the waiting one and decodes the next into the one that came back.
//
// Start and Stop run on the main thread. The script thread writes the file name, the play-once
// flag and the fade rate; the settings write the volume. Those are atomic or locked; everything
// else belongs to the completion thread while the stream is open and to the main thread otherwise
// (the mixer's Close hands it back once the last notice has run).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/audio_mixer.h"
#include "sound/pcm_source.h"

namespace textreel {

// A fade steps its level once per 1024 frames at 44.1 kHz (a decoded Vorbis packet of the titles'
// music), and at any other rate once per the same time: every file fades at one pace.
constexpr uint64_t kFadeStepFrames = 1024;
constexpr uint64_t kFadeStepRate = 44100;

// The settings Fill works with and the fade level it carries from buffer to buffer.
struct FillSettings {
    bool playOnce = true;
    int volume = 75;           // percent, 0..100
    int fadeRate = 1001;       // 1001 and more: no fade; 1..1000: fade-out speed; 0 or less: silent at once
    uint32_t fadeLevel = 100;  // thousandths
    // The time heard at this level since its last step, in 1 / (rate * kFadeStepRate) s.
    uint64_t fadeClock = 0;
};

struct FillResult {
    size_t bytes = 0;   // bytes of samples in the buffer
    bool last = false;  // the data has ended: no buffer follows this one
};

// Decodes into out (up to capacity bytes, the buffer's size) from source, chunk by chunk, scaling
// the samples by the volume and the fade level, which steps at the pace of kFadeStepFrames. A
// play-once source
// that runs out, a looping one that yields nothing right after going back to its start, a decoding
// error, and a fade that has reached silence all end the data.
FillResult FillBuffer(PcmSource& source, FillSettings& settings, char* out, size_t capacity);

class OggStreamer {
  public:
    static constexpr int kBuffers = 3;
    static constexpr size_t kBufferBytes = 32768;
    static constexpr int kNoFade = 1001;

    struct Hooks {
        // Completion thread: a play-once file has played to its end. The argument is the
        // Generation of the run that ended; the receiver posts it to the main thread.
        std::function<void(uint64_t generation)> playedOut;
        // Any thread: a failure to show to the player (Shift-JIS text).
        std::function<void(const char* text)> warn;
    };

    OggStreamer(AudioMixer& mixer, Hooks hooks);
    ~OggStreamer();
    OggStreamer(const OggStreamer&) = delete;
    OggStreamer& operator=(const OggStreamer&) = delete;

    // ----- written by the commands -----
    void SetFileName(const std::string& name);
    std::string FileName() const;
    std::atomic<int32_t> playOnce{1};
    std::atomic<int32_t> fadeRate{kNoFade};
    // Percent; kept within 0..100 when used.
    std::atomic<int32_t> volume{75};
    // When set, the volume is read from here at every refill instead, so that a change of the
    // player's setting is heard within half a second. Set before the first Start.
    const std::atomic<int16_t>* liveVolume = nullptr;

    // ----- main thread -----
    // Plays source from its start; false (the streamer stays idle) when the mixer refuses its
    // format ("初期化失敗") or the first buffers cannot be queued.
    bool Start(std::unique_ptr<PcmSource> source);
    // Stops output and releases the source; true also when nothing plays.
    bool Stop();
    bool Playing() const { return playing_; }
    // Counts the Starts, so that a late end notice of an earlier run can be told apart.
    uint64_t Generation() const { return generation_; }
    // Done notices run so far (for tests that step the mixer by hand).
    uint64_t NoticesRun() const { return notices_; }

  private:
    enum BufferState : int { kData = 0, kLast = 1, kFinished = 3 };

    void Fill(int index);
    void BufferDone(int tag, std::vector<int16_t>& samples);
    bool QueueBuffer(int index);

    AudioMixer& mixer_;
    Hooks hooks_;

    mutable std::mutex nameMutex_;
    // Guards the ring between Start and Stop on the main thread and the notices.
    std::mutex ringMutex_;
    std::string fileName_;

    std::shared_ptr<WaveOut> out_;
    std::unique_ptr<PcmSource> source_;
    std::array<std::vector<int16_t>, kBuffers> buffers_;
    std::array<int, kBuffers> state_{};
    int fillIndex_ = 0;
    int writeIndex_ = 0;
    bool ended_ = false;
    uint32_t fadeLevel_ = 100;
    uint64_t fadeClock_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> playing_{false};
    std::atomic<uint64_t> generation_{0};
    std::atomic<uint64_t> notices_{0};
};

}  // namespace textreel
