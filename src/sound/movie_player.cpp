#include "sound/movie_player.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "platform/audio_mixer.h"
#include "platform/movie_process.h"
#include "platform/platform.h"

namespace textreel {

namespace {

using Steady = std::chrono::steady_clock;

// Sound is queued in pieces of at least this many frames (46 ms), and this many pieces are kept
// queued: about a third of a second of sound is always ready, enough to ride out a slow picture.
constexpr size_t kSoundPieceFrames = 2048;
constexpr int kSoundPiecesQueued = 7;
// A picture due within this much is shown now rather than after another sleep.
constexpr int64_t kEarlyUs = 2000;
// However late pictures come, one is shown at least this often, so a machine too slow for the
// movie still shows it moving.
constexpr int64_t kMaxUnshownUs = 250000;
// Sound that stands still this long while pieces are queued means the sound device has stopped
// taking samples; the movie then runs by the steady clock from there.
constexpr int64_t kStalledSoundUs = 500000;
// Two pictures further apart than this, or a picture this far past the movie's length, carry a
// damaged time.
constexpr int64_t kMaxGapUs = 60 * 1000000LL;
// The longest single sleep; the clock is looked at again after it.
constexpr int64_t kMaxSleepUs = 250000;

int64_t Micros(Steady::duration d) {
    return std::chrono::duration_cast<std::chrono::microseconds>(d).count();
}

}  // namespace

MoviePlayer::~MoviePlayer() {
    Stop();
}

void MoviePlayer::Open(const std::string& realPath, Platform& platform, int width, int height, Hooks hooks) {
    Stop();
    platform_ = &platform;
    hooks_ = std::move(hooks);
    windowWidth_ = width;
    windowHeight_ = height;
    decoder_ = MovieHelperFor(realPath);
    stats_ = {};
    {
        std::lock_guard lock(mutex_);
        stop_ = false;
        soundNotices_ = 0;
    }
    running_ = true;
    auto opened = [this](StartError kind, const std::string& why) {
        if (hooks_.opened) {
            hooks_.opened(kind, why);
        }
    };
    try {
        thread_ = std::thread([this, opened] {
            std::string why;
            StartError kind = StartError::kOpen;
            if (decoder_->Open(&why)) {
                kind = Prepare(&why);
            }
            {
                std::lock_guard lock(mutex_);
                if (stop_ && kind == StartError::kNone) {
                    kind = StartError::kOpen;
                    why = "stopped while it opened";
                }
            }
            opened(kind, why);
            if (kind == StartError::kNone) {
                Run();
            }
        });
    } catch (const std::system_error&) {
        running_ = false;
        decoder_.reset();
        opened(StartError::kPlay, "no thread to play it on");
    }
}

MoviePlayer::StartError MoviePlayer::Start(std::unique_ptr<MovieSource> decoder, Platform& platform,
                                           int width, int height, Hooks hooks, std::string* error) {
    Stop();
    if (decoder == nullptr) {
        if (error != nullptr) {
            *error = "no movie";
        }
        return StartError::kOpen;
    }
    platform_ = &platform;
    hooks_ = std::move(hooks);
    windowWidth_ = width;
    windowHeight_ = height;
    decoder_ = std::move(decoder);
    stats_ = {};
    {
        std::lock_guard lock(mutex_);
        stop_ = false;
        soundNotices_ = 0;
    }
    const StartError kind = Prepare(error);
    if (kind != StartError::kNone) {
        decoder_.reset();
        return kind;
    }
    running_ = true;
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        running_ = false;
        sound_.reset();
        decoder_.reset();
        if (error != nullptr) {
            *error = "no thread to play it on";
        }
        return StartError::kPlay;
    }
    return StartError::kNone;
}

