#include "platform/audio_mixer.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include "platform/audio_recorder.h"

namespace textreel {

namespace mixer_detail {

// One queued buffer. Nodes are linked, never copied: the audio thread only moves them from a
// stream's queue to the done list, so it neither allocates nor frees.
struct Node {
    std::vector<int16_t> samples;
    size_t frames = 0;
    int tag = 0;
    std::shared_ptr<Stream> stream;
    Node* next = nullptr;
};

struct NodeList {
    Node* head = nullptr;
    Node* tail = nullptr;

    void Append(Node* node) {
        node->next = nullptr;
        if (tail != nullptr) {
            tail->next = node;
        } else {
            head = node;
        }
        tail = node;
    }
    Node* PopFront() {
        Node* node = head;
        if (node != nullptr) {
            head = node->next;
            if (head == nullptr) {
                tail = nullptr;
            }
            node->next = nullptr;
        }
        return node;
    }
    // Moves every node of other behind ours, keeping their order.
    void Splice(NodeList& other) {
        if (other.head == nullptr) {
            return;
        }
        if (tail != nullptr) {
            tail->next = other.head;
        } else {
            head = other.head;
        }
        tail = other.tail;
        other.head = other.tail = nullptr;
    }
    void DeleteAll() {
        while (Node* node = PopFront()) {
            delete node;
        }
    }
};

// Everything below is guarded by Core::mutex.
struct Stream {
    int channels = 0;
    double step = 1;  // source frames per output frame
    AudioMixer::RecyclingNotice onDone;
    NodeList queue;
    bool dry = false;  // the queue ran out while playing
    bool gap = false;  // ... and a stretch of output went by without its samples
    size_t index = 0;  // frame of the head buffer being played
    double frac = 0;   // position between that frame and the next
    int queued = 0;    // nodes in queue
    int pending = 0;   // nodes queued or waiting for their notice, or whose notice runs
    bool closed = false;
    int64_t played = 0;        // source frames played since the stream opened
    int64_t playedBefore = 0;  // ... when the latest Mix began
    Stream* prev = nullptr;    // the core's list of open streams
    Stream* next = nullptr;
};

struct Core {
    std::mutex mutex;
    std::condition_variable noticeReady;  // the completion thread waits here
    std::condition_variable noticeRan;    // Close waits here
    std::condition_variable activity;     // WaitUntilActive waits here

    std::shared_ptr<const PcmSound> interfaceSound;
    bool interfaceDone = true;
    double interfacePos = 0;

    Stream* streams = nullptr;
    int queuedTotal = 0;
    NodeList done;
    std::thread::id completionThread;
    bool stopping = false;
    bool stopWaiting = false;
    int64_t underruns = 0;
    int noticesRunning = 0;
    AudioRecorder* recorder = nullptr;
    int64_t mixStartUs = 0;  // steady-clock time at which the latest Mix began
    int mixFrames = 0;       // output frames that Mix made
    int64_t latencyUs = 0;   // how long the device holds mixed sound before it is heard

    ~Core() {
        done.DeleteAll();
        // Streams whose handles outlive the mixer keep their queues until here.
        for (Stream* s = streams; s != nullptr; s = s->next) {
            s->queue.DeleteAll();
        }
    }

    bool ActiveLocked() const { return (interfaceSound != nullptr && !interfaceDone) || queuedTotal > 0; }
    // A recording hears silence too, so the mixer counts as busy while it runs.
    bool BusyLocked() const { return ActiveLocked() || recorder != nullptr; }

    void Link(Stream* s) {
        s->prev = nullptr;
        s->next = streams;
        if (streams != nullptr) {
            streams->prev = s;
        }
        streams = s;
    }
    void Unlink(Stream* s) {
        if (s->prev != nullptr) {
            s->prev->next = s->next;
        } else if (streams == s) {
            streams = s->next;
        }
        if (s->next != nullptr) {
            s->next->prev = s->prev;
        }
        s->prev = s->next = nullptr;
    }

    // Hands the head buffer of s to the completion thread.
    void FinishHead(Stream* s) {
        Node* node = s->queue.PopFront();
        --s->queued;
        --queuedTotal;
        done.Append(node);
        s->index = 0;
        if (s->queue.head == nullptr) {
            s->frac = 0;
        }
    }

