#include "sound/pcm_source.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#include "platform/audio_mixer.h"
#include "platform/file_stream.h"
#include "platform/files.h"
#include "platform/little_endian.h"
#include "sound/wav_file.h"

namespace textreel {

namespace {

// Frames a source hands out per Read at most. libvorbisfile decodes one packet per call, 1024
// frames of a long block at 44.1 kHz; a WAV source reads the same, so that a fade, which steps once
// per chunk, runs at the same pace on both.
constexpr size_t kChunkFrames = 1024;
// The bytes the header check may pass over before the three Vorbis header packets are complete:
// the packets themselves and pages of other streams beside them.
constexpr uint64_t kMaxHeaderScanBytes = 4 * kMaxOggHeaderPacketBytes;

// The bytes a source reads: an open file or a block of memory.
struct Input {
    std::FILE* file = nullptr;
    std::vector<uint8_t> bytes;
    size_t pos = 0;

    ~Input() {
        if (file != nullptr) {
            std::fclose(file);
        }
    }
};

size_t ReadInput(void* out, size_t size, size_t count, void* data) {
    auto* in = static_cast<Input*>(data);
    if (in->file != nullptr) {
        return std::fread(out, size, count, in->file);
    }
    if (size == 0 || in->pos >= in->bytes.size()) {
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
    auto* in = static_cast<Input*>(data);
    if (in->file != nullptr) {
        if (offset < std::numeric_limits<long>::min() || offset > std::numeric_limits<long>::max()) {
            return -1;
        }
        return std::fseek(in->file, static_cast<long>(offset), whence);
    }
    int64_t base = whence == SEEK_SET   ? 0
                   : whence == SEEK_CUR ? static_cast<int64_t>(in->pos)
                                        : static_cast<int64_t>(in->bytes.size());
    if (offset < 0 ? base + offset < 0 : base > INT64_MAX - offset) {
        return -1;
    }
    int64_t target = base + offset;
    if (target < 0 || target > static_cast<int64_t>(in->bytes.size())) {
        return -1;
    }
    in->pos = static_cast<size_t>(target);
    return 0;
}

long TellInput(void* data) {
    auto* in = static_cast<Input*>(data);
    if (in->file != nullptr) {
        return std::ftell(in->file);
    }
    return static_cast<long>(in->pos);
}

// The size of the input in bytes; false when it cannot be had.
bool InputSize(Input& in, uint64_t& size) {
    if (in.file == nullptr) {
        size = in.bytes.size();
        return true;
    }
    if (std::fseek(in.file, 0, SEEK_END) != 0) {
        return false;
    }
    long end = std::ftell(in.file);
    if (end < 0) {
        return false;
    }
    size = static_cast<uint64_t>(end);
    return true;
}

// Walks the Ogg pages from the start of the input up to the end of the three Vorbis header packets
// of the first stream, reading only page headers and the first page's body, and leaves the input
// at its start again. False when a header packet is larger than kMaxOggHeaderPacketBytes, the
// headers do not end within kMaxHeaderScanBytes, the pages are not laid end to end, or the stream
// has more channels than a sound may have. libvorbisfile gathers whole packets in memory while it
// reads the headers; this keeps a hostile file from making it gather hundreds of megabytes.
bool OggHeadersBounded(Input& in) {
    constexpr size_t kPageHeaderBytes = 27;
    constexpr int kHeaderPackets = 3;
    uint64_t scanned = 0;
    uint32_t serial = 0;
    bool first = true;
    int packets = 0;
    uint64_t packetBytes = 0;
    bool ok = false;
    while (scanned <= kMaxHeaderScanBytes) {
        uint8_t header[kPageHeaderBytes];
        uint8_t lacing[255];
        if (ReadInput(header, 1, kPageHeaderBytes, &in) != kPageHeaderBytes ||
            std::memcmp(header, "OggS", 4) != 0 || header[4] != 0) {
            break;
        }
        const size_t segments = header[26];
        if (ReadInput(lacing, 1, segments, &in) != segments) {
            break;
        }
        size_t body = 0;
        for (size_t i = 0; i < segments; ++i) {
            body += lacing[i];
        }
        scanned += kPageHeaderBytes + segments + body;
        const uint32_t pageSerial = ReadLe32(header + 14);
        if (first) {
            serial = pageSerial;
            // The identification packet stands alone on the first page: "\x01vorbis", the version,
            // then the channel count.
            uint8_t id[255];
            const size_t idBytes = segments > 0 ? lacing[0] : 0;
            if (idBytes < 12 || ReadInput(id, 1, idBytes, &in) != idBytes || id[0] != 1 ||
                std::memcmp(id + 1, "vorbis", 6) != 0 || id[11] < 1 || id[11] > kMaxSoundChannels ||
                SeekInput(&in, static_cast<ogg_int64_t>(body - idBytes), SEEK_CUR) != 0) {
                break;
            }
            first = false;
        } else if (SeekInput(&in, static_cast<ogg_int64_t>(body), SEEK_CUR) != 0) {
            break;
        }
        if (pageSerial != serial) {
            continue;
        }
        bool tooLarge = false;
        for (size_t i = 0; i < segments && packets < kHeaderPackets && !tooLarge; ++i) {
            packetBytes += lacing[i];
            tooLarge = packetBytes > kMaxOggHeaderPacketBytes;
            if (lacing[i] < 255) {
                ++packets;
                packetBytes = 0;
            }
        }
        if (tooLarge) {
            break;
        }
        if (packets >= kHeaderPackets) {
            ok = true;
            break;
        }
    }
    return SeekInput(&in, 0, SEEK_SET) == 0 && ok;
}

class OggSource : public PcmSource {
  public:
    explicit OggSource(std::unique_ptr<Input> input) : input_(std::move(input)) {}
    ~OggSource() override {
        if (open_) {
            ov_clear(&vf_);
        }
    }

    bool Open() {
        if (!OggHeadersBounded(*input_)) {
            return false;
        }
        ov_callbacks callbacks{&ReadInput, &SeekInput, nullptr, &TellInput};
        if (ov_open_callbacks(input_.get(), &vf_, nullptr, 0, callbacks) != 0) {
            return false;
        }
        open_ = true;
        vorbis_info* info = ov_info(&vf_, -1);
        if (info == nullptr || info->channels < 1 || info->channels > kMaxSoundChannels ||
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
    std::unique_ptr<Input> input_;
    OggVorbis_File vf_{};
    bool open_ = false;
    int section_ = 0;
    int rate_ = 0;
    int channels_ = 0;
};

// A WAV file read chunk by chunk from where its samples lie.
class WavSource : public PcmSource {
  public:
    WavSource(std::unique_ptr<Input> input, const WavLayout& layout)
        : input_(std::move(input)), layout_(layout) {}

    int Rate() const override { return layout_.rate; }
    int Channels() const override { return layout_.channels; }

    long Read(char* out, int bytes) override {
        const size_t frameBytes = layout_.FrameBytes();
        const size_t outFrameBytes = static_cast<size_t>(layout_.channels) * 2;
        size_t frames =
            std::min<size_t>(static_cast<size_t>(std::max(bytes, 0)) / outFrameBytes, kChunkFrames);
        frames = static_cast<size_t>(std::min<uint64_t>(frames, (layout_.dataBytes - done_) / frameBytes));
        if (frames == 0) {
            return 0;
        }
        raw_.resize(frames * frameBytes);
        frames = ReadInput(raw_.data(), frameBytes, frames, input_.get());
        if (frames == 0) {
            // The file ended early (it shrank while playing): its data ends here.
            done_ = layout_.dataBytes;
            return 0;
        }
        samples_.resize(frames * static_cast<size_t>(layout_.channels));
        ConvertWavFrames(raw_.data(), frames, layout_, samples_.data());
        std::memcpy(out, samples_.data(), samples_.size() * 2);
        done_ += frames * frameBytes;
        return static_cast<long>(samples_.size() * 2);
    }

    bool Rewind() override {
        if (SeekInput(input_.get(), static_cast<ogg_int64_t>(layout_.dataOffset), SEEK_SET) != 0) {
            return false;
        }
        done_ = 0;
        return true;
    }

  private:
    std::unique_ptr<Input> input_;
    WavLayout layout_;
    uint64_t done_ = 0;  // bytes of the data chunk read so far
    std::vector<uint8_t> raw_;
    std::vector<int16_t> samples_;
};

std::unique_ptr<PcmSource> OpenOgg(std::unique_ptr<Input> input) {
    auto source = std::make_unique<OggSource>(std::move(input));
    if (!source->Open()) {
        return nullptr;
    }
    return source;
}

std::unique_ptr<PcmSource> OpenWav(std::unique_ptr<Input> input) {
    uint64_t size = 0;
    if (!InputSize(*input, size)) {
        return nullptr;
    }
    Input* in = input.get();
    auto readAt = [in](uint64_t offset, uint8_t* out, size_t count) -> size_t {
        if (offset > static_cast<uint64_t>(std::numeric_limits<ogg_int64_t>::max()) ||
            SeekInput(in, static_cast<ogg_int64_t>(offset), SEEK_SET) != 0) {
            return 0;
        }
        return ReadInput(out, 1, count, in);
    };
    WavLayout layout;
    if (!ReadWavLayout(readAt, size, layout) || layout.dataBytes == 0) {
        return nullptr;
    }
    // The samples are handed out as little-endian bytes.
    static_assert(std::endian::native == std::endian::little);
    auto source = std::make_unique<WavSource>(std::move(input), layout);
    if (!source->Rewind()) {
        return nullptr;
    }
    return source;
}

}  // namespace

std::unique_ptr<PcmSource> OpenOggSource(std::FILE* file) {
    if (file == nullptr) {
        return nullptr;
    }
    auto input = std::make_unique<Input>();
    input->file = file;
    return OpenOgg(std::move(input));
}

std::unique_ptr<PcmSource> OpenOggSource(std::vector<uint8_t> bytes) {
    auto input = std::make_unique<Input>();
    input->bytes = std::move(bytes);
    return OpenOgg(std::move(input));
}

std::unique_ptr<PcmSource> OpenWavSource(std::FILE* file) {
    if (file == nullptr) {
        return nullptr;
    }
    auto input = std::make_unique<Input>();
    input->file = file;
    return OpenWav(std::move(input));
}

std::unique_ptr<PcmSource> OpenWavSource(std::vector<uint8_t> bytes) {
    auto input = std::make_unique<Input>();
    input->bytes = std::move(bytes);
    return OpenWav(std::move(input));
}

std::unique_ptr<PcmSource> OpenSoundFile(const std::string& realPath) {
    std::FILE* file = files::OpenRegularFile(realPath);
    if (file == nullptr) {
        return nullptr;
    }
    char magic[4] = {};
    size_t got = std::fread(magic, 1, 4, file);
    std::rewind(file);
    if (got == 4 && std::memcmp(magic, "OggS", 4) == 0) {
        return OpenOggSource(file);
    }
    return OpenWavSource(file);
}

bool DecodeSoundFile(const std::string& realPath, PcmSound& out, size_t maxFrames, SoundKinds kinds) {
    out = PcmSound{};
    std::unique_ptr<PcmSource> source;
    if (kinds == SoundKinds::kWavOnly) {
        source = OpenWavSource(files::OpenRegularFile(realPath));
    } else {
        source = OpenSoundFile(realPath);
    }
    if (source == nullptr) {
        return false;
    }
    out.rate = source->Rate();
    out.channels = source->Channels();
    const size_t maxSamples = maxFrames * static_cast<size_t>(out.channels);
    std::vector<int16_t> chunk(kChunkFrames * static_cast<size_t>(out.channels));
    while (out.samples.size() < maxSamples) {
        long n = source->Read(reinterpret_cast<char*>(chunk.data()), static_cast<int>(chunk.size() * 2));
        if (n <= 0) {
            break;
        }
        size_t samples = std::min(static_cast<size_t>(n) / 2, maxSamples - out.samples.size());
        out.samples.insert(out.samples.end(), chunk.begin(),
                           chunk.begin() + static_cast<std::ptrdiff_t>(samples));
    }
    return !out.samples.empty();
}

}  // namespace textreel
