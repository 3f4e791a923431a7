// Reading a movie file with FFmpeg: the first picture stream and the first sound stream are
// decoded packet by packet, pictures scaled into the engine's pixel format, sound converted to
// 44.1 kHz stereo 16-bit samples for the mixer.
//
// A movie is untrusted input. The file is read through a file handle opened once (never opened again
// by name), only demuxers for plain movie containers are allowed, nothing the file names is
// ever opened (no playlists, no references to other files or addresses), picture sizes are bounded
// before anything is allocated for them, and the packets held while one stream runs ahead of the
// other are bounded in bytes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/movie_source.h"

namespace textreel {

class MovieDecoder final : public MovieSource {
  public:
    // Opens a movie from the real path of a regular file, or from bytes in memory (tests and
    // fuzzing). nullptr when it is not a movie this decoder can play, with the reason in *error.
    static std::unique_ptr<MovieDecoder> Open(const std::string& realPath, std::string* error);
    static std::unique_ptr<MovieDecoder> OpenBytes(std::vector<uint8_t> bytes, std::string* error);
    // The same for a regular file already open (the helper process, which opens nothing): the
    // decoder owns file from here and closes it; size is the file's length in bytes.
    static std::unique_ptr<MovieDecoder> OpenFile(std::FILE* file, int64_t size, std::string* error);

    // The process-wide settings of the decoder library; Open does it too, the helper process does it
    // before it locks itself down.
    static void Prepare();

    ~MovieDecoder() override;
    MovieDecoder(const MovieDecoder&) = delete;
    MovieDecoder& operator=(const MovieDecoder&) = delete;

    const MovieInfo& Info() const override;
    bool SetPictureSize(int width, int height) override;
    Result NextPicture(int64_t& timeUs) override;
    bool ConvertPicture(uint8_t* pixels, int stride) override;
    Result NextSound(std::vector<int16_t>& samples, int64_t& timeUs) override;
    int64_t DamagedPackets() const override;

  private:
    struct State;
    explicit MovieDecoder(std::unique_ptr<State> state);
    static std::unique_ptr<MovieDecoder> OpenState(std::unique_ptr<State> state, std::string* error);
    std::unique_ptr<State> state_;
};

}  // namespace textreel
