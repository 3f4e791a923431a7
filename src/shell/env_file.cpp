// The save folder and env.dat: the settings record followed by the read marks.
#include <array>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/files.h"
#include "shell/engine.h"
#include "shell/messages.h"

namespace textreel {

namespace {
constexpr uint64_t kEnvDatMaxBytes = uint64_t{EnvSettings::kSize} + 0xFFFFFFF0ull;

// env.dat is written from both threads; one write at a time.
std::mutex& EnvFileMutex() {
    static std::mutex mutex;
    return mutex;
}
}  // namespace

bool Engine::EnsureSaveFolder(bool create, std::string* path) {
    auto existing = files::Resolve("save", nullptr, files::Scope::kTitleOrSave);
    if (existing) {
        // A plain file of that name counts too; writing into it then fails with its own message.
        if (path != nullptr) {
            *path = *existing;
        }
        return true;
    }
    if (!create) {
        return false;
    }
    auto target = files::ResolveForWrite("save");
    if (!target || !files::MakeDirectory(*target)) {
        Warn(Sjis(msg::kSaveFolderFailed));
        return false;
    }
    if (path != nullptr) {
        *path = *target;
    }
    return true;
}

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
    auto path = files::Resolve("save\\env.dat", nullptr, files::Scope::kTitleOrSave);
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
    if (!EnsureSaveFolder(true)) {
        return false;
    }
    bool written = false;
    {
        // No message box is shown while the lock is held: the box runs on the main thread, which
        // may itself be waiting for this lock.
        std::lock_guard lock(EnvFileMutex());
        auto path = files::ResolveForWrite("save\\env.dat");
        if (path) {
            std::array<uint8_t, EnvSettings::kSize> record = env.ToBytes(persistentFlags);
            std::vector<uint8_t> marks = scenario.CopyMarks();
            std::vector<uint8_t> bytes(record.begin(), record.end());
            bytes.insert(bytes.end(), marks.begin(), marks.end());
            // An older file written for a longer scenario keeps its bytes beyond ours, as an
            // in-place write over it would.
            // It is read through the contained resolver: an env.dat that is a link out of the save
            // folder is not read (and the write replaces the link).
            std::vector<uint8_t> old;
            auto existing = files::Resolve("save\\env.dat", nullptr, files::Scope::kTitleOrSave);
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

}  // namespace textreel
