// The label search of the engine, answered for many patterns at once: where does the first
// occurrence of ":" + name lie in the scenario text?
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace textreel::check {

// Every pattern the engine searches starts with ":". The index sorts the places of all colons by the
// (at most 64) bytes that start there; the places a pattern matches then form one run of that
// order, and a tree of minimums gives the first of them. Building costs n log n in the number of
// colons; a query costs log n.
class LabelIndex {
  public:
    explicit LabelIndex(std::string_view text);

    // The offset of the first occurrence of pattern (cut to 64 bytes, as the engine cuts it), or -1.
    // A pattern that does not start with ":" is searched byte by byte.
    int64_t FindFirst(std::string_view pattern) const;

  private:
    std::string_view KeyAt(uint32_t offset) const;

    std::string_view text_;
    std::vector<uint32_t> sorted_;  // colon offsets in the order of the bytes that start there
    std::vector<uint32_t> tree_;    // minimum offsets over runs of sorted_, a bottom-up segment tree
    size_t leaves_ = 0;
};

}  // namespace textreel::check
