#include "sound/pcm_source.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#include "platform/audio_mixer.h"
#include "platform/file_stream.h"
#include "platform/files.h"
#include "sound/wav_file.h"

namespace textreel {

namespace {

// A WAV file played from memory is read whole; beyond this it is refused (about 25 minutes of
// CD-quality sound).
constexpr uint64_t kMaxWavBytes = 256ull << 20;

// The bytes libvorbisfile reads: an open file or a block of memory.
struct OggInput {
    std::FILE* file = nullptr;
    std::vector<uint8_t> bytes;
    size_t pos = 0;

    ~OggInput() {
        if (file != nullptr) {
            std::fclose(file);
        }
    }
};

size_t ReadInput(void* out, size_t size, size_t count, void* data) {
    auto* in = static_cast<OggInput*>(data);
    if (in->file != nullptr) {
        return std::fread(out, size, count, in->file);
    }
    if (size == 0) {
        return 0;
    }
    size_t items = std::min(count, (in->bytes.size() - in->pos) / size);
    if (items == 0) {
        return 0;  // also keeps an empty buffer's missing data out of memcpy
    }
    std::memcpy(out, in->bytes.data() + in->pos, items * size);
    in->pos += items * size;
    return items;
}

int SeekInput(void* data, ogg_int64_t offset, int whence) {
    auto* in = static_cast<OggInput*>(data);
    if (in->file != nullptr) {
        if (offset < std::numeric_limits<long>::min() || offset > std::numeric_limits<long>::max()) {
            return -1;
        }
        return std::fseek(in->file, static_cast<long>(offset), whence);
    }
    int64_t base = whence == SEEK_SET   ? 0
                   : whence == SEEK_CUR ? static_cast<int64_t>(in->pos)
                                        : static_cast<int64_t>(in->bytes.size());
    int64_t target = base + offset;
    if (target < 0 || target > static_cast<int64_t>(in->bytes.size())) {
        return -1;
    }
    in->pos = static_cast<size_t>(target);
    return 0;
}

long TellInput(void* data) {
    auto* in = static_cast<OggInput*>(data);
    if (in->file != nullptr) {
        return std::ftell(in->file);
    }
    return static_cast<long>(in->pos);
}

class OggSource : public PcmSource {
  public:
    explicit OggSource(std::unique_ptr<OggInput> input) : input_(std::move(input)) {}
    ~OggSource() override {
        if (open_) {
            ov_clear(&vf_);
        }
    }

    bool Open() {
        ov_callbacks callbacks{&ReadInput, &SeekInput, nullptr, &TellInput};
        if (ov_open_callbacks(input_.get(), &vf_, nullptr, 0, callbacks) != 0) {
            return false;
        }
        open_ = true;
        vorbis_info* info = ov_info(&vf_, -1);
        if (info == nullptr || info->channels < 1 || info->channels > 255 ||
            info->rate < AudioMixer::kMinSourceRate || info->rate > AudioMixer::kMaxSourceRate) {
            return false;
        }
        rate_ = static_cast<int>(info->rate);
        channels_ = info->channels;
        return true;
    }

    int Rate() const override { return rate_; }
    int Channels() const override { return channels_; }

    long Read(char* out, int bytes) override {
        long n = ov_read(&vf_, out, bytes, 0, 2, 1, &section_);
        // A chained file may change its layout between sections; the stream's format is fixed
        // when it opens, so a section that differs ends the data.
        vorbis_info* info = n > 0 ? ov_info(&vf_, section_) : nullptr;
        if (n > 0 && (info == nullptr || info->channels != channels_ || info->rate != rate_)) {
            return -1;
        }
        return n;
    }

    bool Rewind() override { return ov_pcm_seek(&vf_, 0) == 0; }

