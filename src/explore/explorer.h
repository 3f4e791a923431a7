// The route explorer: plays a title headless, clicking through every wait, and takes every entry
// of every choice menu in every state of flags and points it meets, by saving at the menu and
// loading that save before each entry. Its saves and settings live in a scratch folder; the
// title's folder is only read.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "explore/route_book.h"

namespace textreel::explore {

struct ExploreOptions {
    int64_t maxSeconds = 0;  // 0: no limit
    int64_t seed = -1;       // from 0: every game `random` draws from is seeded with it
    // Every difference of flags and points makes a new state, not only the ones a line that can
    // still run reads.
    bool exhaustive = false;
    // Set from another thread (a termination signal): the exploration ends as when its time is up.
    const std::atomic<bool>* stop = nullptr;
};

// One edge of the route graph: from a menu (or the start, line 0) by an entry to the next menu
// or to the end of a route.
struct RouteEdge {
    uint32_t fromMenu = 0;
    std::string label;    // UTF-8; empty for the start
    uint32_t toMenu = 0;  // 0 when the route ended
    RouteEnd end = RouteEnd::kMerged;
    uint32_t endLine = 0;  // where it ended
    bool operator<(const RouteEdge& o) const;
};

struct ExploreResult {
    std::unique_ptr<RouteBook> book;  // null when the title has no scenario to play
    std::vector<RouteEdge> edges;
};

// Explores the title in the current directory.
ExploreResult ExploreTitle(const ExploreOptions& options);

}  // namespace textreel::explore
