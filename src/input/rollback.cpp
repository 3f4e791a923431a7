#include "input/rollback.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "graphics/screen.h"
#include "input/quick_save.h"
#include "shell/engine.h"
#include "sound/ogg_streamer.h"
#include "sound/sound.h"

namespace textreel {

namespace {

// The screen is the window layer with the page's text on it, so its difference from the layer is
// mostly zero bytes and deflates to a few kilobytes. Level 1: the script thread packs it at
// every wait.
KeptPicture Pack(const Surface& picture, const Surface& base) {
    KeptPicture kept;
    kept.width = picture.Width();
    kept.height = picture.Height();
    const size_t size = picture.ByteSize();
    if (size == 0 || base.ByteSize() != size || picture.SharesPixelsWith(base)) {
        kept.shared = picture;
        return kept;
    }
    std::vector<uint8_t> difference(size);
    const uint8_t* a = picture.ReadPixels();
    const uint8_t* b = base.ReadPixels();
    for (size_t i = 0; i < size; ++i) {
        difference[i] = static_cast<uint8_t>(a[i] ^ b[i]);
    }
    uLongf packedSize = compressBound(static_cast<uLong>(size));
    kept.packed.resize(packedSize);
    if (compress2(kept.packed.data(), &packedSize, difference.data(), static_cast<uLong>(size), 1) != Z_OK) {
        kept.packed.clear();
        kept.shared = picture;
        return kept;
    }
    kept.packed.resize(packedSize);
    kept.packed.shrink_to_fit();
    return kept;
}

// The picture Pack kept, against the same base; false when its bytes do not unpack to it.
bool Unpack(const KeptPicture& kept, const Surface& base, Surface& out) {
    if (kept.packed.empty()) {
        out = kept.shared;
        return true;
    }
    Surface picture(kept.width, kept.height);
    const size_t size = picture.ByteSize();
    if (base.ByteSize() != size) {
        return false;
    }
    uint8_t* p = picture.Pixels();
    uLongf unpackedSize = static_cast<uLongf>(size);
    if (uncompress(p, &unpackedSize, kept.packed.data(), static_cast<uLong>(kept.packed.size())) != Z_OK ||
        unpackedSize != size) {
        return false;
    }
    const uint8_t* b = base.ReadPixels();
    for (size_t i = 0; i < size; ++i) {
        p[i] ^= b[i];
    }
    out = std::move(picture);
    return true;
}

// A picture for a record: the same pixels as one the newest record or this one already keeps
// (a picture loaded again, the same page in two surfaces) share that one, so that a record costs
// only the pictures that changed since the wait before.
Surface KeepPicture(const Surface& live, const std::vector<const Surface*>& kept) {
    for (const Surface* k : kept) {
        if (live.SharesPixelsWith(*k)) {
            return *k;
        }
    }
    for (const Surface* k : kept) {
        if (k->Width() == live.Width() && k->Height() == live.Height() && k->ByteSize() == live.ByteSize() &&
            live.ByteSize() > 0 && std::memcmp(k->ReadPixels(), live.ReadPixels(), live.ByteSize()) == 0) {
            return *k;
        }
    }
    return live;
}

KeptStream Keep(const StreamSlot& slot) {
    return KeptStream{slot.streamer->FileName(), slot.streamer->Playing(), slot.streamer->playOnce.load()};
}

// The little of the engine a rollback reads and changes, in one place.
class RollbackRoom {
  public:
    explicit RollbackRoom(Engine& engine) : e(engine) {}

