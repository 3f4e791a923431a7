#include "check/file_probe.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/little_endian.h"
#include "platform/movie_process.h"
#include "shell/messages.h"
#include "sound/pcm_source.h"

namespace textreel::check {

namespace {

namespace fs = std::filesystem;

// No single file of a title needs more; a larger one is not read.
constexpr uint64_t kMaxFileBytes = 256ull << 20;
// The suggestions look at this many files of the title at most.
constexpr size_t kMaxListedFiles = 50000;
constexpr int kMaxSuggestions = 200;
// The PNG decoder's own limits.
constexpr uint32_t kMaxPngSide = 16384;
constexpr uint64_t kMaxPngPixelBytes = 256ull << 20;

bool IsAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<uint8_t>(c) < 0x80; });
}

// Lower-case ASCII, one kind of separator, no doubled separators.
std::string Normalized(std::string_view utf8) {
    std::string out;
    for (char c : utf8) {
        if (c == '\\') {
            c = '/';
        }
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + 32);
        }
        if (c == '/' && (out.empty() || out.back() == '/')) {
            continue;
        }
        out.push_back(c);
    }
    return out;
}

size_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

uint32_t ReadBe32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

uint32_t Crc32(const uint8_t* data, size_t size) {
    static const std::array<uint32_t, 256> kTable = [] {
        std::array<uint32_t, 256> table{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            table[n] = c;
        }
        return table;
    }();
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        c = kTable[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    }
    return c ^ 0xFFFFFFFFu;
}

// Walks the chunks of a PNG: the signature, a valid header first, every chunk whole with its
// checksum right, picture data, and the end chunk. The pixel data itself is not inflated.
std::string InspectPng(const std::vector<uint8_t>& b, FileInfo& info) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (b.size() < 8 || !std::equal(kSignature, kSignature + 8, b.begin())) {
        return "is not a PNG file";
    }
    size_t p = 8;
    bool header = false;
    bool data = false;
    while (true) {
        if (b.size() - p < 12) {
            return "is cut short (no end chunk)";
        }
        uint32_t length = ReadBe32(&b[p]);
        if (length > b.size() - p - 12) {
            return "is cut short";
        }
        const uint8_t* type = &b[p + 4];
        std::string_view name(reinterpret_cast<const char*>(type), 4);
        if (Crc32(type, length + 4) != ReadBe32(&b[p + 8 + length])) {
            return "is damaged (the checksum of its " + std::string(name) + " chunk is wrong)";
        }
        if (!header) {
            if (name != "IHDR" || length != 13) {
                return "is damaged (it does not start with its header)";
            }
            uint32_t w = ReadBe32(type + 4);
            uint32_t h = ReadBe32(type + 8);
            if (w == 0 || h == 0 || w > kMaxPngSide || h > kMaxPngSide ||
                uint64_t{w} * h * 3 > kMaxPngPixelBytes) {
                return "has a size the decoder refuses (" + std::to_string(w) + " x " + std::to_string(h) +
                       ")";
            }
            info.width = static_cast<int>(w);
            info.height = static_cast<int>(h);
            header = true;
        } else if (name == "IDAT") {
            data = true;
        } else if (name == "IEND") {
            return data ? "" : "holds no picture data";
        }
        p += 12 + length;
    }
}

// What every reader of the interface parts takes from a BMP: the header after the 14-byte file
// header and the pixel-data offset. What each use needs of the pixels is checked by that use.
std::string InspectBmp(const std::vector<uint8_t>& b, FileInfo& info) {
    if (b.size() < 14 + 44 || ReadLe32(&b[10]) >= b.size()) {
        return "is not a BMP file the engine can read";
    }
    info.width = static_cast<int32_t>(ReadLe32(&b[18]));
    info.height = static_cast<int32_t>(ReadLe32(&b[22]));
    info.bitsPerPixel = b[28] | (b[29] << 8);
    return "";
}

}  // namespace

std::string ShownPath(std::string_view windowsPath) {
    return IsAscii(windowsPath) ? std::string(windowsPath) : Cp932ToUtf8(windowsPath);
}

FileProbe::FileProbe() {
    std::error_code ec;
    root_ = fs::canonical(fs::current_path(ec), ec).string();
    if (root_.empty() || root_.back() != '/') {
        root_ += '/';
    }
}

FileProbe::~FileProbe() = default;

namespace {

std::string CacheKey(std::string_view windowsPath, FileKind kind) {
    return std::string(1, static_cast<char>('0' + static_cast<int>(kind))) + std::string(windowsPath);
}

}  // namespace

void FileProbe::DropBytes(std::string_view windowsPath, FileKind kind) {
    auto cached = cache_.find(CacheKey(windowsPath, kind));
    if (cached != cache_.end()) {
        std::vector<uint8_t>().swap(cached->second.bytes);
    }
}

