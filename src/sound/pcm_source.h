// Where a streamer's samples come from: an Ogg Vorbis file decoded by libvorbisfile as it plays,
// or a WAV file read from disk as it plays. Both hand out 16-bit signed little-endian PCM in
// chunks of about 1024 frames (a fade steps once per chunk, so both fade at the same pace) and can
// go back to their first sample for looping. Neither ever holds more than a few chunks of the file.
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

// The most bytes an Ogg Vorbis header packet may have. Real ones are a few kilobytes (the setup
// packet of a 48 kHz stereo stream about 4 KB, the comments far less); a larger one is a hostile
// file, refused before libvorbisfile gathers it.
constexpr size_t kMaxOggHeaderPacketBytes = size_t{1} << 20;
// The most channels of a playable sound: the titles' sounds are mono or stereo.
constexpr int kMaxSoundChannels = 2;

// An Ogg Vorbis stream read from an open file (the source closes it), or from bytes in memory.
// nullptr when the data is not Ogg Vorbis that the mixer can play, has more than two channels, or
// has a header packet larger than kMaxOggHeaderPacketBytes.
std::unique_ptr<PcmSource> OpenOggSource(std::FILE* file);
std::unique_ptr<PcmSource> OpenOggSource(std::vector<uint8_t> bytes);

// A WAV file (see ReadWavLayout) read from an open file as it plays (the source closes it), or
// from bytes in memory; nullptr when it is not one or holds no sample.
std::unique_ptr<PcmSource> OpenWavSource(std::FILE* file);
std::unique_ptr<PcmSource> OpenWavSource(std::vector<uint8_t> bytes);

// Opens a music or voice file by its real path: Ogg Vorbis when it starts as one, WAV otherwise.
// nullptr when the file cannot be opened or is neither. The file may be of any length.
std::unique_ptr<PcmSource> OpenSoundFile(const std::string& realPath);

// Which kinds of file DecodeSoundFile takes.
enum class SoundKinds { kWavOnly, kOggOrWav };

// Decodes a file (Ogg Vorbis or WAV, as kinds allows) into memory for a sound effect; at most
// maxFrames frames are read and kept. False when it is neither or holds no sample.
bool DecodeSoundFile(const std::string& realPath, struct PcmSound& out, size_t maxFrames,
                     SoundKinds kinds = SoundKinds::kOggOrWav);

}  // namespace textreel
