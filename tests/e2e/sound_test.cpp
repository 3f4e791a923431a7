// Music, voices, effects and CD tracks as a player hears them: the runs record their sound with
// --audio-out, and the tests look at its loudness around the trace's events.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "support/e2e_run.h"
#include "support/ogg_maker.h"
#include "support/recording.h"

namespace textreel::testing {
namespace {

const std::string kTitles = TEXTREEL_TEST_DATA "/e2e/titles/";
constexpr int kRate = 44100;

std::vector<uint8_t> Wav(const std::vector<int16_t>& mono) {
    std::vector<uint8_t> b(44 + mono.size() * 2);
    auto put32 = [&](size_t p, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[p + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    };
    std::memcpy(b.data(), "RIFF", 4);
    put32(4, static_cast<uint32_t>(b.size() - 8));
    std::memcpy(b.data() + 8, "WAVEfmt ", 8);
    put32(16, 16);
    put32(20, 1 | (1 << 16));
    put32(24, kRate);
    put32(28, kRate * 2);
    put32(32, 2 | (16 << 16));
    std::memcpy(b.data() + 36, "data", 4);
    put32(40, static_cast<uint32_t>(mono.size() * 2));
    std::memcpy(b.data() + 44, mono.data(), mono.size() * 2);
    return b;
}

std::vector<const TraceEvent*> Sound(const RunResult& r) {
    std::vector<const TraceEvent*> out;
    for (const TraceEvent& e : r.trace) {
        const std::string& n = e.Name();
        if (n == "music-start" || n == "music-stop" || n == "voice-start" || n == "voice-stop" ||
            n == "effect" || n == "fade" || n == "cd-track") {
            out.push_back(&e);
        }
    }
    return out;
}

std::string Describe(const std::vector<const TraceEvent*>& events) {
    std::string s;
    for (const TraceEvent* e : events) {
        s += e->Name();
        for (const char* key : {"path", "loop", "rate", "n", "file"}) {
            if (e->fields.count(key) != 0) {
                s += std::string(" ") + e->Get(key);
            }
        }
        s += "; ";
    }
    return s;
}

TEST(Sound, MusicLoopsUntilStopRestartsAfterItAndAFadeEndsInSilence) {
    E2eRun run(kTitles + "sound", Time::kReal);
    WriteFile(run.Title() + "/bgm/loop.ogg", EncodeOgg(Tone(kRate, 2, kRate / 2, 440, 12000), kRate, 2));
    const std::string wav = run.File("out.wav");
    RunResult r = run.Run(
        "wait\nsleep 800\nclick 10 10\nwait\nsleep 800\nclick 10 10\nwait\nsleep 800\nclick 10 10\nwait\n"
        "sleep 800\nclick 10 10\nwait\nsleep 3000\nclose\n",
        60000, {"--audio-out", wav});
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_EQ(r.exitCode, 0);
    std::vector<const TraceEvent*> events = Sound(r);
    // The same line twice does nothing; after STOP it starts the music again; the fade ends it.
    ASSERT_EQ(
        Describe(events),
        "music-start bgm\\loop.ogg true; music-stop bgm\\loop.ogg true; music-start bgm\\loop.ogg true; "
        "fade 10; music-stop bgm\\loop.ogg true; ")
        << r.stderrText;
    Recording rec = ReadRecording(wav);
    const int64_t start1 = events[0]->Ms(), stop1 = events[1]->Ms(), start2 = events[2]->Ms(),
                  fadeEnd = events[4]->Ms();
    auto loud = [&](size_t a, size_t b) { return rec.Rms(a, b) > 2000; };
    auto silent = [&](size_t a, size_t b) { return rec.Rms(a, b) < 30; };
    // The music sounds while it plays (a half-second file, looped seamlessly)... The margins allow
    // for an audio thread that runs late on a busy machine and then catches up.
    EXPECT_GE(rec.Share(start1 + 300, stop1 - 300, loud), 0.75);
    EXPECT_GE(rec.Share(start2 + 300, events[3]->Ms() - 300, loud), 0.75);
    // ...and not after STOP, nor after the fade.
    EXPECT_GE(rec.Share(stop1 + 500, start2, silent), 0.75);
    EXPECT_GE(rec.Share(fadeEnd + 500, rec.LengthMs() - 50, silent), 0.9);
    EXPECT_GT(rec.LengthMs(), fadeEnd + 1000);
}

// A fade steps once per chunk of decoded sound; WAV music is read in chunks of the size Ogg music
// decodes in, so "FADEOUT 100" takes as long on a WAV as on an Ogg of the same length and rate:
//   $OGGPlay bgm\a.ogg / ogg / $C / $OGGPlay FADEOUT 100 / ... / $OGGPlay bgm\a.wav / ... FADEOUT 100
TEST(Sound, WavMusicFadesAtThePaceOggMusicDoes) {
    E2eRun run(kTitles + "sound");
    const std::vector<int16_t> tone = Tone(kRate, 1, 10 * kRate, 440, 12000);
    WriteFile(run.Title() + "/bgm/a.ogg", EncodeOgg(tone, kRate, 1));
    WriteFile(run.Title() + "/bgm/a.wav", Wav(tone));
    std::ofstream(run.Title() + "/scenario.txt", std::ios::binary)
        << "$OGGPlay bgm\\a.ogg\r\nogg\r\n$C\r\n$OGGPlay FADEOUT 100\r\nogg fades\r\n$C\r\n"
           "$OGGPlay bgm\\a.wav\r\nwav\r\n$C\r\n$OGGPlay FADEOUT 100\r\nwav fades\r\n$C\r\n$S\r\n";
    const std::string wav = run.File("out.wav");
    // Each fade gets four seconds of recording; the Ogg's takes about 2.3.
    RunResult r = run.Run(
        "wait\nsleep 1000\nclick 10 10\nwait\nsleep 4000\nclick 10 10\n"
        "wait\nsleep 1000\nclick 10 10\nwait\nsleep 4000\nclose\n",
        60000, {"--audio-out", wav});
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    std::vector<const TraceEvent*> events = Sound(r);
    ASSERT_EQ(Describe(events),
              "music-start bgm\\a.ogg true; fade 100; music-stop bgm\\a.ogg true; "
              "music-start bgm\\a.wav true; fade 100; music-stop bgm\\a.wav true; ")
        << r.stderrText;
    Recording rec = ReadRecording(wav);
    // How long after its fade event the music falls below 2 % of its level before the fade.
    auto fadeMs = [&rec](int64_t fade) -> int64_t {
        const double before = rec.Rms(rec.At(fade - 600), rec.At(fade - 100));
        EXPECT_GT(before, 3000);
        for (int64_t ms = fade; ms + 50 <= fade + 4000; ms += 10) {
            if (rec.Rms(rec.At(ms), rec.At(ms + 50)) < 0.02 * before) {
                return ms - fade;
            }
        }
        return 4000;
    };
    const int64_t ogg = fadeMs(events[1]->Ms());
    const int64_t wavFade = fadeMs(events[4]->Ms());
    EXPECT_GT(ogg, 1000);
    EXPECT_LT(ogg, 3500);
    EXPECT_LE(std::abs(wavFade - ogg), ogg / 10) << "Ogg " << ogg << " ms, WAV " << wavFade << " ms";
}

TEST(Sound, ANewVoiceCutsOffTheOneSpeakingAndAnEffectPlaysAtOnce) {
    E2eRun run(kTitles + "voice", Time::kReal);
    WriteFile(run.Title() + "/voice/a.ogg", EncodeOgg(Tone(kRate, 1, kRate * 6, 440, 10000), kRate, 1));
    WriteFile(run.Title() + "/voice/b.ogg", EncodeOgg(Tone(kRate, 1, kRate, 1320, 10000), kRate, 1));
    WriteFile(run.Title() + "/se/ding.wav", Wav(Tone(kRate, 1, kRate / 5, 2000, 10000)));
    const std::string wav = run.File("out.wav");
    RunResult r = run.Run("wait\nsleep 2500\nclose\n", 60000, {"--audio-out", wav});
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    std::vector<const TraceEvent*> events = Sound(r);
    // b is a second long and plays out by itself.
    ASSERT_EQ(
        Describe(events),
        "effect se\\ding.wav; voice-start voice\\a.ogg; voice-stop voice\\a.ogg; voice-start voice\\b.ogg; "
        "voice-stop voice\\b.ogg; ")
        << r.stderrText;
    Recording rec = ReadRecording(wav);
    const int64_t bStart = events[3]->Ms();
    const int64_t bEnd = events[4]->Ms();
    auto hasA = [&](size_t a, size_t b) { return rec.Tone(a, b, 440) > 1500; };
    auto hasB = [&](size_t a, size_t b) { return rec.Tone(a, b, 1320) > 1500; };
    auto hasDing = [&](size_t a, size_t b) { return rec.Tone(a, b, 2000) > 1500; };
    // Sound is mixed no earlier than it happens, so what has stopped never shows up later in the
    // recording; what starts may show up a little early when the audio thread runs late.
    EXPECT_GT(rec.Share(events[0]->Ms() - 500, events[0]->Ms() + 300, hasDing), 0.0);
    EXPECT_EQ(rec.Share(bStart + 150, rec.LengthMs() - 50, hasA), 0.0);
    EXPECT_GE(rec.Share(bStart + 150, bStart + 700, hasB), 0.5);
    EXPECT_EQ(rec.Share(bEnd + 300, rec.LengthMs() - 50, hasB), 0.0);
}

TEST(Sound, CdMusicPlaysRippedTracksAndIgnoresTheOggCommands) {
    E2eRun run(kTitles + "cd-music", Time::kReal);
    WriteFile(run.Title() + "/CD/Track02.ogg", EncodeOgg(Tone(kRate, 2, kRate / 2, 440, 12000), kRate, 2));
    WriteFile(run.Title() + "/bgm/loop.ogg", EncodeOgg(Tone(kRate, 2, kRate / 2, 440, 12000), kRate, 2));
    RunResult r = run.Run("wait\nclick 10 10\nwait\nclick 10 10\nwait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    EXPECT_TRUE(r.Events("message").empty()) << r.stderrText;
    // "cdda 2" a second time does nothing; track 5 has no ripped copy and silences track 2; STOP
    // finds nothing playing; OGGPlay is ignored on a CD title.
    EXPECT_EQ(Describe(Sound(r)),
              "cd-track 2 cd\\track02.ogg; music-start cd\\track02.ogg true; cd-track 5 none; "
              "music-stop cd\\track02.ogg true; ");
}

TEST(Sound, TheRecordingIsAWholeWavFileEvenWhenTheProgramIsKilled) {
    E2eRun run(kTitles + "sound", Time::kReal);
    WriteFile(run.Title() + "/bgm/loop.ogg", EncodeOgg(Tone(kRate, 2, kRate / 2, 440, 12000), kRate, 2));
    const std::string wav = run.File("killed.wav");
    run.Start("wait\nsleep 600000\n", "trace.jsonl", {"--audio-out", wav});
    // Wait for a second of sound on disk, then kill the program without warning.
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 6000 && bytes.size() < 44 + kRate * 4; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        bytes.clear();
        if (std::FILE* f = std::fopen(wav.c_str(), "rb")) {
            uint8_t chunk[65536];
            size_t n;
            while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
                bytes.insert(bytes.end(), chunk, chunk + n);
            }
            std::fclose(f);
        }
    }
    RunResult r = run.Finish(1);
    EXPECT_TRUE(r.timedOut);
    std::vector<uint8_t> b;
    std::FILE* f = std::fopen(wav.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        b.insert(b.end(), chunk, chunk + n);
    }
    std::fclose(f);
    ASSERT_GE(b.size(), 44u + kRate * 4);
    auto le32 = [&](size_t p) {
        return b[p] | (b[p + 1] << 8) | (b[p + 2] << 16) | (static_cast<uint32_t>(b[p + 3]) << 24);
    };
    // The header describes whole frames of what was written (the last write may have been cut
    // short by the kill, between its data and its header).
    const uint32_t data = le32(40);
    EXPECT_EQ(le32(4), data + 36);
    EXPECT_EQ(data % 4, 0u);
    EXPECT_LE(data, b.size() - 44);
    EXPECT_GE(data, static_cast<uint32_t>(kRate * 4 / 2));
}

TEST(Sound, ACdTitleWithoutItsCdSaysSoAndIgnoresCdda) {
    E2eRun run(kTitles + "cd-none", Time::kReal);
    RunResult r = run.Run("wait\nclose\n");
    ASSERT_FALSE(r.timedOut) << r.stderrText;
    ASSERT_EQ(r.Events("message").size(), 1u);
    EXPECT_EQ(r.Events("message")[0].Get("text"), "オーディオトラックが見つかりません");
    EXPECT_EQ(r.Events("message")[0].Get("caption"), "確認");
    EXPECT_TRUE(Sound(r).empty());
    EXPECT_EQ(r.TextLines(), std::vector<std::string>{"one"});
}

}  // namespace
}  // namespace textreel::testing
