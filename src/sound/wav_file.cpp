#include "sound/wav_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/files.h"
#include "platform/little_endian.h"
#include "sound/pcm_source.h"

namespace textreel {

namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;
// Reading a whole file is for interface sounds; larger files are not interface sounds.
constexpr uint64_t kMaxFileBytes = 64ull << 20;
// Chunks walked before the format and data chunks must have turned up: a file of millions of
// empty chunks would otherwise cost a read each.
constexpr int kMaxChunks = 1024;
// The part of a format chunk that is read (WAVE_FORMAT_EXTENSIBLE's 40 bytes).
constexpr size_t kFormatBytes = 40;

// The GUID tail shared by every KSDATAFORMAT_SUBTYPE_* code: {xxxxxxxx-0000-0010-8000-00aa00389b71}.
constexpr uint8_t kSubtypeTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                      0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

bool ReadFormat(const uint8_t* chunk, size_t size, WavLayout& f) {
    if (size < 16) {
        return false;
    }
    uint16_t tag = ReadLe16(chunk);
    f.channels = ReadLe16(chunk + 2);
    uint32_t rate = ReadLe32(chunk + 4);
    f.bits = ReadLe16(chunk + 14);
    if (rate < WavLayout::kMinRate || rate > WavLayout::kMaxRate) {
        return false;
    }
    f.rate = static_cast<int>(rate);
    if (tag == kFormatExtensible) {
        // cbSize, valid bits, channel mask, then the 16-byte subformat GUID.
        if (size < 40 || ReadLe16(chunk + 16) < 22 || std::memcmp(chunk + 26, kSubtypeTail, 14) != 0) {
            return false;
        }
        tag = ReadLe16(chunk + 24);
    }
    return tag == kFormatPcm && (f.bits == 8 || f.bits == 16) && f.channels >= 1 &&
           f.channels <= WavLayout::kMaxChannels;
}

}  // namespace

bool ReadWavLayout(const ReadAt& readAt, uint64_t size, WavLayout& out) {
    out = WavLayout{};
    uint8_t riff[12] = {};
    if (size < 12 || readAt(0, riff, 12) != 12 || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0) {
        return false;
    }
    // The RIFF size field is often wrong in files written by streaming tools, so the chunks are
    // walked up to the real end of the input instead.
    uint8_t format[kFormatBytes] = {};
    size_t formatSize = 0;
    bool haveFormat = false;
    bool haveData = false;
    uint64_t pos = 12;
    for (int walked = 0; walked < kMaxChunks && size - pos >= 8 && !(haveFormat && haveData); ++walked) {
        uint8_t header[8];
        if (readAt(pos, header, 8) != 8) {
            break;
        }
        const uint64_t chunkSize = ReadLe32(header + 4);
        const uint64_t available = size - pos - 8;
        const uint64_t body = std::min(chunkSize, available);
        if (!haveFormat && std::memcmp(header, "fmt ", 4) == 0) {
            formatSize = static_cast<size_t>(std::min<uint64_t>(body, kFormatBytes));
            haveFormat = readAt(pos + 8, format, formatSize) == formatSize;
        } else if (!haveData && std::memcmp(header, "data", 4) == 0) {
            out.dataOffset = pos + 8;
            out.dataBytes = body;
            haveData = true;
        }
        if (chunkSize >= available) {
            break;
        }
        // Chunks start on even offsets: an odd-sized chunk is followed by one pad byte.
        pos += 8 + chunkSize + (chunkSize & 1);
        if (pos > size) {
            break;
        }
    }
    const uint64_t dataOffset = out.dataOffset;
    const uint64_t dataBytes = out.dataBytes;
    if (!haveFormat || !haveData || !ReadFormat(format, formatSize, out)) {
        out = WavLayout{};
        return false;
    }
    out.dataOffset = dataOffset;
    out.dataBytes = dataBytes - dataBytes % out.FrameBytes();
    return true;
}

void ConvertWavFrames(const uint8_t* in, size_t frames, const WavLayout& layout, int16_t* out) {
    const size_t samples = frames * static_cast<size_t>(layout.channels);
    if (layout.bits == 8) {
        for (size_t i = 0; i < samples; ++i) {
            out[i] = static_cast<int16_t>((in[i] - 128) * 256);
        }
        return;
    }
    for (size_t i = 0; i < samples; ++i) {
        out[i] = static_cast<int16_t>(ReadLe16(in + 2 * i));
    }
}

bool ParseWav(const uint8_t* data, size_t size, PcmSound& out) {
    out = PcmSound{};
    if (data == nullptr) {
        return false;
    }
    WavLayout layout;
    auto readAt = [data, size](uint64_t offset, uint8_t* to, size_t count) -> size_t {
        if (offset >= size) {
            return 0;
        }
        size_t n = std::min<uint64_t>(count, size - offset);
        std::memcpy(to, data + offset, n);
        return n;
    };
    if (!ReadWavLayout(readAt, size, layout)) {
        return false;
    }
    out.rate = layout.rate;
    out.channels = layout.channels;
    out.samples.resize(static_cast<size_t>(layout.Frames()) * static_cast<size_t>(layout.channels));
    ConvertWavFrames(data + layout.dataOffset, static_cast<size_t>(layout.Frames()), layout,
                     out.samples.data());
    return true;
}

bool ReadWav(const std::string& realPath, PcmSound& out) {
    out = PcmSound{};
    std::unique_ptr<PcmSource> source = OpenWavSource(files::OpenRegularFile(realPath, kMaxFileBytes));
    if (source == nullptr) {
        return false;
    }
    out.rate = source->Rate();
    out.channels = source->Channels();
    std::vector<int16_t> chunk(8192);
    for (;;) {
        long n = source->Read(reinterpret_cast<char*>(chunk.data()), static_cast<int>(chunk.size() * 2));
        if (n <= 0) {
            break;
        }
        out.samples.insert(out.samples.end(), chunk.begin(), chunk.begin() + n / 2);
    }
    return true;
}

}  // namespace textreel
