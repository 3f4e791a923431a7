// The save folder and env.dat: the settings record followed by the read marks.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/error_log.h"
#include "platform/files.h"
#include "platform/little_endian.h"
#include "shell/engine.h"
#include "shell/messages.h"

namespace textreel {

namespace {
// The record and the read marks of the largest scenario the engine reads: no env.dat is longer
// (one from a longer scenario keeps a tail beyond our marks), so a longer one is not read, and
// the next write keeps it aside as "env.dat.bad" and starts a fresh file.
constexpr uint64_t kEnvDatMaxBytes = uint64_t{EnvSettings::kSize} + kMaxScenarioBytes;
// Requested writes come at most this often.
constexpr int64_t kEnvWriteGapMs = 1000;

int64_t SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
// The read marks pass between env.dat and the scenario in pieces of this many bytes.
constexpr size_t kMarkPieceBytes = 64 * 1024;
}  // namespace

void Engine::ReadEnvDat() {
    persistentFlags.Clear();
    scenario.ResetMarks();
    std::string folder;
    if (!EnsureSaveFolder(true, &folder)) {
        // Without a save folder the game still starts, with the default settings and no read marks.
        env.ApplyDefaults();
        return;
    }
    auto path = SaveFilePath(folder, "env.dat", false);
    // The record and one read mark per scenario byte, however long the scenario; the marks are
    // read a piece at a time, so the file is never held whole.
    bool tooLarge = false;
    std::FILE* file = path ? files::OpenRegularFile(*path, kEnvDatMaxBytes, &tooLarge) : nullptr;
    if (tooLarge) {
        ErrorPrintf(
            "textreel: env.dat is larger than any scenario's settings and read marks; it is not "
            "read, and the next write keeps it as env.dat.bad\n");
    }
    if (file == nullptr) {
        env.ApplyDefaults();
        return;
    }
    // A record cut short (the file was damaged) keeps the defaults for the bytes it lacks.
    std::array<uint8_t, EnvSettings::kSize> record{};
    env.ApplyDefaults();
    record = env.ToBytes(persistentFlags);
    std::array<uint8_t, EnvSettings::kSize> read{};
    const size_t got = std::fread(read.data(), 1, read.size(), file);
    std::memcpy(record.data(), read.data(), got);
    env.FromBytes(record, persistentFlags);
    std::vector<uint8_t> piece(kMarkPieceBytes);
    for (uint32_t at = 0; got == read.size() && at < scenario.Size();) {
        const size_t n =
            std::fread(piece.data(), 1, std::min<size_t>(piece.size(), scenario.Size() - at), file);
        if (n == 0) {
            break;
        }
        scenario.SetMarks(at, piece.data(), n);
        at += static_cast<uint32_t>(n);
    }
    std::fclose(file);
}

bool Engine::WriteEnvDat(int n) {
    if (options_.launcher != nullptr) {
        return true;  // the launcher has no title whose settings it could keep
    }
    // Only the picture-seen flags are set here; other numbers never reach the record flags.
    if (n != 99 && n >= 0 && n < PersistentFlags::kPictureFlags) {
        persistentFlags.Set(n, 1);
    }
    std::string folder;
    if (!EnsureSaveFolder(true, &folder)) {
        return false;
    }
    // A change made from here on is in this write or asks for the next one.
    envWritePending_ = false;
    lastEnvWriteMs_ = SteadyMs();
    bool written = false;
    {
        // No message box is shown while the lock is held: the box runs on the main thread, which
        // may itself be waiting for this lock.
        std::lock_guard lock(envFileMutex_);
        auto path = SaveFilePath(folder, "env.dat", true);
        if (path) {
            std::array<uint8_t, EnvSettings::kSize> record = env.ToBytes(persistentFlags);
            // Skip mode holds the speed at 0 only while it runs; the player's own speed is stored.
            if (AdvanceMode == 1) {
                WriteLe32(record.data() + EnvSettings::kSpeedMs, static_cast<uint32_t>(savedSpeedMs.load()));
            }
            // An older file written for a longer scenario keeps its bytes beyond ours, as an
            // in-place write over it would.
            // It is read through the contained resolver: an env.dat that is a link out of the save
            // folder is not read (and the write replaces the link).
            auto existing = SaveFilePath(folder, "env.dat", false);
            bool tooLarge = false;
            std::FILE* old =
                existing ? files::OpenRegularFile(*existing, kEnvDatMaxBytes, &tooLarge) : nullptr;
            if (tooLarge && files::Rename(*existing, *existing + ".bad")) {
                ErrorPrintf("textreel: the oversized env.dat is kept as %s.bad\n", existing->c_str());
            }
            const uint64_t ours = uint64_t{record.size()} + scenario.Size();
            // The marks, then the old file's tail, go out a piece at a time.
            written = files::WriteAtomicallyWith(*path, [&](const files::WritePiece& write) {
                if (!write(record.data(), record.size())) {
                    return false;
                }
                std::vector<uint8_t> piece(kMarkPieceBytes);
                for (uint32_t at = 0; at < scenario.Size();) {
                    const size_t count = std::min<size_t>(piece.size(), scenario.Size() - at);
                    scenario.CopyMarks(at, piece.data(), count);
                    if (!write(piece.data(), count)) {
                        return false;
                    }
                    at += static_cast<uint32_t>(count);
                }
                if (old == nullptr || ours > static_cast<uint64_t>(std::numeric_limits<long>::max()) ||
                    std::fseek(old, static_cast<long>(ours), SEEK_SET) != 0) {
                    return true;
                }
                for (size_t count; (count = std::fread(piece.data(), 1, piece.size(), old)) > 0;) {
                    if (!write(piece.data(), count)) {
                        return false;
                    }
                }
                return true;
            });
            if (old != nullptr) {
                std::fclose(old);
            }
        }
    }
    if (!written) {
        Warn(Text(msg::kSaveFailed));
    }
    return written;
}

void Engine::RequestEnvDatWrite(int n) {
    if (n != 99 && n >= 0 && n < PersistentFlags::kPictureFlags) {
        persistentFlags.Set(n, 1);
    }
    envWritePending_ = true;
    int64_t last = lastEnvWriteMs_;
    const int64_t now = SteadyMs();
    // One thread takes the write that is due; the other leaves it pending.
    if (now - last >= kEnvWriteGapMs && lastEnvWriteMs_.compare_exchange_strong(last, now)) {
        WriteEnvDat();
    }
}

void Engine::FlushEnvDatWhenDue() {
    if (envWritePending_ && SteadyMs() - lastEnvWriteMs_ >= kEnvWriteGapMs) {
        WriteEnvDat();
    }
}

void Engine::FlushEnvDat() {
    if (envWritePending_) {
        WriteEnvDat();
    }
}

void Engine::WriteEnvDatAtExit() {
    if (!WriteEnvDat()) {
        ErrorPrintf("textreel: the settings and the reading progress could not be stored in env.dat\n");
    }
}

}  // namespace textreel
