#include "support/temp_title.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "platform/files.h"

namespace textreel::testing {

namespace fs = std::filesystem;

TempTitle::TempTitle() {
    static std::atomic<int> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    // Test processes run side by side: a random part keeps their folders apart.
    std::random_device random;
    fs::path dir = fs::temp_directory_path() / ("textreel-test-" + std::to_string(stamp) + "-" +
                                                std::to_string(random()) + "-" + std::to_string(counter++));
    fs::create_directories(dir);
    path_ = dir.string();
    previous_ = files::CurrentDirectory();
    if (!files::ChangeDirectory(path_)) {
        throw std::runtime_error("cannot enter " + path_);
    }
}

TempTitle::~TempTitle() {
    files::ChangeDirectory(previous_);
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void TempTitle::Write(const std::string& name, const std::string& bytes) const {
    fs::path file = fs::path(path_) / name;
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void TempTitle::Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    Write(name, std::string(bytes.begin(), bytes.end()));
}

std::vector<uint8_t> TempTitle::Read(const std::string& name) const {
    std::ifstream in(fs::path(path_) / name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool TempTitle::Exists(const std::string& name) const {
    return fs::exists(fs::path(path_) / name);
}

}  // namespace textreel::testing
