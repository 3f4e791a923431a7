#include "sound/wav_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/files.h"
#include "platform/little_endian.h"

namespace textreel {

namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
constexpr uint16_t kFormatExtensible = 0xFFFE;
constexpr int kMinRate = 1000;
constexpr int kMaxRate = 1000000;
// Larger files are not interface sounds; refusing them keeps a broken path from filling memory.
constexpr uint64_t kMaxFileBytes = 64ull << 20;

// The GUID tail shared by every KSDATAFORMAT_SUBTYPE_* code: {xxxxxxxx-0000-0010-8000-00aa00389b71}.
constexpr uint8_t kSubtypeTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                      0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

struct Format {
    uint16_t tag = 0;
    int channels = 0;
    int rate = 0;
    int bits = 0;
};

bool ReadFormat(const uint8_t* chunk, size_t size, Format& f) {
    if (size < 16) {
        return false;
    }
    f.tag = ReadLe16(chunk);
    f.channels = ReadLe16(chunk + 2);
    uint32_t rate = ReadLe32(chunk + 4);
    f.bits = ReadLe16(chunk + 14);
    if (rate < kMinRate || rate > kMaxRate) {
        return false;
    }
    f.rate = static_cast<int>(rate);
    if (f.tag == kFormatExtensible) {
        // cbSize, valid bits, channel mask, then the 16-byte subformat GUID.
        if (size < 40 || ReadLe16(chunk + 16) < 22 || std::memcmp(chunk + 26, kSubtypeTail, 14) != 0) {
            return false;
        }
        f.tag = ReadLe16(chunk + 24);
    }
    return f.channels > 0;
}

// One sample of the given encoding as a signed 16-bit value.
int16_t Sample(const uint8_t* p, uint16_t tag, int bits) {
    if (tag == kFormatFloat) {
        double v = 0;
        if (bits == 32) {
            float fv;
            uint32_t u = ReadLe32(p);
            std::memcpy(&fv, &u, 4);
            v = fv;
        } else {
            uint64_t u = static_cast<uint64_t>(ReadLe32(p)) | (static_cast<uint64_t>(ReadLe32(p + 4)) << 32);
            std::memcpy(&v, &u, 8);
        }
        if (!(v == v)) {
            return 0;  // NaN
        }
        v = std::clamp(v * 32768.0, -32768.0, 32767.0);
        return static_cast<int16_t>(std::lrint(v));
    }
    switch (bits) {
        case 8:
            return static_cast<int16_t>((p[0] - 128) * 256);
        case 16:
            return static_cast<int16_t>(ReadLe16(p));
        case 24:
            return static_cast<int16_t>(ReadLe16(p + 1));
        default:  // 32
            return static_cast<int16_t>(ReadLe16(p + 2));
    }
}

bool Supported(const Format& f) {
    if (f.tag == kFormatPcm) {
        return f.bits == 8 || f.bits == 16 || f.bits == 24 || f.bits == 32;
    }
    if (f.tag == kFormatFloat) {
        return f.bits == 32 || f.bits == 64;
    }
    return false;
}

}  // namespace

bool ParseWav(const uint8_t* data, size_t size, PcmSound& out) {
    out = PcmSound{};
    if (data == nullptr || size < 12 || std::memcmp(data, "RIFF", 4) != 0 ||
        std::memcmp(data + 8, "WAVE", 4) != 0) {
        return false;
    }
    // The RIFF size field is often wrong in files written by streaming tools, so the chunks are
    // walked up to the real end of the input instead.
    const uint8_t* fmtChunk = nullptr;
    size_t fmtSize = 0;
    const uint8_t* dataChunk = nullptr;
    size_t dataSize = 0;
    size_t pos = 12;
    while (size - pos >= 8) {
        const uint8_t* header = data + pos;
        uint64_t chunkSize = ReadLe32(header + 4);
        size_t available = size - pos - 8;
        size_t body = static_cast<size_t>(std::min<uint64_t>(chunkSize, available));
        if (fmtChunk == nullptr && std::memcmp(header, "fmt ", 4) == 0) {
            fmtChunk = header + 8;
            fmtSize = body;
        } else if (dataChunk == nullptr && std::memcmp(header, "data", 4) == 0) {
            dataChunk = header + 8;
            dataSize = body;
        }
        if (chunkSize >= available) {
            break;
        }
        // Chunks start on even offsets: an odd-sized chunk is followed by one pad byte.
        pos += 8 + static_cast<size_t>(chunkSize) + (chunkSize & 1);
        if (pos > size) {
            break;
        }
    }
    Format f;
    if (fmtChunk == nullptr || dataChunk == nullptr || !ReadFormat(fmtChunk, fmtSize, f) || !Supported(f)) {
        return false;
    }
    const size_t bytesPerSample = static_cast<size_t>(f.bits) / 8;
    const size_t stride = bytesPerSample * static_cast<size_t>(f.channels);
    const size_t frames = dataSize / stride;
    const int keep = std::min(f.channels, 2);
    out.rate = f.rate;
    out.channels = keep;
    out.samples.resize(frames * static_cast<size_t>(keep));
    int16_t* dst = out.samples.data();
    for (size_t i = 0; i < frames; ++i) {
        const uint8_t* frame = dataChunk + i * stride;
        for (int c = 0; c < keep; ++c) {
            *dst++ = Sample(frame + static_cast<size_t>(c) * bytesPerSample, f.tag, f.bits);
        }
    }
    return true;
}

bool ReadWav(const std::string& realPath, PcmSound& out) {
    std::vector<uint8_t> bytes;
    if (!files::ReadAll(realPath, bytes, kMaxFileBytes)) {
        out = PcmSound{};
        return false;
    }
    return ParseWav(bytes.data(), bytes.size(), out);
}

}  // namespace textreel
