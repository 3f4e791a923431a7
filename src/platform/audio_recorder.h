// Writes what the mixer puts out to a WAV file. The audio thread hands samples over through a
// ring that never allocates; a thread of the recorder's own writes them to the file, so the audio
// thread never waits for the disk. The header's sizes are brought up to date after every write,
// so the file is a whole WAV file at any moment, even if the program is killed.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace textreel {

class AudioRecorder {
  public:
    AudioRecorder() = default;
    ~AudioRecorder();
    AudioRecorder(const AudioRecorder&) = delete;
    AudioRecorder& operator=(const AudioRecorder&) = delete;

    // Creates the file (replacing one that is there) and starts the writer.
    bool Open(const std::string& path, int rate, int channels);
    // Audio thread: queues frames of interleaved 16-bit samples. When the writer falls more than
    // the ring's length behind, the newest samples are dropped and counted.
    void Push(const int16_t* samples, int frames);
    // Writes what is queued, finishes the header and closes the file.
    void Close();

    int64_t DroppedFrames();

  private:
    void Run();
    void FixHeader();

    std::FILE* file_ = nullptr;
    int channels_ = 2;
    uint64_t dataBytes_ = 0;

    std::mutex mutex_;
    std::condition_variable ready_;
    std::vector<int16_t> ring_;
    size_t head_ = 0;  // next sample to write to the file
    size_t size_ = 0;  // samples waiting
    bool closing_ = false;
    int64_t dropped_ = 0;
    std::thread writer_;
};

}  // namespace textreel
