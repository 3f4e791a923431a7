#include "sound/ogg_streamer.h"

#include <algorithm>

#include "shell/messages.h"

namespace textreel {

FillResult FillBuffer(PcmSource& source, FillSettings& s, char* out, size_t capacity) {
    const double gain = std::clamp(s.volume, 0, 100) * 0.01;
    size_t filled = 0;
    while (filled < capacity) {
        // A fade that has reached silence ends the stream, like the end of a play-once file:
        // nothing is left to hear, and nothing should go on decoding silence.
        if (s.fadeRate < OggStreamer::kNoFade && (s.fadeRate <= 0 || s.fadeLevel == 0)) {
            return {filled, true};
        }
        const int want = static_cast<int>(std::min<size_t>(capacity - filled, 1u << 30));
        long n = source.Read(out + filled, want);
        if (n <= 0) {
            if (s.playOnce) {
                return {filled, true};
            }
            // Looping: go back to the first sample and ask once more. A file that has nothing
            // even then (or cannot go back) would never fill the buffer; it ends instead.
            if (!source.Rewind()) {
                return {filled, true};
            }
            n = source.Read(out + filled, want);
            if (n <= 0) {
                return {filled, true};
            }
        }
        n = std::min<long>(n, want);
        n -= n % 2;
        auto* samples = reinterpret_cast<int16_t*>(out + filled);
        const size_t count = static_cast<size_t>(n) / 2;
        const bool fading = s.fadeRate < OggStreamer::kNoFade;
        if (!fading) {
            s.fadeLevel = 1000;
            s.fadeClock = 0;
        }
        // The chunk in runs of one fade level each: a step falls after the frame that completes
        // its time.
        const size_t channels = static_cast<size_t>(std::clamp(source.Channels(), 1, kMaxSoundChannels));
        const uint64_t stepTime = kFadeStepFrames * static_cast<uint64_t>(std::max(source.Rate(), 1));
        for (size_t i = 0; i < count;) {
            size_t end = count;
            if (fading && s.fadeLevel > 0) {
                const uint64_t framesLeft =
                    (stepTime - std::min(s.fadeClock, stepTime) + kFadeStepRate - 1) / kFadeStepRate;
                end = std::min<size_t>(count, i + std::max<uint64_t>(framesLeft, 1) * channels);
            }
            const double level = s.fadeLevel;
            for (size_t k = i; k < end; ++k) {
                auto v = static_cast<int32_t>(gain * samples[k]);
                if (fading) {
                    v = static_cast<int32_t>(level * v * 0.001);
                }
                samples[k] = static_cast<int16_t>(std::clamp<int32_t>(v, INT16_MIN, INT16_MAX));
            }
            if (fading) {
                s.fadeClock += (end - i + channels - 1) / channels * kFadeStepRate;
                if (s.fadeClock >= stepTime && s.fadeLevel > 0) {
                    s.fadeClock -= stepTime;
                    const auto step = static_cast<uint32_t>(1000 / s.fadeRate);
                    s.fadeLevel = s.fadeLevel > step ? s.fadeLevel - step : 0;
                }
            }
            i = end;
        }
        filled += static_cast<size_t>(n);
    }
    return {filled, false};
}

OggStreamer::OggStreamer(AudioMixer& mixer, Hooks hooks) : mixer_(mixer), hooks_(std::move(hooks)) {}

OggStreamer::~OggStreamer() {
    Stop();
}

void OggStreamer::SetFileName(const std::string& name) {
    std::lock_guard lock(nameMutex_);
    fileName_ = name;
}

std::string OggStreamer::FileName() const {
    std::lock_guard lock(nameMutex_);
    return fileName_;
}

bool OggStreamer::Start(std::unique_ptr<PcmSource> source) {
    Stop();
    if (source == nullptr) {
        return false;
    }
    std::shared_ptr<WaveOut> out = mixer_.OpenRecyclingWaveOut(
        source->Rate(), source->Channels(),
        [this](int tag, std::vector<int16_t>& samples) { BufferDone(tag, samples); });
    if (out == nullptr) {
        if (hooks_.warn) {
            hooks_.warn(msg::kStreamerStartFailed);
        }
        return false;
    }
    bool queued = false;
    {
        // The notices of the new stream wait here until its ring is set up.
        std::lock_guard lock(ringMutex_);
        source_ = std::move(source);
        out_ = std::move(out);
        stopping_ = false;
        ended_ = false;
        fillIndex_ = 0;
        writeIndex_ = 0;
        for (int i = 0; i < kBuffers; ++i) {
            buffers_[static_cast<size_t>(i)].reserve(kBufferBytes / 2);
            state_[static_cast<size_t>(i)] = kData;
            Fill(i);
        }
        ++generation_;
        playing_ = true;
        queued = QueueBuffer(0) && QueueBuffer(1);
        writeIndex_ = 2;
    }
    if (!queued) {
        Stop();
        return false;
    }
    return true;
}

bool OggStreamer::Stop() {
    std::shared_ptr<WaveOut> out;
    {
        std::lock_guard lock(ringMutex_);
        if (out_ == nullptr) {
            return true;
        }
        // From here on the notices of the returning buffers only hand the buffers back.
        stopping_ = true;
        out = out_;
    }
    // Close waits for every notice of the stream; after it nothing runs on the completion thread.
    out->Close();
    std::lock_guard lock(ringMutex_);
    out_.reset();
    source_.reset();
    ended_ = false;
    playing_ = false;
    return true;
}

void OggStreamer::Fill(int index) {
    std::vector<int16_t>& buffer = buffers_[static_cast<size_t>(index)];
    buffer.resize(kBufferBytes / 2);
    FillSettings settings;
    settings.playOnce = playOnce != 0;
    settings.volume = liveVolume != nullptr ? static_cast<int32_t>(*liveVolume) : volume.load();
    settings.fadeRate = fadeRate;
    settings.fadeLevel = fadeLevel_;
    settings.fadeClock = fadeClock_;
    FillResult result = FillBuffer(*source_, settings, reinterpret_cast<char*>(buffer.data()), kBufferBytes);
    fadeLevel_ = settings.fadeLevel;
    fadeClock_ = settings.fadeClock;
    buffer.resize(result.bytes / 2);
    state_[static_cast<size_t>(index)] = result.last ? kLast : kData;
}

bool OggStreamer::QueueBuffer(int index) {
    return out_->Queue(std::move(buffers_[static_cast<size_t>(index)]), index);
}

void OggStreamer::BufferDone(int tag, std::vector<int16_t>& samples) {
    std::lock_guard lock(ringMutex_);
    ++notices_;
    if (tag >= 0 && tag < kBuffers) {
        buffers_[static_cast<size_t>(tag)] = std::move(samples);
    }
    if (stopping_ || out_ == nullptr) {
        return;
    }
    int& current = state_[static_cast<size_t>(writeIndex_)];
    if (ended_) {
        // The last buffer is counted up by the completions that follow its queueing; the second
        // is its own, so the whole file has been heard.
        if (current != kFinished && ++current >= kFinished) {
            current = kFinished;
            if (hooks_.playedOut) {
                hooks_.playedOut(generation_);
            }
        }
        return;
    }
    if (!QueueBuffer(writeIndex_)) {
        if (!stopping_ && hooks_.warn) {
            hooks_.warn(msg::kStreamerFlipFailed);
        }
        return;
    }
    if (current == kLast) {
        ended_ = true;
        return;
    }
    writeIndex_ = (writeIndex_ + 1) % kBuffers;
    Fill(fillIndex_);
    fillIndex_ = (fillIndex_ + 1) % kBuffers;
}

}  // namespace textreel
