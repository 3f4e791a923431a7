// The one audio output of the program: a backend's audio thread pulls mixed 44.1 kHz stereo samples
// from here; the engine puts sounds in. Two kinds of source are mixed, with saturation:
// - the interface sound: one decoded sound at a time, a new one replacing the one playing;
// - wave-output streams (WaveOut): a stream is fed PCM buffers at its own rate and channel count,
//   plays them in order and hands each one back through a done notice, as a sound card's wave
//   output does. The music and voice streamers decode into these buffers.
//
// Threads:
// - Mix runs on the audio thread (the SDL callback, the headless backend's drain, or a test). It
//   holds the mixer's lock for one period's arithmetic only, never allocates or frees memory and
//   never runs a notice: buffers it finishes are linked onto a list for the completion thread.
// - Every other call may come from any thread. None of them holds the lock while decoding, while
//   copying samples or while a notice runs, so the audio thread never waits for a decoder.
// - Done notices run on the mixer's own completion thread, one at a time, in the order the buffers
//   finished or were returned by Reset. A notice may queue the next buffer, Reset or Close; it must
//   not wait for a thread that may be closing a WaveOut (a Post to the main thread is fine, a Send
//   is not).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace textreel {

// Decoded sound: interleaved signed 16-bit samples.
struct PcmSound {
    int rate = 0;
    int channels = 0;
    std::vector<int16_t> samples;
};

namespace mixer_detail {
struct Core;
struct Stream;
}  // namespace mixer_detail

// A wave-output stream made by AudioMixer::OpenWaveOut. Destroying the handle closes the stream.
class WaveOut {
  public:
    ~WaveOut();
    WaveOut(const WaveOut&) = delete;
    WaveOut& operator=(const WaveOut&) = delete;

    int Rate() const { return rate_; }
    int Channels() const { return channels_; }

    // Queues a buffer of interleaved samples (a trailing partial frame is ignored) behind the ones
    // waiting. Every queued buffer gets exactly one done notice with its tag, also an empty one.
    // False after Close; that buffer is dropped without a notice.
    bool Queue(std::vector<int16_t> samples, int tag);
    // Stops output: every buffer still queued, the one playing included, is handed back through its
    // done notice, in queue order. The stream stays open.
    void Reset();
    // Reset, then closes the stream for good. Called from any thread but the completion thread, it
    // returns once every done notice of this stream has run, so the notice's owner may go away.
    void Close();
    // Buffers queued whose playing has not finished.
    int QueuedBuffers() const;
    // How many of this stream's frames (at its own rate) have been heard since it opened: those
    // mixed before the latest mixing period, the fraction of that period that has gone by since,
    // less what the device still holds. A clock that moves smoothly with the sound heard and stands
    // still while the stream has nothing to play. A Reset does not set it back.
    double PlayedFrames() const;

  private:
    friend class AudioMixer;
    WaveOut(std::shared_ptr<mixer_detail::Core> core, std::shared_ptr<mixer_detail::Stream> stream, int rate,
            int channels);

    std::shared_ptr<mixer_detail::Core> core_;
    std::shared_ptr<mixer_detail::Stream> stream_;
    int rate_;
    int channels_;
};

class AudioMixer {
  public:
    static constexpr int kRate = 44100;
    static constexpr int kChannels = 2;
    // Stream rates outside this range are refused.
    static constexpr int kMinSourceRate = 1000;
    static constexpr int kMaxSourceRate = 1000000;

    AudioMixer();
    ~AudioMixer();
    AudioMixer(const AudioMixer&) = delete;
    AudioMixer& operator=(const AudioMixer&) = delete;

    // Starts sound as the interface sound, resampled from its own rate; a new one replaces the one
    // playing. A sound without frames, rate or channels stops the one playing and plays nothing.
    void PlayInterfaceSound(std::shared_ptr<const PcmSound> sound);
    void StopInterfaceSound();
    bool InterfaceSoundPlaying();

    // Opens a wave-output stream of 1 to 255 channels (of more than two the first two are heard) at
    // a rate within the limits above; nullptr otherwise. onBufferDone receives each buffer's tag.
    std::shared_ptr<WaveOut> OpenWaveOut(int rate, int channels, std::function<void(int tag)> onBufferDone);
    // The same, but the notice also gets the buffer's samples back, so that a streamer can refill
    // the same memory instead of allocating while it plays.
    using RecyclingNotice = std::function<void(int tag, std::vector<int16_t>& samples)>;
    std::shared_ptr<WaveOut> OpenRecyclingWaveOut(int rate, int channels, RecyclingNotice onBufferDone);

    // Audio thread: fills frames stereo frames at kRate.
    void Mix(int16_t* out, int frames);

    // Blocks until every done notice of the buffers finished so far has run (for callers that
    // step Mix by hand, such as tests).
    void WaitForNotices();

    // The output device holds this many mixed frames before they are heard (its buffer); the
    // streams' played positions leave them out. 0 for output that is not heard (headless).
    void SetDeviceLatency(int frames);

    // Underruns: times a stream ran out of queued samples while playing and was fed again later,
    // so that a gap was heard. A stream that simply ends is no underrun.
    int64_t Underruns();

    // Writes everything Mix puts out from now on to a WAV file (16-bit stereo at kRate) until the
    // mixer goes away. The file's header is kept up to date while it grows, so it stays playable
    // even when the program is killed. False when the file cannot be written.
    bool StartRecording(const std::string& path);
    bool Recording();

    // True while the interface sound plays or any stream has a buffer queued.
    bool Active();
    // Blocks until Active() or StopWaiting(); false once StopWaiting() was called. A backend
    // without a device uses it to sleep while nothing plays.
    bool WaitUntilActive();
    void StopWaiting();

  private:
    std::shared_ptr<mixer_detail::Core> core_;
    std::thread completion_;
    std::unique_ptr<class AudioRecorder> recorder_;
};

}  // namespace textreel
