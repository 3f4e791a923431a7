// Reading a movie file with FFmpeg: the first picture stream and the first sound stream are
// decoded packet by packet, pictures scaled into the engine's pixel format, sound converted to
// 44.1 kHz stereo 16-bit samples for the mixer.
//
// A movie is untrusted input. The file is read through the engine's own file handle (never opened
// again by name), only demuxers for plain movie containers are allowed, nothing the file names is
// ever opened (no playlists, no references to other files or addresses), picture sizes are bounded
// before anything is allocated for them, and the packets held while one stream runs ahead of the
// other are bounded in bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace textreel {

struct MovieInfo {
    int width = 0;  // the coded picture; 0 when the movie has no picture stream
    int height = 0;
    double aspect = 0;        // width / height as the picture is meant to be seen
    int64_t durationMs = -1;  // -1 when the container does not tell
    int64_t frameUs = 40000;  // the time between two pictures
    bool hasPicture = false;
    bool hasSound = false;
    std::string container;  // the demuxer's name, for messages
};

class MovieDecoder {
  public:
    static constexpr int kSoundRate = 44100;
    static constexpr int kSoundChannels = 2;
    // The largest picture a movie may carry: sides and area.
    static constexpr int kMaxSide = 8192;
    static constexpr int64_t kMaxPixels = int64_t{3840} * 2160;

    enum class Result { kOk, kEnd };

    // Opens a movie from the real path of a regular file, or from bytes in memory (tests and
    // fuzzing). nullptr when it is not a movie this decoder can play, with the reason in *error.
    static std::unique_ptr<MovieDecoder> Open(const std::string& realPath, std::string* error);
    static std::unique_ptr<MovieDecoder> OpenBytes(std::vector<uint8_t> bytes, std::string* error);

    ~MovieDecoder();
    MovieDecoder(const MovieDecoder&) = delete;
    MovieDecoder& operator=(const MovieDecoder&) = delete;

    const MovieInfo& Info() const;

    // Pictures are scaled to width x height; false when the scaler cannot be made for it.
    bool SetPictureSize(int width, int height);

    // Decodes the next picture; timeUs receives its time from the movie's start. kEnd when the
    // picture stream has ended, is cut off, or yields nothing more that can be decoded.
    Result NextPicture(int64_t& timeUs);
    // Writes the picture NextPicture decoded, scaled, as rows bottom-up of bytes blue, green, red
    // (the engine's pixel format) with the given stride. False when it could not be converted.
    bool ConvertPicture(uint8_t* pixels, int stride);

    // Decodes the next piece of sound and appends it to samples (interleaved, kSoundChannels at
    // kSoundRate); timeUs receives the time of its first sample. kEnd as for pictures.
    Result NextSound(std::vector<int16_t>& samples, int64_t& timeUs);

    // Packets that could not be decoded and were skipped, for both streams.
    int64_t DamagedPackets() const;

  private:
    struct State;
    explicit MovieDecoder(std::unique_ptr<State> state);
    static std::unique_ptr<MovieDecoder> OpenState(std::unique_ptr<State> state, std::string* error);
    std::unique_ptr<State> state_;
};

}  // namespace textreel
