#include "platform/audio_recorder.h"

#include <algorithm>
#include <cstring>

#include "platform/little_endian.h"

namespace textreel {

namespace {

constexpr size_t kHeaderBytes = 44;
// A WAV file cannot say more than this many data bytes; a longer recording stops growing.
constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - kHeaderBytes;
constexpr int kRingSeconds = 4;

}  // namespace

AudioRecorder::~AudioRecorder() {
    Close();
}

bool AudioRecorder::Open(const std::string& path, int rate, int channels) {
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) {
        return false;
    }
    channels_ = channels;
    uint8_t header[kHeaderBytes] = {};
    std::memcpy(header, "RIFF", 4);
    WriteLe32(header + 4, 36);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    WriteLe32(header + 16, 16);
    WriteLe16(header + 20, 1);
    WriteLe16(header + 22, static_cast<uint16_t>(channels));
    WriteLe32(header + 24, static_cast<uint32_t>(rate));
    WriteLe32(header + 28, static_cast<uint32_t>(rate * channels * 2));
    WriteLe16(header + 32, static_cast<uint16_t>(channels * 2));
    WriteLe16(header + 34, 16);
    std::memcpy(header + 36, "data", 4);
    WriteLe32(header + 40, 0);
    if (std::fwrite(header, 1, kHeaderBytes, file_) != kHeaderBytes || std::fflush(file_) != 0) {
        std::fclose(file_);
        file_ = nullptr;
        return false;
    }
    ring_.assign(static_cast<size_t>(rate) * static_cast<size_t>(channels) * kRingSeconds, 0);
    writer_ = std::thread([this] { Run(); });
    return true;
}

void AudioRecorder::Push(const int16_t* samples, int frames) {
    {
        std::lock_guard lock(mutex_);
        if (ring_.empty() || closing_) {
            return;
        }
        size_t count = static_cast<size_t>(frames) * static_cast<size_t>(channels_);
        size_t room = ring_.size() - size_;
        if (count > room) {
            dropped_ += static_cast<int64_t>((count - room) / static_cast<size_t>(channels_));
            count = room - room % static_cast<size_t>(channels_);
        }
        size_t tail = (head_ + size_) % ring_.size();
        size_t first = std::min(count, ring_.size() - tail);
        std::memcpy(ring_.data() + tail, samples, first * sizeof(int16_t));
        std::memcpy(ring_.data(), samples + first, (count - first) * sizeof(int16_t));
        size_ += count;
    }
    ready_.notify_one();
}

void AudioRecorder::Run() {
    std::vector<uint8_t> bytes;
    std::unique_lock lock(mutex_);
    for (;;) {
        ready_.wait(lock, [&] { return size_ > 0 || closing_; });
        if (size_ == 0) {
            return;  // closing, and everything is written
        }
        // Take what waits, then write it without holding the lock.
        bytes.resize(size_ * 2);
        for (size_t i = 0; i < size_; ++i) {
            auto v = static_cast<uint16_t>(ring_[(head_ + i) % ring_.size()]);
            bytes[2 * i] = static_cast<uint8_t>(v);
            bytes[2 * i + 1] = static_cast<uint8_t>(v >> 8);
        }
        head_ = (head_ + size_) % ring_.size();
        size_ = 0;
        lock.unlock();
        size_t n = bytes.size();
        if (dataBytes_ + n > kMaxDataBytes) {
            n = static_cast<size_t>(kMaxDataBytes - dataBytes_);
        }
        if (n > 0 && std::fwrite(bytes.data(), 1, n, file_) == n) {
            dataBytes_ += n;
            FixHeader();
        }
        lock.lock();
    }
}

void AudioRecorder::FixHeader() {
    uint8_t size[4];
    long end = std::ftell(file_);
    WriteLe32(size, static_cast<uint32_t>(dataBytes_ + 36));
    std::fseek(file_, 4, SEEK_SET);
    std::fwrite(size, 1, 4, file_);
    WriteLe32(size, static_cast<uint32_t>(dataBytes_));
    std::fseek(file_, 40, SEEK_SET);
    std::fwrite(size, 1, 4, file_);
    std::fseek(file_, end, SEEK_SET);
    std::fflush(file_);
}

void AudioRecorder::Close() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    ready_.notify_one();
    if (writer_.joinable()) {
        writer_.join();
    }
    if (file_ != nullptr) {
        FixHeader();
        std::fclose(file_);
        file_ = nullptr;
    }
}

int64_t AudioRecorder::DroppedFrames() {
    std::lock_guard lock(mutex_);
    return dropped_;
}

}  // namespace textreel