    // The engine's state at this wait (script thread, before it suspends itself).
    RollbackRecord Take(uint32_t linePosition, int32_t waitCode, const char* menuKind) {
        RollbackRecord r;
        r.block = e.flags;
        r.block.SetU32(FlagBlock::kSavedPosition, e.scenario.ReadPos);
        r.block.SetText(FlagBlock::kBgmName, FlagBlock::kNameSize, e.sound.music.streamer->FileName());
        r.backlogNext = e.backlog.Next();
        r.linePosition = linePosition;
        r.waitCode = waitCode;
        if (menuKind != nullptr) {
            r.menuKind = menuKind;
        }
        r.menu = e.menu.Get();

        GraphicsState& g = e.graphics;
        RollbackRecord newest;
        std::vector<const Surface*> kept;
        if (e.rollback.Newest(newest)) {
            kept = {&newest.back, &newest.windowLayer, &newest.cleanBackground, &newest.work};
        }
        {
            std::lock_guard lock(g.ScreenLock);
            for (auto [live, keep] :
                 {std::pair{&g.BackSurface, &r.back}, std::pair{&g.WindowLayer, &r.windowLayer},
                  std::pair{&g.CleanBackground, &r.cleanBackground}, std::pair{&g.WorkPixels, &r.work}}) {
                *keep = KeepPicture(*live, kept);
                kept.push_back(keep);
            }
            r.buttonStrip = g.ButtonStrip;
            r.waitIconSurface = g.WaitIconSurface;
            r.buttonParts = g.buttonParts;
            r.waitIcon = g.waitIcon;
            r.screen = Pack(g.ScreenSurface, r.windowLayer);
        }
        r.brightness = g.brightness;
        r.spriteAlpha = g.spriteAlpha;
        r.alphaDepth = g.alphaDepth;
        r.effectNumber = g.effectNumber;
        r.maskName = g.maskName;

        TextState& t = e.text;
        r.textOrigin[0] = t.TextOrigin.x;
        r.textOrigin[1] = t.TextOrigin.y;
        r.textCursor[0] = t.TextCursor.x;
        r.textCursor[1] = t.TextCursor.y;
        r.lineEndCursor[0] = t.LineEndCursor.x;
        r.lineEndCursor[1] = t.LineEndCursor.y;
        r.area[0] = t.areaLeft;
        r.area[1] = t.areaTop;
        r.area[2] = t.areaRight;
        r.area[3] = t.areaBottom;
        r.wrapLimit = t.wrapLimit;
        r.pageLimit = t.pageLimit;
        r.fontSize = t.fontSize;
        r.fontColor = t.fontColor;

        r.messageDrawn = e.MessageDrawn;
        r.messageVisible = e.MessageVisible;
        r.newPagePending = e.NewPagePending;
        r.messageWindowOpen = e.MessageWindowOpen;
        r.syncStart = e.SyncStart;

        // The sound commands of the page ask the main thread to start and stop the streamers; what
        // plays at the wait is read there, after every request the page made.
        e.Send([this, &r] {
            r.music = Keep(e.sound.music);
            r.voice = Keep(e.sound.voice);
            r.voice.playing = r.voice.playing && e.VoicePlaying != 0;
            r.waveMusic = Keep(e.sound.waveMusic);
            r.cdTrack = e.sound.cdTrack;
            r.cdPlaying = e.sound.cd.streamer != nullptr && e.sound.cd.streamer->Playing();
        });
        return r;
    }

    // Main thread, once the script thread waits at the record's wait again: every setting, picture
    // and flag as the record holds them.
    void Restore(const RollbackRecord& r) {
        e.flags = r.block;
        e.backlog.Rewind(r.backlogNext);
        e.menu.Set(r.menu);

        GraphicsState& g = e.graphics;
        {
            std::lock_guard lock(g.ScreenLock);
            g.BackSurface = r.back;
            g.WindowLayer = r.windowLayer;
            g.CleanBackground = r.cleanBackground;
            g.ButtonStrip = r.buttonStrip;
            g.WaitIconSurface = r.waitIconSurface;
            g.WorkPixels = r.work;
            g.buttonParts = r.buttonParts;
            g.waitIcon = r.waitIcon;
            if (!Unpack(r.screen, r.windowLayer, g.ScreenSurface)) {
                // Not expected: the record packed it itself. The page without its text is the
                // nearest picture there is.
                g.ScreenSurface = r.windowLayer;
            }
        }
        g.brightness = r.brightness;
        g.spriteAlpha = r.spriteAlpha;
        g.alphaDepth = r.alphaDepth;
        g.effectNumber = r.effectNumber;
        g.maskName = r.maskName;

        TextState& t = e.text;
        t.TextOrigin.Set(r.textOrigin[0], r.textOrigin[1]);
        t.TextCursor.Set(r.textCursor[0], r.textCursor[1]);
        t.LineEndCursor.Set(r.lineEndCursor[0], r.lineEndCursor[1]);
        t.areaLeft = r.area[0];
        t.areaTop = r.area[1];
        t.areaRight = r.area[2];
        t.areaBottom = r.area[3];
        t.wrapLimit = r.wrapLimit;
        t.pageLimit = r.pageLimit;
        t.fontSize = r.fontSize;
        t.fontColor = r.fontColor;

        e.MessageDrawn = r.messageDrawn;
        e.MessageVisible = r.messageVisible;
        e.NewPagePending = r.newPagePending;
        e.MessageWindowOpen = r.messageWindowOpen;
        e.SyncStart = r.syncStart;

        RestoreSound(r);
        Repaint(e);
    }

