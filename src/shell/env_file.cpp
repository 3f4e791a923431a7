// The save folder and env.dat: the settings record followed by the read marks.
#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/files.h"
#include "platform/little_endian.h"
#include "shell/engine.h"
#include "shell/messages.h"

namespace textreel {

namespace {
constexpr uint64_t kEnvDatMaxBytes = uint64_t{EnvSettings::kSize} + 0xFFFFFFF0ull;
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
    std::vector<uint8_t> bytes;
    auto path = SaveFilePath(folder, "env.dat", false);
    // The record and one read mark per scenario byte, however long the scenario.
    if (!path || !files::ReadAll(*path, bytes, kEnvDatMaxBytes)) {
        env.ApplyDefaults();
        return;
    }
    // A record cut short (the file was damaged) keeps the defaults for the bytes it lacks.
    std::array<uint8_t, EnvSettings::kSize> record{};
    env.ApplyDefaults();
    record = env.ToBytes(persistentFlags);
    std::memcpy(record.data(), bytes.data(), std::min<size_t>(bytes.size(), record.size()));
    env.FromBytes(record, persistentFlags);
    if (bytes.size() > record.size()) {
        scenario.SetMarks(bytes.data() + record.size(), bytes.size() - record.size());
    }
}

bool Engine::WriteEnvDat(int n) {
    // Only the picture-seen flags are set here; other numbers never reach the record flags.
    if (n != 99 && n >= 0 && n < PersistentFlags::kPictureFlags) {
        persistentFlags.Set(n, 1);
    }
    std::string folder;
    if (!EnsureSaveFolder(true, &folder)) {
        return false;
    }
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
            std::vector<uint8_t> marks = scenario.CopyMarks();
            std::vector<uint8_t> bytes(record.begin(), record.end());
            bytes.insert(bytes.end(), marks.begin(), marks.end());
            // An older file written for a longer scenario keeps its bytes beyond ours, as an
            // in-place write over it would.
            // It is read through the contained resolver: an env.dat that is a link out of the save
            // folder is not read (and the write replaces the link).
            std::vector<uint8_t> old;
            auto existing = SaveFilePath(folder, "env.dat", false);
            if (existing && files::ReadAll(*existing, old, kEnvDatMaxBytes) && old.size() > bytes.size()) {
                bytes.insert(bytes.end(), old.begin() + static_cast<std::ptrdiff_t>(bytes.size()), old.end());
            }
            written = files::WriteAtomically(*path, bytes.data(), bytes.size());
        }
    }
    if (!written) {
        Warn(Sjis(msg::kSaveFailed));
    }
    return written;
}

void Engine::WriteEnvDatAtExit() {
    if (!WriteEnvDat()) {
        std::fprintf(stderr,
                     "textreel: the settings and the reading progress could not be stored in env.dat\n");
    }
}

}  // namespace textreel