MoviePlayer::StartError MoviePlayer::Prepare(std::string* error) {
    auto fail = [error](StartError kind, const char* why) {
        if (error != nullptr) {
            *error = why;
        }
        return kind;
    };
    MovieSource& decoder = *decoder_;
    const int width = windowWidth_;
    const int height = windowHeight_;
    info_ = decoder.Info();
    if (width <= 0 || height <= 0) {
        return fail(StartError::kScale, "the window has no size");
    }
    // The picture fills the window as far as its aspect allows, centred; the rest stays black.
    pictureWidth_ = width;
    pictureHeight_ = height;
    if (info_.hasPicture && info_.aspect > 0) {
        double fitWidth = height * info_.aspect;
        if (fitWidth < width - 0.5) {
            pictureWidth_ = std::max(1, static_cast<int>(std::lround(fitWidth)));
        } else {
            pictureHeight_ = std::max(1, static_cast<int>(std::lround(width / info_.aspect)));
        }
    }
    pictureX_ = (width - pictureWidth_) / 2;
    pictureY_ = (height - pictureHeight_) / 2;
    if (info_.hasPicture && !decoder.SetPictureSize(pictureWidth_, pictureHeight_)) {
        return fail(StartError::kScale, "the picture cannot be scaled to the window");
    }
    pictureStride_ = (pictureWidth_ * 3 + 3) & ~3;
    pixels_.assign(static_cast<size_t>(pictureStride_) * pictureHeight_, 0);
    if (info_.hasSound) {
        sound_ =
            platform_->Mixer().OpenWaveOut(MovieSource::kSoundRate, MovieSource::kSoundChannels, [this](int) {
                {
                    std::lock_guard lock(mutex_);
                    ++soundNotices_;
                }
                wake_.notify_all();
            });
        if (sound_ == nullptr) {
            return fail(StartError::kPlay, "the sound cannot be played");
        }
    }
    // The movie's area is black until its first picture (and around it, when the aspects differ).
    std::vector<uint8_t> black(static_cast<size_t>((width * 3 + 3) & ~3) * height, 0);
    platform_->BlitToWindow(PixelView{black.data(), width, height, (width * 3 + 3) & ~3}, 0, 0, width, height,
                            0, 0);
    return StartError::kNone;
}

MoviePlayer::Stats MoviePlayer::Stop() {
    if (thread_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        // A wait for the decoder's next picture or sound, or for its open, ends at once too.
        decoder_->Interrupt();
        thread_.join();
    }
    if (sound_ != nullptr) {
        sound_->Close();
        sound_.reset();
    }
    decoder_.reset();
    running_ = false;
    Stats stats = stats_;
    stats_ = {};
    return stats;
}

// Sleeps until the given time, a finished sound piece or Stop; false on Stop.
bool MoviePlayer::Wait(Steady::time_point until) {
    std::unique_lock lock(mutex_);
    uint64_t seen = soundNotices_;
    wake_.wait_until(lock, until, [&] { return stop_ || soundNotices_ != seen; });
    return !stop_;
}

bool MoviePlayer::ShowPicture() {
    if (!decoder_->ConvertPicture(pixels_.data(), pictureStride_)) {
        ++stats_.dropped;
        return false;
    }
    platform_->BlitToWindow(PixelView{pixels_.data(), pictureWidth_, pictureHeight_, pictureStride_}, 0, 0,
                            pictureWidth_, pictureHeight_, pictureX_, pictureY_);
    ++stats_.frames;
    stats_.anything = true;
    return true;
}

