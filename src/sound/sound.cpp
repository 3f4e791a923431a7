#include "sound/sound.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "platform/cd_probe.h"
#include "platform/files.h"
#include "shell/engine.h"
#include "shell/messages.h"
#include "sound/pcm_source.h"

namespace textreel {

namespace {

// Above this many bytes of decoded samples the cache starts afresh, so sound effects played by
// name cannot pile up without bound. Sounds that play keep their own reference.
constexpr size_t kCacheLimitBytes = 32u << 20;
// An effect is decoded whole; longer ones are cut here (a minute at 44.1 kHz).
constexpr size_t kMaxEffectFrames = 60 * 44100;
constexpr const char* kStreamerCaption = "zovi";

std::shared_ptr<const PcmSound> LoadSound(Engine& e, const std::string& path, bool oggToo) {
    SoundState& state = e.sound;
    std::lock_guard lock(state.cacheMutex);
    std::string key = (oggToo ? "*" : "") + path;
    auto found = state.cache.find(key);
    if (found != state.cache.end()) {
        return found->second;
    }
    std::optional<std::string> real = e.ResolvePath(path);
    auto sound = std::make_shared<PcmSound>();
    if (!real) {
        return nullptr;
    }
    bool ok = DecodeSoundFile(*real, *sound, kMaxEffectFrames,
                              oggToo ? SoundKinds::kOggOrWav : SoundKinds::kWavOnly);
    if (!ok || sound->samples.empty()) {
        return nullptr;
    }
    size_t bytes = sound->samples.size() * sizeof(int16_t);
    if (state.cacheBytes + bytes > kCacheLimitBytes) {
        state.cache.clear();
        state.cacheBytes = 0;
    }
    state.cache.emplace(key, sound);
    state.cacheBytes += bytes;
    return sound;
}

int Volume(int value) {
    return std::clamp(value, 0, 100);
}

// Opens a title-relative file for a streamer; nullptr when it is missing or not playable.
std::unique_ptr<PcmSource> OpenTitleSound(Engine& e, const std::string& path) {
    if (path.empty()) {
        return nullptr;
    }
    std::optional<std::string> real = e.ResolvePath(path);
    if (!real) {
        return nullptr;
    }
    return OpenSoundFile(*real);
}

const char* StopEvent(const StreamSlot& slot, const SoundState& state) {
    return &slot == &state.voice ? "voice-stop" : "music-stop";
}

// Stops a slot's streamer and writes the stop event when something was playing.
void StopSlot(Engine& e, StreamSlot& slot) {
    if (slot.streamer == nullptr) {
        return;
    }
    bool was = slot.streamer->Playing();
    slot.streamer->Stop();
    if (was) {
        if (&slot == &e.sound.voice) {
            e.trace.Event("voice-stop", {{"path", slot.playingPath}});
        } else {
            e.trace.Event(StopEvent(slot, e.sound), {{"path", slot.playingPath}, {"loop", slot.playingLoop}});
        }
    }
    slot.playingPath.clear();
}

// Starts a slot's streamer on path; writes the start event when it plays.
bool StartSlot(Engine& e, StreamSlot& slot, const std::string& path, int volume) {
    StopSlot(e, slot);
    if (slot.streamer == nullptr) {
        return false;
    }
    slot.streamer->volume = Volume(volume);
    if (!slot.streamer->Start(OpenTitleSound(e, path))) {
        if (!path.empty()) {
            e.trace.Note("sound-failed", {{"path", e.Title(path).ToUtf8()}});
        }
        return false;
    }
    slot.playingPath = e.Title(path).ToUtf8();
    slot.playingLoop = slot.streamer->playOnce == 0;
    if (&slot == &e.sound.voice) {
        e.trace.Event("voice-start", {{"path", slot.playingPath}});
    } else {
        e.trace.Event("music-start", {{"path", slot.playingPath}, {"loop", slot.playingLoop}});
    }
    return true;
}

// The end notice of a streamer: posted from the completion thread, handled on the main thread
// only when it belongs to the run that plays now.
void MakeStreamer(Engine& e, StreamSlot& slot, bool voice) {
    OggStreamer::Hooks hooks;
    hooks.playedOut = [&e, &slot, voice](uint64_t generation) {
        e.Post([&e, &slot, voice, generation] {
            if (slot.streamer == nullptr || !slot.streamer->Playing() ||
                slot.streamer->Generation() != generation) {
                return;  // a notice of a run that has been stopped already
            }
            if (&slot == &e.sound.music || &slot == &e.sound.voice) {
                e.StreamPlayedOut(voice);
            } else {
                StopSlot(e, slot);
            }
        });
    };
    hooks.warn = [&e](const char* text) {
        // The streamer's failures come from the completion thread as well; they must not wait
        // there for the player, so the box is shown from the main thread's queue.
        std::string shown = e.Text(text);
        e.Post([&e, shown] { e.MessageBox(shown, kStreamerCaption); });
    };
    slot.streamer = std::make_unique<OggStreamer>(e.platform.Mixer(), std::move(hooks));
}

}  // namespace

void InitSound(Engine& e) {
    MakeStreamer(e, e.sound.music, false);
    MakeStreamer(e, e.sound.voice, true);
    MakeStreamer(e, e.sound.waveMusic, false);
    MakeStreamer(e, e.sound.cd, false);
    // Music follows the music volume, the voice the effect volume, as the player sets them.
    e.sound.music.streamer->liveVolume = &e.env.bgmVolume;
    e.sound.voice.streamer->liveVolume = &e.env.seVolume;
    e.sound.waveMusic.streamer->liveVolume = &e.env.bgmVolume;
    e.sound.cd.streamer->liveVolume = &e.env.bgmVolume;
    e.sound.music.streamer->playOnce = 0;
    e.sound.voice.streamer->playOnce = 1;
    e.sound.waveMusic.streamer->playOnce = 0;
    e.sound.cd.streamer->playOnce = 0;
}

void StopAllSound(Engine& e) {
    for (StreamSlot* slot : {&e.sound.music, &e.sound.voice, &e.sound.waveMusic, &e.sound.cd}) {
        if (slot->streamer != nullptr) {
            slot->streamer->Stop();
        }
    }
    std::shared_ptr<WaveOut> effect;
    {
        std::lock_guard lock(e.sound.effectMutex);
        effect = std::move(e.sound.effect);
    }
    if (effect != nullptr) {
        effect->Close();
    }
    e.platform.Mixer().StopInterfaceSound();
    e.VoicePlaying = 0;
    WakeSoundWaits(e);
}

bool VoiceStreamPlaying(Engine& e) {
    return e.VoicePlaying != 0;
}

void WaitForVoiceEnd(Engine& e) {
    std::unique_lock lock(e.sound.voiceMutex);
    ++e.sound.voiceWaiting;
    e.clock.Poke();
    e.sound.voiceEnded.wait(lock, [&] { return e.VoicePlaying == 0 || e.Quitting(); });
    --e.sound.voiceWaiting;
}

void WakeSoundWaits(Engine& e) {
    { std::lock_guard lock(e.sound.voiceMutex); }
    e.sound.voiceEnded.notify_all();
    e.access->VoiceEnded();
}

void PlayInterfaceSound(Engine& e, const std::string& path) {
    std::shared_ptr<const PcmSound> sound = LoadSound(e, path, false);
    if (sound == nullptr) {
        return;  // no default sound
    }
    e.platform.Mixer().PlayInterfaceSound(std::move(sound));
    e.trace.Event("sound", {{"path", e.Title(path).ToUtf8()}});
}

void StopInterfaceSound(Engine& e) {
    e.platform.Mixer().StopInterfaceSound();
}

void PlayEffect(Engine& e, const std::string& path) {
    const int volume = Volume(e.env.seVolume);
    if (volume == 0) {
        return;
    }
    std::shared_ptr<const PcmSound> sound = LoadSound(e, path, true);
    if (sound == nullptr) {
        e.trace.Note("sound-failed", {{"path", e.Title(path).ToUtf8()}});
        return;
    }
    std::vector<int16_t> samples = sound->samples;
    if (volume < 100) {
        const double gain = volume * 0.01;
        for (int16_t& s : samples) {
            s = static_cast<int16_t>(gain * s);
        }
    }
    std::shared_ptr<WaveOut> out =
        e.platform.Mixer().OpenRecyclingWaveOut(sound->rate, sound->channels, nullptr);
    if (out == nullptr) {
        return;
    }
    out->Queue(std::move(samples), 0);
    std::shared_ptr<WaveOut> previous;
    {
        std::lock_guard lock(e.sound.effectMutex);
        previous = std::move(e.sound.effect);
        e.sound.effect = out;
    }
    if (previous != nullptr) {
        previous->Close();
    }
    e.trace.Event("effect", {{"path", e.Title(path).ToUtf8()}});
}

void StartMusic(Engine& e) {
    StartSlot(e, e.sound.music, e.sound.music.streamer->FileName(), e.env.bgmVolume);
}

void StopMusic(Engine& e) {
    StopSlot(e, e.sound.music);
}

bool StartVoice(Engine& e) {
    return StartSlot(e, e.sound.voice, e.sound.voice.streamer->FileName(), e.env.seVolume);
}

void StopVoice(Engine& e) {
    StopSlot(e, e.sound.voice);
}

void StartWaveMusic(Engine& e) {
    StartSlot(e, e.sound.waveMusic, e.sound.waveMusic.streamer->FileName(), e.env.bgmVolume);
}

void StopWaveMusic(Engine& e) {
    StopSlot(e, e.sound.waveMusic);
}

void PlayCdTrack(Engine& e, int track) {
    std::string file = RippedTrack(track);
    e.trace.Event("cd-track", {{"n", int64_t{track}},
                               {"file", file.empty() ? std::string("none") : e.Title(file).ToUtf8()}});
    if (file.empty()) {
        StopSlot(e, e.sound.cd);
        return;
    }
    StartSlot(e, e.sound.cd, file, e.env.bgmVolume);
}

void StopCd(Engine& e) {
    StopSlot(e, e.sound.cd);
}

std::string RippedTrack(int track) {
    if (track < 1 || track > 99) {
        return "";
    }
    char number[8];
    std::snprintf(number, sizeof number, "%02d", track);
    const std::string name = std::string("track") + number;
    for (const std::string& candidate :
         {"cd\\" + name + ".ogg", name + ".ogg", "cd\\" + name + ".wav", name + ".wav"}) {
        std::optional<std::string> real = files::Resolve(candidate);
        if (real && !files::IsDirectory(*real)) {
            return candidate;
        }
    }
    return "";
}

bool FindAudioCd(Engine& e) {
    bool found = false;
    for (int track = 1; track <= 99 && !found; ++track) {
        found = !RippedTrack(track).empty();
    }
    if (!found) {
        found = ProbeAudioCd();
    }
    if (!found) {
        e.MessageBox(e.Text(msg::kAudioTrackMissing), e.Text(msg::kConfirmCaption));
        return false;
    }
    e.sound.cdFound = 1;
    return true;
}

}  // namespace textreel