    // The scenario line (counted from 1) that holds position p.
    int64_t LineNumber(uint32_t p) {
        const uint8_t* text = e.scenario.Bytes();
        uint32_t end = std::min(p, e.scenario.Size());
        return 1 + std::count(text, text + end, static_cast<uint8_t>('\n'));
    }

    void TraceStep(int steps, uint32_t position) {
        if (e.trace.Enabled()) {
            e.trace.Event("rollback", {{"steps", int64_t{steps}}, {"line", LineNumber(position)}});
        }
    }

    Engine& e;

  private:
    // A streamer that plays what the record kept plays on; one that plays something else, or
    // nothing, starts the kept file again from its beginning; one that played nothing is stopped.
    // Returns whether it must start.
    static bool MustStart(StreamSlot& slot, const KeptStream& kept) {
        OggStreamer& s = *slot.streamer;
        if (kept.playing && s.Playing() && s.FileName() == kept.name) {
            return false;
        }
        s.SetFileName(kept.name);
        s.playOnce = kept.playOnce;
        s.fadeRate = OggStreamer::kNoFade;
        return kept.playing;
    }

    void RestoreSound(const RollbackRecord& r) {
        SoundState& s = e.sound;
        const bool musicPlays = s.music.streamer->Playing();
        if (MustStart(s.music, r.music)) {
            StartMusic(e);
        } else if (!r.music.playing && musicPlays) {
            StopMusic(e);
        }
        const bool wavePlays = s.waveMusic.streamer->Playing();
        if (MustStart(s.waveMusic, r.waveMusic)) {
            StartWaveMusic(e);
        } else if (!r.waveMusic.playing && wavePlays) {
            StopWaveMusic(e);
        }
        const bool voicePlays = e.VoicePlaying != 0;
        if (MustStart(s.voice, r.voice)) {
            e.VoicePlayRequest();
        } else if (!r.voice.playing && voicePlays) {
            e.VoiceStopRequest();
        }
        const bool cdPlays = s.cd.streamer != nullptr && s.cd.streamer->Playing();
        if (r.cdPlaying && !(cdPlays && s.cdTrack == r.cdTrack)) {
            PlayCdTrack(e, r.cdTrack);
        } else if (!r.cdPlaying && cdPlays) {
            StopCd(e);
        }
        s.cdTrack = r.cdTrack;
    }
};

}  // namespace

void RecordWait(Engine& e, uint32_t linePosition, int32_t waitCode, const char* menuKind) {
    // The explorer never steps back, and a snapshot at every wait would cost it most of its time.
    if (e.QuietReplay != 0 || e.RollbackArrival != 0 || e.Driven()) {
        return;
    }
    e.rollback.Push(RollbackRoom(e).Take(linePosition, waitCode, menuKind));
}

bool TakeRollbackArrival(Engine& e, RollbackRecord& target) {
    if (e.RollbackArrival == 0) {
        return false;
    }
    const bool found = e.rollback.Newest(target);
    e.RollbackArrival = 0;
    return found;
}

bool RollbackAllowed(Engine& e) {
    // The same moments as the quick save's keys: the story waits for a click or a choice, and no
    // movie, screen, backlog view, dialog, menu, skip mode or load is in the way.
    return QuickKeysAllowed(e);
}

void Rollback(Engine& e) {
    if (!RollbackAllowed(e)) {
        return;
    }
    RollbackRecord target;
    if (!e.rollback.StepBack(e.scenario.ReadPos, target)) {
        return;
    }
    RollbackRoom room(e);
    room.TraceStep(e.rollback.Steps(), target.linePosition);
    if (e.AdvanceMode == 3) {
        e.EndAutoMode();
    }
    // The script thread leaves what holds it and waits again at the record's wait without running
    // any of its line or menu (see TakeRollbackArrival); then the record's state replaces whatever
    // the way there touched.
    e.LoadInProgress = 1;
    e.WaitIconOn = 0;
    // A menu left behind is no longer up; the menu gone back to puts itself up again.
    e.UiState = 0;
    e.RollbackArrival = 1;
    e.LoadResumePending = 1;
    e.ResumeScript();
    e.ServeRequestsUntil(
        [&e] { return e.ScriptFinished() || (e.RollbackArrival == 0 && e.ScriptWaiting()); });
    if (!e.Quitting() && !e.ScriptFinished()) {
        room.Restore(target);
    }
    e.LoadInProgress = 0;
    e.NotifyStateChange();
}

void ForgetRollback(Engine& e) {
    e.rollback.Clear();
}

}  // namespace textreel
