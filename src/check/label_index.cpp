#include "check/label_index.h"

#include <algorithm>
#include <limits>

#include "script/scenario.h"

namespace textreel::check {

LabelIndex::LabelIndex(std::string_view text) : text_(text) {
    for (size_t p = 0; p < text.size(); ++p) {
        if (text[p] == ':') {
            sorted_.push_back(static_cast<uint32_t>(p));
        }
    }
    std::sort(sorted_.begin(), sorted_.end(), [this](uint32_t a, uint32_t b) {
        std::string_view ka = KeyAt(a);
        std::string_view kb = KeyAt(b);
        return ka != kb ? ka < kb : a < b;
    });
    leaves_ = 1;
    while (leaves_ < sorted_.size()) {
        leaves_ *= 2;
    }
    tree_.assign(2 * leaves_, std::numeric_limits<uint32_t>::max());
    std::copy(sorted_.begin(), sorted_.end(), tree_.begin() + static_cast<std::ptrdiff_t>(leaves_));
    for (size_t i = leaves_ - 1; i >= 1; --i) {
        tree_[i] = std::min(tree_[2 * i], tree_[2 * i + 1]);
    }
}

std::string_view LabelIndex::KeyAt(uint32_t offset) const {
    return text_.substr(offset, kLabelPatternMax);
}

int64_t LabelIndex::FindFirst(std::string_view pattern) const {
    pattern = pattern.substr(0, kLabelPatternMax);
    if (pattern.empty() || pattern[0] != ':') {
        size_t at = text_.find(pattern);
        return at == std::string_view::npos ? -1 : static_cast<int64_t>(at);
    }
    auto prefixOf = [this, &pattern](uint32_t offset) { return KeyAt(offset).substr(0, pattern.size()); };
    auto first = std::partition_point(sorted_.begin(), sorted_.end(),
                                      [&](uint32_t offset) { return prefixOf(offset) < pattern; });
    auto last = std::partition_point(first, sorted_.end(),
                                     [&](uint32_t offset) { return prefixOf(offset) == pattern; });
    if (first == last) {
        return -1;
    }
    // The minimum over [lo, hi) of the leaves.
    size_t lo = static_cast<size_t>(first - sorted_.begin()) + leaves_;
    size_t hi = static_cast<size_t>(last - sorted_.begin()) + leaves_;
    uint32_t best = std::numeric_limits<uint32_t>::max();
    while (lo < hi) {
        if (lo & 1) {
            best = std::min(best, tree_[lo++]);
        }
        if (hi & 1) {
            best = std::min(best, tree_[--hi]);
        }
        lo /= 2;
        hi /= 2;
    }
    return best;
}

}  // namespace textreel::check
