// A temporary title folder that the test works in: made fresh, made the current directory, and
// removed afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace textreel::testing {

class TempTitle {
  public:
    TempTitle();
    ~TempTitle();
    TempTitle(const TempTitle&) = delete;
    TempTitle& operator=(const TempTitle&) = delete;

    const std::string& Path() const { return path_; }
    // Writes a file under the folder (slashes in name make sub-folders).
    void Write(const std::string& name, const std::string& bytes) const;
    void Write(const std::string& name, const std::vector<uint8_t>& bytes) const;
    std::vector<uint8_t> Read(const std::string& name) const;
    bool Exists(const std::string& name) const;

  private:
    std::string path_;
    std::string previous_;
};

}  // namespace textreel::testing
