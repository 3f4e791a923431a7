// The sound commands: music from Ogg files (OGGPlay, onestopbgm) or ripped CD tracks (cdda), wave
// music (BGMWave), effects (wave) and voices (talk). They run on the script thread: they set the
// streamers' names and modes and ask the main thread to start or stop the players. OGGPlay posts
// its request and goes on at once; the others send theirs and wait until it has been handled.
// A line without an argument does nothing.
#include <cstring>
#include <string>

#include "script/byte_text.h"
#include "script/commands.h"
#include "shell/engine.h"
#include "sound/sound.h"

namespace textreel {

namespace {

constexpr size_t kNameMax = 259;  // a file name field holds 260 bytes with its terminating zero

// The argument after the first blank, or nullptr when the line has no blank or nothing after it.
const char* Argument(const char* line) {
    const char* blank = std::strchr(line, ' ');
    if (blank == nullptr || blank[1] == '\0') {
        return nullptr;
    }
    return blank + 1;
}

// The name as the commands compare it: the title's folder and the relative path, or nothing.
std::string FullName(const Engine& e, const std::string& relative) {
    return relative.empty() ? std::string() : e.workDir + relative;
}

std::string Clip(const char* arg) {
    std::string name(arg);
    if (name.size() > kNameMax) {
        name.resize(kNameMax);
    }
    return name;
}

// Steps 1 to 3 shared by OGGPlay and onestopbgm. Returns false when the line does nothing.
bool SetMusic(Engine& e, const char* arg, int playOnce, std::string& full) {
    if (e.instance.cdMusic || arg == nullptr) {
        return false;
    }
    OggStreamer& music = *e.sound.music.streamer;
    // The same music set again: it already plays.
    if (FullName(e, music.FileName()).find(arg) != std::string::npos) {
        return false;
    }
    std::string name = Clip(arg);
    music.SetFileName(name);
    music.playOnce = playOnce;
    music.fadeRate = OggStreamer::kNoFade;
    full = e.workDir + name;
    return true;
}

}  // namespace

void CmdOGGPlay(Engine& e, const char* line, int) {
    const char* arg = Argument(line);
    std::string full;
    if (!SetMusic(e, arg, 0, full)) {
        return;
    }
    OggStreamer& music = *e.sound.music.streamer;
    if (full.find("FADEOUT") != std::string::npos) {
        // The music that plays fades and ends at the end of its file; the name is cleared so that
        // the same music can be started afresh later.
        const char* blank = std::strchr(line, ' ');
        int32_t rate = std::strlen(blank) > 9 ? ReadDecimal(blank + 9) : 0;
        music.playOnce = 1;
        music.fadeRate = rate;
        music.SetFileName("");
        e.trace.Event("fade", {{"rate", int64_t{rate}}});
        if (rate <= 0) {
            // A fade without a speed has nothing to divide by: the music stops at once.
            e.Post([&e] { e.BgmStopRequest(); });
        }
        return;
    }
    if (full.find("STOP") != std::string::npos) {
        music.SetFileName("");
        e.Post([&e] { e.BgmStopRequest(); });
        return;
    }
    e.Post([&e] { e.BgmRestartRequest(); });
}

void CmdOnestopbgm(Engine& e, const char* line, int) {
    std::string full;
    if (!SetMusic(e, Argument(line), 1, full)) {
        return;
    }
    if (full.find("STOP") != std::string::npos) {
        e.sound.music.streamer->SetFileName("");
        e.Send([&e] { e.BgmStopRequest(); });
        return;
    }
    e.Send([&e] { e.BgmRestartRequest(); });
}

void CmdBGMWave(Engine& e, const char* line, int) {
    const char* arg = Argument(line);
    if (e.instance.cdMusic || arg == nullptr) {
        return;
    }
    OggStreamer& wave = *e.sound.waveMusic.streamer;
    if (FullName(e, wave.FileName()).find(arg) != std::string::npos) {
        return;
    }
    std::string name = Clip(arg);
    if ((e.workDir + name).find("STOP") != std::string::npos) {
        wave.SetFileName("");
        e.Send([&e] { StopWaveMusic(e); });
        return;
    }
    wave.SetFileName(name);
    e.Send([&e] { StartWaveMusic(e); });
}

void CmdCdda(Engine& e, const char* line, int) {
    const char* arg = Argument(line);
    if (e.sound.cdFound == 0 || !e.instance.cdMusic || arg == nullptr) {
        return;
    }
    if (std::strstr(line, "STOP") != nullptr) {
        e.sound.cdTrack = 0;
        e.Send([&e] { StopCd(e); });
        e.flags.SetText(FlagBlock::kBgmName, FlagBlock::kNameSize, "");
        return;
    }
    if (e.LoadInProgress != 0) {
        return;
    }
    int32_t track = ReadDecimal(arg);
    if (track != e.sound.cdTrack) {
        e.sound.cdTrack = track;
        e.Send([&e, track] { PlayCdTrack(e, track); });
    }
    e.flags.SetText(FlagBlock::kBgmName, FlagBlock::kNameSize, Clip(arg));
}

void CmdWave(Engine& e, const char* line, int) {
    const char* arg = Argument(line);
    // Skip mode hurries past the scene and a load's replay only rebuilds it: neither plays effects.
    if (arg == nullptr || e.LoadInProgress != 0 || e.AdvanceMode == 1) {
        return;
    }
    PlayEffect(e, Clip(arg));
}

void CmdTalk(Engine& e, const char* line, int) {
    const char* arg = Argument(line);
    if (arg == nullptr) {
        return;
    }
    if (std::strstr(line, "purge") != nullptr) {
        e.Send([&e] { e.VoiceStopRequest(); });
        return;
    }
    if (e.LoadInProgress != 0 || e.env.SeVolumeInUse() == 0 || e.AdvanceMode == 1) {
        return;
    }
    e.sound.voice.streamer->SetFileName(Clip(arg));
    // A new line cuts off the voice still speaking and is heard itself.
    e.Send([&e] {
        if (e.VoicePlaying != 0) {
            e.VoiceStopRequest();
        }
        e.VoicePlayRequest();
    });
}

}  // namespace textreel
