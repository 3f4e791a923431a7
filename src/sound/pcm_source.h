// Where a streamer's samples come from: an Ogg Vorbis file decoded by libvorbisfile as it plays,
// or a WAV file held decoded in memory. Both hand out 16-bit signed little-endian PCM in chunks
// and can go back to their first sample for looping.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace textreel {

class PcmSource {
  public:
    virtual ~PcmSource() = default;
    virtual int Rate() const = 0;
    virtual int Channels() const = 0;
    // Copies up to bytes bytes of interleaved samples into out. Returns the number of bytes, 0 at
    // the end of the data and a negative number on a decoding error.
    virtual long Read(char* out, int bytes) = 0;
    // Goes back to the first sample; false when that is impossible.
    virtual bool Rewind() = 0;
};

// An Ogg Vorbis stream read from an open file (the source closes it), or from bytes in memory.
// nullptr when the data is not Ogg Vorbis that the mixer can play.
std::unique_ptr<PcmSource> OpenOggSource(std::FILE* file);
std::unique_ptr<PcmSource> OpenOggSource(std::vector<uint8_t> bytes);

// A decoded WAV file (see ParseWav); nullptr when it is not one.
std::unique_ptr<PcmSource> OpenWavSource(const std::vector<uint8_t>& bytes);

// Opens a music or voice file by its real path: Ogg Vorbis when it starts as one, WAV otherwise.
// nullptr when the file cannot be opened or is neither.
std::unique_ptr<PcmSource> OpenSoundFile(const std::string& realPath);

// Decodes a whole file (Ogg Vorbis or WAV) into memory for a sound effect; at most maxFrames
// frames are kept. False when it is neither.
bool DecodeSoundFile(const std::string& realPath, struct PcmSound& out, size_t maxFrames);

}  // namespace textreel
