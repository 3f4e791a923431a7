// Feeds arbitrary Windows-style paths to the resolver inside a small title folder that holds links
// in and out: whatever it returns lies inside the title's real folder, or inside the save folder
// for the scope that allows a linked save folder.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace {

namespace fs = std::filesystem;

struct Title {
    std::string root;
    std::string save;
    std::string start;  // the fuzzer's own folder: its corpus paths are relative to it
};

const Title& MakeTitle() {
    static const Title title = [] {
        char pattern[] = "/tmp/textreel-resolver-fuzz-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (made == nullptr) {
            std::abort();
        }
        fs::path base = made;
        fs::create_directories(base / "title/cg/menu");
        fs::create_directories(base / "outside");
        fs::create_directories(base / "elsewhere");
        std::ofstream(base / "outside/secret.png") << "s";
        std::ofstream(base / "title/cg/a.png") << "a";
        std::ofstream(base / "title/scenario.txt") << "x";
        fs::create_symlink(base / "outside/secret.png", base / "title/cg/out.png");
        fs::create_symlink("a.png", base / "title/cg/in.png");
        fs::create_symlink(base / "outside", base / "title/cg/up");
        fs::create_symlink(base / "elsewhere", base / "title/save");
        return Title{fs::canonical(base / "title").string(), fs::canonical(base / "elsewhere").string(),
                     fs::current_path().string()};
    }();
    return title;
}

bool Inside(const std::string& path, const std::string& root) {
    std::error_code error;
    fs::path real = fs::weakly_canonical(path, error);
    if (error) {
        return false;
    }
    std::string s = real.string();
    return s == root ||
           (s.size() > root.size() && s.compare(0, root.size(), root) == 0 && s[root.size()] == '/');
}

void RemoveTitle() {
    std::error_code ignored;
    fs::remove_all(fs::path(MakeTitle().root).parent_path(), ignored);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    MakeTitle();
    std::atexit(RemoveTitle);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Title& title = MakeTitle();
    std::string_view path(reinterpret_cast<const char*>(data), size);
    if (path.find('\0') != std::string_view::npos) {
        return 0;
    }
    // The resolver works in the current folder, the title's; the fuzzer's corpus is elsewhere.
    fs::current_path(title.root);
    if (auto found = textreel::files::Resolve(path)) {
        if (!Inside(*found, title.root)) {
            __builtin_trap();
        }
    }
    if (auto found = textreel::files::ResolveForWrite(path)) {
        fs::path parent = fs::path(*found).parent_path();
        std::string folder = parent.empty() ? "." : parent.string();
        if (!Inside(folder, title.root) && !Inside(folder, title.save)) {
            __builtin_trap();
        }
    }
    fs::current_path(title.start);
    return 0;
}