const FileInfo& FileProbe::Probe(std::string_view windowsPath, FileKind kind) {
    std::string key = CacheKey(windowsPath, kind);
    auto cached = cache_.find(key);
    if (cached != cache_.end()) {
        return cached->second;
    }
    FileInfo info;
    std::string shown = "\"" + ShownPath(windowsPath) + "\"";
    std::optional<std::string> real;
    std::string refusal = Refusal(windowsPath, "");
    if (refusal.empty()) {
        real = files::Resolve(windowsPath);
        if (real) {
            refusal = Refusal(windowsPath, *real);
        }
    }
    if (!refusal.empty()) {
        info.problem = shown + " " + refusal;
    } else if (!real || !files::Exists(*real) || files::IsDirectory(*real)) {
        info.problem = shown + " does not exist" + Nearest(windowsPath);
    } else {
        info.found = true;
        Inspect(*real, kind, info);
        if (!info.problem.empty()) {
            info.problem = shown + " " + info.problem;
        }
    }
    return cache_.emplace(std::move(key), std::move(info)).first->second;
}

std::string FileProbe::Refusal(std::string_view windowsPath, const std::string& real) const {
    if (real.empty()) {
        bool absolute = !windowsPath.empty() && (windowsPath[0] == '/' || windowsPath[0] == '\\' ||
                                                 (windowsPath.size() > 1 && windowsPath[1] == ':'));
        std::string n = "/" + Normalized(ShownPath(windowsPath)) + "/";
        if (absolute || n.find("/../") != std::string::npos) {
            return "lies outside the title's folder";
        }
        return "";
    }
    std::error_code ec;
    std::string target = fs::weakly_canonical(fs::absolute(real, ec), ec).string();
    if (ec || target.compare(0, root_.size(), root_) != 0) {
        return "leads outside the title's folder (through a link)";
    }
    return "";
}

std::string FileProbe::Nearest(std::string_view windowsPath) {
    // Suggestions cost a pass over the title's files each; a title with hundreds of missing files
    // gets them for the first ones only.
    if (++suggestions_ > kMaxSuggestions) {
        return "";
    }
    if (!listed_) {
        listed_ = true;
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(".", ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            if (files_.size() >= kMaxListedFiles || it.depth() > 8) {
                break;
            }
            if (it->is_regular_file(ec) && !it->is_symlink(ec)) {
                files_.push_back(it->path().lexically_relative(".").string());
            }
        }
        std::sort(files_.begin(), files_.end());
    }
    const std::string wanted = Normalized(ShownPath(windowsPath));
    const std::string* best = nullptr;
    size_t bestDistance = std::max<size_t>(2, wanted.size() / 6) + 1;
    for (const std::string& file : files_) {
        std::string candidate = Normalized(file);
        size_t gap = candidate.size() > wanted.size() ? candidate.size() - wanted.size()
                                                      : wanted.size() - candidate.size();
        if (gap >= bestDistance) {
            continue;
        }
        size_t d = candidate == wanted ? 0 : EditDistance(candidate, wanted);
        if (d < bestDistance) {
            bestDistance = d;
            best = &file;
        }
        if (d == 0) {
            break;
        }
    }
    if (best == nullptr) {
        return "";
    }
    if (best->find('\\') != std::string::npos) {
        return " (a file named \"" + *best +
               "\" exists: its name holds backslashes, which are not folders here)";
    }
    return " (nearest existing name: \"" + *best + "\")";
}

void FileProbe::Inspect(const std::string& real, FileKind kind, FileInfo& info) const {
    if (kind == FileKind::kMovie) {
        info.problem = InspectMovie(real);
        return;
    }
    std::error_code ec;
    if (!fs::is_regular_file(real, ec)) {
        info.problem = "is not a regular file";  // a pipe or a device is never opened
        return;
    }
    if (kind == FileKind::kSound) {
        // Sounds are opened as the engine streams them: the header only, whatever the file's length.
        if (OpenSoundFile(real) == nullptr) {
            std::vector<uint8_t> head;
            std::FILE* file = files::OpenRegularFile(real, UINT64_MAX);
            if (file != nullptr) {
                head.resize(4);
                head.resize(std::fread(head.data(), 1, head.size(), file));
                std::fclose(file);
            }
            info.problem = head.size() == 4 && std::memcmp(head.data(), "OggS", 4) == 0
                               ? "is not an Ogg Vorbis file the engine can play (not Vorbis, damaged, more "
                                 "than two channels, or a header packet over 1 MB)"
                               : "is neither an Ogg Vorbis nor a WAV file the engine can play";
        }
        return;
    }
    std::vector<uint8_t> bytes;
    if (!files::ReadAll(real, bytes, kMaxFileBytes)) {
        info.problem = "cannot be read";
        return;
    }
    switch (kind) {
        case FileKind::kPng:
            info.problem = InspectPng(bytes, info);
            break;
        case FileKind::kBmp:
            info.problem = InspectBmp(bytes, info);
            info.bytes = std::move(bytes);
            break;
        case FileKind::kSound:
        case FileKind::kMovie:
            break;
    }
}

std::string FileProbe::InspectMovie(const std::string& real) {
    std::error_code ec;
    if (!fs::is_regular_file(real, ec)) {
        return "is not a regular file";
    }
    // Opening reads the container's header and the start of its streams, not the whole file.
    std::string why;
    if (OpenMovieInHelper(real, &why) == nullptr) {
        return "cannot be played: " + why + "; the engine shows \"" + std::string(msg::kMovieOpenFailed) +
               "\"";
    }
    return "";
}

}  // namespace textreel::check