void MoviePlayer::Run() {
    MovieSource& decoder = *decoder_;
    const Steady::time_point started = Steady::now();
    bool pictureEnded = !info_.hasPicture;
    bool soundEnded = !info_.hasSound;
    bool havePicture = false;
    int64_t pictureUs = 0;
    bool showing = false;
    auto announce = [&] {
        if (!showing) {
            showing = true;
            if (hooks_.showing) {
                hooks_.showing();
            }
        }
    };

    // The clock: the sound heard while there is sound, the steady clock otherwise.
    bool soundStarted = false;
    int64_t soundOriginUs = 0;  // the movie time of the first sound sample
    bool steady = !info_.hasSound;
    int64_t steadyBaseUs = 0;
    Steady::time_point steadyBaseAt = started;
    double lastPlayed = -1;
    Steady::time_point lastMovedAt = started;
    auto clockUs = [&]() -> int64_t {
        const Steady::time_point now = Steady::now();
        if (!steady) {
            if (!soundStarted) {
                if (!soundEnded) {
                    return 0;
                }
                steady = true;  // the sound stream gave nothing: the steady clock from here
                steadyBaseAt = now;
            } else {
                const double played = sound_->PlayedFrames();
                const int64_t heard =
                    soundOriginUs + static_cast<int64_t>(played * 1e6 / MovieSource::kSoundRate);
                if (played != lastPlayed) {
                    lastPlayed = played;
                    lastMovedAt = now;
                }
                const int queued = sound_->QueuedBuffers();
                const bool over = soundEnded && queued == 0;
                const bool stalled = queued > 0 && Micros(now - lastMovedAt) > kStalledSoundUs;
                if (!over && !stalled) {
                    return heard;
                }
                steady = true;
                steadyBaseUs = heard;
                steadyBaseAt = now;
            }
        }
        return steadyBaseUs + Micros(now - steadyBaseAt);
    };

    std::vector<int16_t> piece;
    int64_t lastShownUs = -1;
    bool decodedAny = false;  // a picture has been decoded before
    constexpr int64_t kNoLatest = std::numeric_limits<int64_t>::max() / 4;
    const int64_t latestPictureUs = info_.durationMs >= 0 && info_.durationMs < kNoLatest / 1000
                                        ? info_.durationMs * 1000 + kMaxGapUs
                                        : kNoLatest;
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stop_) {
                return;
            }
        }
        // Keep the sound queue full.
        while (!soundEnded && sound_->QueuedBuffers() < kSoundPiecesQueued) {
            piece.clear();
            int64_t firstUs = -1;
            while (piece.size() < kSoundPieceFrames * MovieSource::kSoundChannels) {
                int64_t t = 0;
                if (decoder.NextSound(piece, t) != MovieSource::Result::kOk) {
                    soundEnded = true;
                    break;
                }
                if (firstUs < 0) {
                    firstUs = t;
                }
            }
            if (piece.empty()) {
                break;
            }
            const double gain = std::clamp(hooks_.volume ? hooks_.volume() : 100, 0, 100) * 0.01;
            if (gain < 1.0) {
                for (int16_t& s : piece) {
                    s = static_cast<int16_t>(std::lround(s * gain));
                }
            }
            if (!soundStarted) {
                soundStarted = true;
                soundOriginUs = std::max<int64_t>(firstUs, 0);
            }
            stats_.anything = true;
            sound_->Queue(std::move(piece), 0);
            piece = {};
            if (!info_.hasPicture) {
                announce();
            }
        }
        if (!havePicture && !pictureEnded) {
            int64_t previousUs = pictureUs;
            if (decoder.NextPicture(pictureUs) == MovieSource::Result::kOk) {
                havePicture = true;
                // A time far past the movie's end (or a jump of minutes) is a damaged stamp, not a
                // pause: the picture follows the one before it instead of holding the movie.
                if (pictureUs > latestPictureUs || (decodedAny && pictureUs - previousUs > kMaxGapUs)) {
                    pictureUs = previousUs + info_.frameUs;
                }
                decodedAny = true;
            } else {
                pictureEnded = true;
            }
        }
        if (decoder.Broken()) {
            // The decoder died or stopped answering: the movie ends here, as a failed one.
            stats_.failed = true;
            break;
        }
        const int64_t now = clockUs();
        if (havePicture) {
            if (pictureUs <= now + kEarlyUs || (!showing && hooks_.firstPictureAtOnce)) {
                // A picture more than a frame late is dropped, unless none has been shown for a
                // while: the pictures catch up with the sound instead of trailing it.
                const bool late = now - pictureUs > info_.frameUs;
                const bool starved = lastShownUs < 0 || now - lastShownUs > kMaxUnshownUs;
                if (late && !starved) {
                    ++stats_.dropped;
                } else if (ShowPicture()) {
                    // How far the picture is from the sound at the moment it reached the window.
                    const int64_t shownUs = clockUs();
                    if (sound_ != nullptr && !steady) {
                        stats_.driftMs = std::max(stats_.driftMs, std::abs(shownUs - pictureUs) / 1000);
                    }
                    lastShownUs = now;
                    announce();
                }
                havePicture = false;
                continue;
            }
            const int64_t untilUs = std::min(pictureUs - now, kMaxSleepUs);
            if (!Wait(Steady::now() + std::chrono::microseconds(untilUs))) {
                return;
            }
            continue;
        }
        if (pictureEnded && (soundEnded && (sound_ == nullptr || sound_->QueuedBuffers() == 0))) {
            break;
        }
        // Only sound is left: wake when a piece has played.
        if (!Wait(Steady::now() + std::chrono::milliseconds(100))) {
            return;
        }
    }
    {
        std::lock_guard lock(mutex_);
        if (stop_) {
            return;  // stopped while the source's last wait was cut short: that is no end
        }
    }
    if (hooks_.finished) {
        hooks_.finished();
    }
}

}  // namespace textreel
