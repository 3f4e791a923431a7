#include "sound/wav_file.h"

#include <gtest/gtest.h>

#include "support/temp_title.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace textreel {
namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

void PutChunk(Bytes& b, const char* id, const Bytes& body, uint32_t declared) {
    b.insert(b.end(), id, id + 4);
    Put32(b, declared);
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() % 2 == 1) {
        b.push_back(0);
    }
}

void PutChunk(Bytes& b, const char* id, const Bytes& body) {
    PutChunk(b, id, body, static_cast<uint32_t>(body.size()));
}

Bytes Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    Bytes f;
    Put16(f, tag);
    Put16(f, channels);
    Put32(f, rate);
    Put32(f, rate * channels * bits / 8);
    Put16(f, static_cast<uint16_t>(channels * bits / 8));
    Put16(f, bits);
    return f;
}

Bytes Riff(const Bytes& chunks) {
    Bytes b = {'R', 'I', 'F', 'F'};
    Put32(b, static_cast<uint32_t>(chunks.size() + 4));
    b.insert(b.end(), {'W', 'A', 'V', 'E'});
    b.insert(b.end(), chunks.begin(), chunks.end());
    return b;
}

Bytes Samples16(std::initializer_list<int16_t> values) {
    Bytes b;
    for (int16_t v : values) {
        Put16(b, static_cast<uint16_t>(v));
    }
    return b;
}

bool Parse(const Bytes& file, PcmSound& out) {
    return ParseWav(file.data(), file.size(), out);
}

TEST(WavFile, SixteenBitStereoKeepsSamplesAndRate) {
    Bytes chunks;
    PutChunk(chunks, "fmt ", Fmt(1, 2, 22050, 16));
    PutChunk(chunks, "data", Samples16({1, -2, 32767, -32768}));
    PcmSound s;
    ASSERT_TRUE(Parse(Riff(chunks), s));
    EXPECT_EQ(s.rate, 22050);
    EXPECT_EQ(s.channels, 2);
    EXPECT_EQ(s.samples, (std::vector<int16_t>{1, -2, 32767, -32768}));
}

TEST(WavFile, EightBitIsUnsignedAroundMidpoint) {
    Bytes chunks;
    PutChunk(chunks, "fmt ", Fmt(1, 1, 11025, 8));
    PutChunk(chunks, "data", Bytes{0, 128, 255, 129});
    PcmSound s;
    ASSERT_TRUE(Parse(Riff(chunks), s));
    EXPECT_EQ(s.channels, 1);
    EXPECT_EQ(s.samples, (std::vector<int16_t>{-32768, 0, 127 * 256, 256}));
}

// A title's sounds are 8- or 16-bit PCM, mono or stereo, at 8 to 48 kHz; anything else is refused
// like a damaged file, at the edges exactly.
TEST(WavFile, OnlyTheFormatsTitlesUseAreAccepted) {
    const struct {
        uint16_t tag, channels;
        uint32_t rate;
        uint16_t bits;
        bool accepted;
    } cases[] = {
        {1, 1, 8000, 8, true},      {1, 2, 48000, 16, true},  {1, 1, 7999, 16, false},
        {1, 1, 48001, 16, false},   {1, 1, 96000, 16, false}, {1, 3, 44100, 16, false},
        {1, 255, 44100, 16, false}, {1, 1, 44100, 24, false}, {1, 1, 44100, 32, false},
        {3, 1, 44100, 32, false},   {3, 2, 44100, 64, false},
    };
    for (const auto& c : cases) {
        Bytes chunks;
        PutChunk(chunks, "fmt ", Fmt(c.tag, c.channels, c.rate, c.bits));
        PutChunk(chunks, "data", Bytes(static_cast<size_t>(c.channels) * c.bits / 8 * 4, 0x80));
        PcmSound s;
        EXPECT_EQ(Parse(Riff(chunks), s), c.accepted)
            << "tag " << c.tag << ", " << c.channels << " channels, " << c.rate << " Hz, " << c.bits
            << " bits";
        EXPECT_EQ(s.samples.size(), c.accepted ? 4u * c.channels : 0u);
    }
}

TEST(WavFile, ChunksInAnyOrderWithOddPadding) {
    Bytes chunks;
    PutChunk(chunks, "LIST", Bytes{'a', 'b', 'c'});  // odd: one pad byte follows
    PutChunk(chunks, "data", Samples16({7, 8}));
    PutChunk(chunks, "junk", Bytes{1});
    PutChunk(chunks, "fmt ", Fmt(1, 1, 8000, 16));
    PcmSound s;
    ASSERT_TRUE(Parse(Riff(chunks), s));
    EXPECT_EQ(s.rate, 8000);
    EXPECT_EQ(s.samples, (std::vector<int16_t>{7, 8}));
}

TEST(WavFile, ExtensibleWithPcmSubformat) {
    Bytes fmt = Fmt(0xFFFE, 2, 44100, 16);
    Put16(fmt, 22);  // cbSize
    Put16(fmt, 16);  // valid bits
    Put32(fmt, 3);   // front left and right
    Put16(fmt, 1);   // subformat: PCM
    Put16(fmt, 0);
    fmt.insert(fmt.end(), {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71});
    Bytes chunks;
    PutChunk(chunks, "fmt ", fmt);
    PutChunk(chunks, "data", Samples16({-5, 5}));
    PcmSound s;
    ASSERT_TRUE(Parse(Riff(chunks), s));
    EXPECT_EQ(s.samples, (std::vector<int16_t>{-5, 5}));

    // A subformat GUID that is not one of the standard audio codes is refused.
    Bytes other = chunks;
    other[8 + 30] ^= 0xFF;
    EXPECT_FALSE(Parse(Riff(other), s));
}