  private:
    std::unique_ptr<OggInput> input_;
    OggVorbis_File vf_{};
    bool open_ = false;
    int section_ = 0;
    int rate_ = 0;
    int channels_ = 0;
};

class WavSource : public PcmSource {
  public:
    explicit WavSource(PcmSound sound) : sound_(std::move(sound)) {}
    int Rate() const override { return sound_.rate; }
    int Channels() const override { return sound_.channels; }
    long Read(char* out, int bytes) override {
        size_t total = sound_.samples.size() * 2;
        size_t frameBytes = static_cast<size_t>(sound_.channels) * 2;
        // At most one Ogg packet's worth (1024 frames) a read: a fade steps once a read, so WAV
        // music fades at the pace Ogg music does.
        constexpr size_t kFramesPerRead = 1024;
        size_t n =
            std::min({static_cast<size_t>(std::max(bytes, 0)), total - pos_, kFramesPerRead * frameBytes});
        n -= n % frameBytes;
        std::memcpy(out, reinterpret_cast<const char*>(sound_.samples.data()) + pos_, n);
        pos_ += n;
        return static_cast<long>(n);
    }
    bool Rewind() override {
        pos_ = 0;
        return true;
    }

  private:
    PcmSound sound_;
    size_t pos_ = 0;
};

std::unique_ptr<PcmSource> OpenOgg(std::unique_ptr<OggInput> input) {
    auto source = std::make_unique<OggSource>(std::move(input));
    if (!source->Open()) {
        return nullptr;
    }
    return source;
}

}  // namespace

std::unique_ptr<PcmSource> OpenOggSource(std::FILE* file) {
    if (file == nullptr) {
        return nullptr;
    }
    auto input = std::make_unique<OggInput>();
    input->file = file;
    return OpenOgg(std::move(input));
}

std::unique_ptr<PcmSource> OpenOggSource(std::vector<uint8_t> bytes) {
    auto input = std::make_unique<OggInput>();
    input->bytes = std::move(bytes);
    return OpenOgg(std::move(input));
}

std::unique_ptr<PcmSource> OpenWavSource(const std::vector<uint8_t>& bytes) {
    PcmSound sound;
    if (!ParseWav(bytes.data(), bytes.size(), sound) || sound.samples.empty()) {
        return nullptr;
    }
    // The samples are handed out as little-endian bytes.
    static_assert(std::endian::native == std::endian::little);
    return std::make_unique<WavSource>(std::move(sound));
}

std::unique_ptr<PcmSource> OpenSoundFile(const std::string& realPath) {
    std::FILE* file = files::OpenRegularFile(realPath);
    if (file == nullptr) {
        return nullptr;
    }
    char magic[4] = {};
    size_t got = std::fread(magic, 1, 4, file);
    if (got == 4 && std::memcmp(magic, "OggS", 4) == 0) {
        std::rewind(file);
        return OpenOggSource(file);
    }
    std::fclose(file);
    std::vector<uint8_t> bytes;
    if (!files::ReadAll(realPath, bytes, kMaxWavBytes)) {
        return nullptr;
    }
    return OpenWavSource(bytes);
}

bool DecodeSoundFile(const std::string& realPath, PcmSound& out, size_t maxFrames) {
    std::unique_ptr<PcmSource> source = OpenSoundFile(realPath);
    if (source == nullptr) {
        return false;
    }
    out.rate = source->Rate();
    out.channels = source->Channels();
    out.samples.clear();
    const size_t maxSamples = maxFrames * static_cast<size_t>(out.channels);
    std::vector<int16_t> chunk(4096 * static_cast<size_t>(out.channels));
    while (out.samples.size() < maxSamples) {
        long n = source->Read(reinterpret_cast<char*>(chunk.data()), static_cast<int>(chunk.size() * 2));
        if (n <= 0) {
            break;
        }
        size_t samples = std::min(static_cast<size_t>(n) / 2, maxSamples - out.samples.size());
        out.samples.insert(out.samples.end(), chunk.begin(),
                           chunk.begin() + static_cast<std::ptrdiff_t>(samples));
    }
    if (out.channels > 2) {
        // The mixer hears the first two channels only; keep just those.
        std::vector<int16_t> stereo;
        for (size_t i = 0; i + static_cast<size_t>(out.channels) <= out.samples.size();
             i += static_cast<size_t>(out.channels)) {
            stereo.push_back(out.samples[i]);
            stereo.push_back(out.samples[i + 1]);
        }
        out.samples = std::move(stereo);
        out.channels = 2;
    }
    return !out.samples.empty();
}

}  // namespace textreel
