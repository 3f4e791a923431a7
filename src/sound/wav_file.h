// RIFF/WAVE files: their layout, found by walking the chunks, and their samples as 16-bit PCM.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/audio_mixer.h"

namespace textreel {

// Where a WAVE file's samples lie and how they are encoded. Only what the titles' sounds use is
// accepted: integer PCM of 8 (unsigned) or 16 bits, plain or in a WAVE_FORMAT_EXTENSIBLE header,
// mono or stereo, at 8 to 48 kHz. Anything else is refused like a damaged file.
struct WavLayout {
    static constexpr int kMinRate = 8000;
    static constexpr int kMaxRate = 48000;
    static constexpr int kMaxChannels = 2;

    int rate = 0;
    int channels = 0;
    int bits = 0;
    uint64_t dataOffset = 0;  // the first sample's offset in the file
    uint64_t dataBytes = 0;   // whole frames only, and no more than the file holds

    size_t FrameBytes() const { return static_cast<size_t>(channels) * static_cast<size_t>(bits / 8); }
    uint64_t Frames() const { return dataBytes / FrameBytes(); }
};

// Reads up to count bytes at offset into out; returns how many it got.
using ReadAt = std::function<size_t(uint64_t offset, uint8_t* out, size_t count)>;

// Finds the format and data chunks of a WAVE file of fileSize bytes. Chunks may come in any order;
// a data chunk that claims more bytes than the file holds yields the whole frames that are there.
// Reads only chunk headers and the format chunk, so a file of any length costs the same.
bool ReadWavLayout(const ReadAt& readAt, uint64_t fileSize, WavLayout& out);

// Turns frames of the layout's encoding into interleaved 16-bit samples.
void ConvertWavFrames(const uint8_t* in, size_t frames, const WavLayout& layout, int16_t* out);

// Decodes a WAVE file held in memory. Returns false, leaving out empty, when the file is not one
// ReadWavLayout accepts.
bool ParseWav(const uint8_t* data, size_t size, PcmSound& out);

// Reads and decodes a whole WAVE file given by its real path (at most 64 MB).
bool ReadWav(const std::string& realPath, PcmSound& out);

}  // namespace textreel
