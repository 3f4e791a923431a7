// Where the movie player gets a movie's pictures and sound from: the decoder itself (tests, fuzzing,
// tools) or the locked-down helper process that runs it (the engine). Both answer the same calls.
#pragma once

#include <cstdint>
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

class MovieSource {
  public:
    static constexpr int kSoundRate = 44100;
    static constexpr int kSoundChannels = 2;
    // The largest picture a movie may carry: sides and area.
    static constexpr int kMaxSide = 8192;
    static constexpr int64_t kMaxPixels = int64_t{3840} * 2160;

    enum class Result { kOk, kEnd };

    virtual ~MovieSource() = default;

    // Opens the movie when the source was made before it (the helper process, whose start and
    // header reading are left to the player's thread); false with *error when it cannot be
    // played. Interrupt ends it early. A source made open answers true.
    virtual bool Open(std::string* /*error*/) { return true; }

    // Valid once the source is open.
    virtual const MovieInfo& Info() const = 0;

    // Pictures are scaled to width x height; false when the scaler cannot be made for it.
    virtual bool SetPictureSize(int width, int height) = 0;

    // Decodes the next picture; timeUs receives its time from the movie's start. kEnd when the
    // picture stream has ended, is cut off, or yields nothing more that can be decoded.
    virtual Result NextPicture(int64_t& timeUs) = 0;
    // Writes the picture NextPicture decoded, scaled, as rows bottom-up of bytes blue, green, red
    // (the engine's pixel format) with the given stride. False when it could not be converted.
    virtual bool ConvertPicture(uint8_t* pixels, int stride) = 0;

    // Decodes the next piece of sound and appends it to samples (interleaved, kSoundChannels at
    // kSoundRate); timeUs receives the time of its first sample. kEnd as for pictures.
    virtual Result NextSound(std::vector<int16_t>& samples, int64_t& timeUs) = 0;

    // Packets that could not be decoded and were skipped, for both streams.
    virtual int64_t DamagedPackets() const = 0;

    // True once the source broke down (its decoder died or stopped answering) rather than reaching
    // the movie's end: the player then reports a failed movie.
    virtual bool Broken() const { return false; }
    // Any thread: makes a call waiting for the source return at once (kEnd); used when the movie
    // is stopped.
    virtual void Interrupt() {}
};

}  // namespace textreel