    // Moves the whole queue of s, in order, to the done list.
    void ReturnAll(Stream* s) {
        s->dry = false;
        s->gap = false;
        queuedTotal -= s->queued;
        s->queued = 0;
        s->index = 0;
        s->frac = 0;
        done.Splice(s->queue);
    }
};

}  // namespace mixer_detail

using mixer_detail::Core;
using mixer_detail::Node;
using mixer_detail::Stream;

namespace {

constexpr int kChunkFrames = 256;

int64_t SteadyMicroseconds() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Finished buffers whose frames are all used, and empty ones, leave the head of the queue.
// Returns false when the queue is empty.
bool SkipFinished(Core& core, Stream* s, bool& finished) {
    while (s->queue.head != nullptr && s->index >= s->queue.head->frames) {
        core.FinishHead(s);
        finished = true;
    }
    return s->queue.head != nullptr;
}

void MixStream(Core& core, Stream* s, int32_t* acc, int frames, bool& finished) {
    const int ch = s->channels;
    const int right = ch > 1 ? 1 : 0;
    if (s->queue.head == nullptr) {
        s->gap = s->dry;
        return;
    }
    if (s->gap) {
        ++core.underruns;
    }
    s->dry = false;
    s->gap = false;
    for (int f = 0; f < frames; ++f) {
        if (!SkipFinished(core, s, finished)) {
            s->dry = true;
            s->gap = true;
            return;
        }
        const Node* node = s->queue.head;
        const int16_t* a = node->samples.data() + s->index * static_cast<size_t>(ch);
        // The frame after the last one of a buffer is the first of the next buffer, so buffer
        // boundaries interpolate as smoothly as the inside of a buffer.
        const int16_t* b = a;
        if (s->index + 1 < node->frames) {
            b = a + ch;
        } else if (node->next != nullptr && node->next->frames > 0) {
            b = node->next->samples.data();
        }
        const double t = s->frac;
        acc[2 * f] += static_cast<int32_t>(a[0] + (b[0] - a[0]) * t);
        acc[2 * f + 1] += static_cast<int32_t>(a[right] + (b[right] - a[right]) * t);
        s->frac += s->step;
        while (s->frac >= 1.0) {
            s->frac -= 1.0;
            ++s->index;
            ++s->played;
            if (s->index >= node->frames) {
                const double carry = s->frac;
                core.FinishHead(s);
                finished = true;
                if (!SkipFinished(core, s, finished)) {
                    s->dry = true;
                    s->gap = f + 1 < frames;
                    break;
                }
                s->frac = carry;
                node = s->queue.head;
            }
        }
    }
}

void MixInterface(Core& core, int32_t* acc, int frames) {
    if (core.interfaceSound == nullptr || core.interfaceDone) {
        return;
    }
    const PcmSound& sound = *core.interfaceSound;
    const int ch = sound.channels;
    const int right = ch > 1 ? 1 : 0;
    const size_t total = sound.samples.size() / static_cast<size_t>(ch);
    const double step = static_cast<double>(sound.rate) / AudioMixer::kRate;
    for (int f = 0; f < frames; ++f) {
        auto index = static_cast<size_t>(core.interfacePos);
        if (index >= total) {
            // The sound is released by the next Play or Stop, never here: freeing memory has no
            // place on the audio thread.
            core.interfaceDone = true;
            return;
        }
        const double t = core.interfacePos - static_cast<double>(index);
        const int16_t* a = sound.samples.data() + index * static_cast<size_t>(ch);
        const int16_t* b = index + 1 < total ? a + ch : a;
        acc[2 * f] += static_cast<int32_t>(a[0] + (b[0] - a[0]) * t);
        acc[2 * f + 1] += static_cast<int32_t>(a[right] + (b[right] - a[right]) * t);
        core.interfacePos += step;
    }
    if (static_cast<size_t>(core.interfacePos) >= total) {
        core.interfaceDone = true;
    }
}

void CompletionThread(std::shared_ptr<Core> core) {
    std::unique_lock lock(core->mutex);
    core->completionThread = std::this_thread::get_id();
    for (;;) {
        core->noticeReady.wait(lock, [&] { return core->done.head != nullptr || core->stopping; });
        Node* node = core->done.PopFront();
        if (node == nullptr) {
            return;  // stopping, and every notice has run
        }
        std::shared_ptr<Stream> stream = std::move(node->stream);
        ++core->noticesRunning;
        lock.unlock();
        if (stream->onDone) {
            stream->onDone(node->tag, node->samples);
        }
        delete node;
        lock.lock();
        --stream->pending;
        --core->noticesRunning;
        core->noticeRan.notify_all();
        // The stream may be released here (its handle is gone); its notice function then goes
        // with it, outside the lock.
        lock.unlock();
        stream.reset();
        lock.lock();
    }
}

bool SoundPlayable(const PcmSound* sound) {
    return sound != nullptr && sound->channels > 0 && sound->rate >= AudioMixer::kMinSourceRate &&
           sound->rate <= AudioMixer::kMaxSourceRate &&
           sound->samples.size() >= static_cast<size_t>(sound->channels);
}

}  // namespace

// ----- WaveOut -----

WaveOut::WaveOut(std::shared_ptr<Core> core, std::shared_ptr<Stream> stream, int rate, int channels)
    : core_(std::move(core)), stream_(std::move(stream)), rate_(rate), channels_(channels) {}

WaveOut::~WaveOut() {
    Close();
}

bool WaveOut::Queue(std::vector<int16_t> samples, int tag) {
    auto* node = new Node;
    node->frames = samples.size() / static_cast<size_t>(channels_);
    node->samples = std::move(samples);
    node->tag = tag;
    node->stream = stream_;
    {
        std::lock_guard lock(core_->mutex);
        if (!stream_->closed && !core_->stopping) {
            stream_->queue.Append(node);
            ++stream_->queued;
            ++stream_->pending;
            ++core_->queuedTotal;
            node = nullptr;
        }
    }
    if (node != nullptr) {
        delete node;
        return false;
    }
    core_->activity.notify_all();
    return true;
}

void WaveOut::Reset() {
    {
        std::lock_guard lock(core_->mutex);
        core_->ReturnAll(stream_.get());
    }
    core_->noticeReady.notify_one();
}

void WaveOut::Close() {
    std::unique_lock lock(core_->mutex);
    Stream* s = stream_.get();
    core_->ReturnAll(s);
    if (!s->closed) {
        s->closed = true;
        core_->Unlink(s);
    }
    core_->noticeReady.notify_one();
    // While the mixer shuts down nobody may be left to run the notices.
    if (!core_->stopping && std::this_thread::get_id() != core_->completionThread) {
        core_->noticeRan.wait(lock, [&] { return s->pending == 0 || core_->stopping; });
    }
}

double WaveOut::PlayedFrames() const {
    std::lock_guard lock(core_->mutex);
    const Stream* s = stream_.get();
    const int64_t mixed = s->played - s->playedBefore;
    if (core_->mixFrames <= 0 || mixed <= 0) {
        return static_cast<double>(s->played);
    }
    // The frames of the latest period reach the speaker one after the other over the period's
    // length, not all at once when Mix ran.
    const double periodUs = 1e6 * core_->mixFrames / AudioMixer::kRate;
    const double part = std::clamp((SteadyMicroseconds() - core_->mixStartUs) / periodUs, 0.0, 1.0);
    // What the device still holds has not been heard yet.
    const double held = static_cast<double>(core_->latencyUs) * static_cast<double>(mixed) / periodUs;
    return std::max(0.0, static_cast<double>(s->playedBefore) + part * static_cast<double>(mixed) - held);
}

int WaveOut::QueuedBuffers() const {
    std::lock_guard lock(core_->mutex);
    return stream_->queued;
}

// ----- AudioMixer -----

AudioMixer::AudioMixer() : core_(std::make_shared<Core>()) {
    completion_ = std::thread(CompletionThread, core_);
}

AudioMixer::~AudioMixer() {
    {
        std::lock_guard lock(core_->mutex);
        core_->stopping = true;
        core_->stopWaiting = true;
    }
    core_->noticeReady.notify_all();
    core_->noticeRan.notify_all();
    core_->activity.notify_all();
    completion_.join();
    std::shared_ptr<const PcmSound> released;
    mixer_detail::NodeList dropped;
    {
        std::lock_guard lock(core_->mutex);
        released = std::move(core_->interfaceSound);
        // Open streams fall silent; their handles may still be held and closed later. Their
        // buffers are dropped without notices, outside the lock: a node may hold the last
        // reference to a stream whose notice function owns anything.
        for (Stream* s = core_->streams; s != nullptr; s = s->next) {
            core_->ReturnAll(s);
        }
        dropped.Splice(core_->done);
        core_->recorder = nullptr;
    }
    dropped.DeleteAll();
    if (recorder_ != nullptr) {
        recorder_->Close();
    }
}

void AudioMixer::PlayInterfaceSound(std::shared_ptr<const PcmSound> sound) {
    if (!SoundPlayable(sound.get())) {
        StopInterfaceSound();
        return;
    }
    {
        std::lock_guard lock(core_->mutex);
        std::swap(core_->interfaceSound, sound);
        core_->interfaceDone = false;
        core_->interfacePos = 0;
    }
    core_->activity.notify_all();
    // The replaced sound, if this was its last user, is freed here, outside the lock.
}

void AudioMixer::StopInterfaceSound() {
    std::shared_ptr<const PcmSound> released;
    std::lock_guard lock(core_->mutex);
    released = std::move(core_->interfaceSound);
    core_->interfaceDone = true;
}

bool AudioMixer::InterfaceSoundPlaying() {
    std::lock_guard lock(core_->mutex);
    return core_->interfaceSound != nullptr && !core_->interfaceDone;
}

std::shared_ptr<WaveOut> AudioMixer::OpenWaveOut(int rate, int channels,
                                                 std::function<void(int tag)> onBufferDone) {
    RecyclingNotice notice;
    if (onBufferDone) {
        notice = [f = std::move(onBufferDone)](int tag, std::vector<int16_t>&) { f(tag); };
    }
    return OpenRecyclingWaveOut(rate, channels, std::move(notice));
}

std::shared_ptr<WaveOut> AudioMixer::OpenRecyclingWaveOut(int rate, int channels,
                                                          RecyclingNotice onBufferDone) {
    if (rate < kMinSourceRate || rate > kMaxSourceRate || channels < 1 || channels > 255) {
        return nullptr;
    }
    auto stream = std::make_shared<Stream>();
    stream->channels = channels;
    stream->step = static_cast<double>(rate) / kRate;
    stream->onDone = std::move(onBufferDone);
    {
        std::lock_guard lock(core_->mutex);
        if (core_->stopping) {
            return nullptr;
        }
        core_->Link(stream.get());
    }
    return std::shared_ptr<WaveOut>(new WaveOut(core_, std::move(stream), rate, channels));
}

void AudioMixer::Mix(int16_t* out, int frames) {
    int32_t acc[kChunkFrames * kChannels];
    bool finished = false;
    {
        std::lock_guard lock(core_->mutex);
        core_->mixStartUs = SteadyMicroseconds();
        core_->mixFrames = frames;
        for (Stream* s = core_->streams; s != nullptr; s = s->next) {
            s->playedBefore = s->played;
        }
        for (int start = 0; start < frames; start += kChunkFrames) {
            const int n = std::min(kChunkFrames, frames - start);
            std::memset(acc, 0, sizeof(int32_t) * static_cast<size_t>(n) * kChannels);
            MixInterface(*core_, acc, n);
            for (Stream* s = core_->streams; s != nullptr; s = s->next) {
                MixStream(*core_, s, acc, n, finished);
            }
            int16_t* dst = out + static_cast<size_t>(start) * kChannels;
            for (int i = 0; i < n * kChannels; ++i) {
                dst[i] = static_cast<int16_t>(std::clamp<int32_t>(acc[i], INT16_MIN, INT16_MAX));
            }
        }
        if (core_->recorder != nullptr) {
            core_->recorder->Push(out, frames);
        }
    }
    if (finished) {
        core_->noticeReady.notify_one();
    }
}

void AudioMixer::WaitForNotices() {
    std::unique_lock lock(core_->mutex);
    core_->noticeRan.wait(
        lock, [&] { return core_->stopping || (core_->done.head == nullptr && core_->noticesRunning == 0); });
}

void AudioMixer::SetDeviceLatency(int frames) {
    std::lock_guard lock(core_->mutex);
    core_->latencyUs = std::max(frames, 0) * int64_t{1000000} / kRate;
}

int64_t AudioMixer::Underruns() {
    std::lock_guard lock(core_->mutex);
    return core_->underruns;
}

bool AudioMixer::StartRecording(const std::string& path) {
    if (recorder_ != nullptr) {
        return false;
    }
    auto recorder = std::make_unique<AudioRecorder>();
    if (!recorder->Open(path, kRate, kChannels)) {
        return false;
    }
    recorder_ = std::move(recorder);
    {
        std::lock_guard lock(core_->mutex);
        core_->recorder = recorder_.get();
    }
    core_->activity.notify_all();
    return true;
}

bool AudioMixer::Recording() {
    std::lock_guard lock(core_->mutex);
    return core_->recorder != nullptr;
}

bool AudioMixer::Active() {
    std::lock_guard lock(core_->mutex);
    return core_->ActiveLocked();
}

bool AudioMixer::WaitUntilActive() {
    std::unique_lock lock(core_->mutex);
    core_->activity.wait(lock, [&] { return core_->stopWaiting || core_->BusyLocked(); });
    return !core_->stopWaiting;
}

void AudioMixer::StopWaiting() {
    {
        std::lock_guard lock(core_->mutex);
        core_->stopWaiting = true;
    }
    core_->activity.notify_all();
}

}  // namespace textreel