TEST(WavFile, DataLongerThanTheFileYieldsTheWholeFramesThere) {
    Bytes chunks;
    PutChunk(chunks, "fmt ", Fmt(1, 2, 44100, 16));
    Bytes data = Samples16({1, 2, 3, 4});
    data.push_back(9);  // half of a sample: the file was cut here
    PutChunk(chunks, "data", data, 1000000);
    chunks.pop_back();  // no pad byte either
    PcmSound s;
    ASSERT_TRUE(Parse(Riff(chunks), s));
    EXPECT_EQ(s.samples, (std::vector<int16_t>{1, 2, 3, 4}));

    // A size field near 4 GiB must not wrap any offset.
    Bytes huge;
    PutChunk(huge, "fmt ", Fmt(1, 1, 44100, 16));
    PutChunk(huge, "data", Samples16({3}), 0xFFFFFFFFu);
    ASSERT_TRUE(Parse(Riff(huge), s));
    EXPECT_EQ(s.samples, (std::vector<int16_t>{3}));
}

TEST(WavFile, BrokenFilesAreRefused) {
    PcmSound s;
    Bytes data;
    PutChunk(data, "data", Samples16({1}));
    EXPECT_FALSE(Parse(Riff(data), s)) << "no fmt chunk";

    Bytes noData;
    PutChunk(noData, "fmt ", Fmt(1, 1, 44100, 16));
    EXPECT_FALSE(Parse(Riff(noData), s)) << "no data chunk";

    auto with = [](const Bytes& fmt) {
        Bytes chunks;
        PutChunk(chunks, "fmt ", fmt);
        PutChunk(chunks, "data", Samples16({1, 2, 3, 4}));
        return Riff(chunks);
    };
    EXPECT_FALSE(Parse(with(Fmt(1, 0, 44100, 16)), s)) << "zero channels";
    EXPECT_FALSE(Parse(with(Fmt(1, 1, 0, 16)), s)) << "zero rate";
    EXPECT_FALSE(Parse(with(Fmt(1, 1, 44100, 12)), s)) << "12-bit samples";
    EXPECT_FALSE(Parse(with(Fmt(2, 1, 44100, 4)), s)) << "ADPCM";
    Bytes shortFmt = Fmt(1, 1, 44100, 16);
    shortFmt.resize(14);
    EXPECT_FALSE(Parse(with(shortFmt), s)) << "fmt cut short";

    Bytes notWave = with(Fmt(1, 1, 44100, 16));
    notWave[8] = 'X';
    EXPECT_FALSE(Parse(notWave, s));
    EXPECT_TRUE(s.samples.empty());
    EXPECT_FALSE(ParseWav(notWave.data(), 11, s));
    EXPECT_FALSE(ParseWav(nullptr, 0, s));
}

TEST(WavFile, EveryTruncationOfAFileIsSafe) {
    Bytes chunks;
    PutChunk(chunks, "fmt ", Fmt(1, 2, 44100, 16));
    PutChunk(chunks, "data", Samples16({1, 2, 3, 4, 5, 6}));
    Bytes file = Riff(chunks);
    for (size_t n = 0; n <= file.size(); ++n) {
        // Each prefix lives in a buffer of its own size so that a read past it is caught.
        std::vector<uint8_t> prefix(file.begin(), file.begin() + static_cast<ptrdiff_t>(n));
        PcmSound s;
        bool ok = ParseWav(prefix.data(), prefix.size(), s);
        size_t dataStart = 12 + 8 + 16 + 8;
        EXPECT_EQ(ok, n >= dataStart) << n;
        if (ok) {
            EXPECT_EQ(s.samples.size(), (n - dataStart) / 4 * 2) << n;
        }
    }
}

TEST(WavFile, ReadWavFromDisk) {
    Bytes chunks;
    PutChunk(chunks, "fmt ", Fmt(1, 1, 22050, 16));
    PutChunk(chunks, "data", Samples16({100, 200}));
    Bytes file = Riff(chunks);
    textreel::testing::TempTitle title;
    std::string path = title.Path() + "/wav_file_test.wav";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
    PcmSound s;
    ASSERT_TRUE(ReadWav(path, s));
    EXPECT_EQ(s.samples, (std::vector<int16_t>{100, 200}));
    std::remove(path.c_str());
    EXPECT_FALSE(ReadWav(path, s));
}

TEST(WavFile, DemoInterfaceSoundsDecode) {
    for (const char* name : {"click.wav", "move.wav", "logo.wav"}) {
        PcmSound s;
        ASSERT_TRUE(ReadWav(std::string(TEXTREEL_TEST_DATA) + "/../demo/sound/" + name, s)) << name;
        EXPECT_EQ(s.rate, 44100) << name;
        EXPECT_GT(s.samples.size(), 1000u) << name;
    }
}

}  // namespace
}  // namespace textreel
