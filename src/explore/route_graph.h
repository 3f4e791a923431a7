// The picture of the story: the route graph the explorer found, as Graphviz's DOT text, and drawn
// by Graphviz's layout into SVG.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "explore/explorer.h"
#include "explore/route_book.h"

namespace textreel::explore {

struct RouteGraph {
    std::string dot;
    size_t nodes = 0;
};

// The most nodes laid out as a picture: a larger graph is unreadable as one and its layout takes
// minutes, so only its DOT text is written.
constexpr size_t kMaxDrawnNodes = 2000;

// The choice menus the routes reached are boxes, the entries taken labelled edges (the text the
// entry shows, then its label), the entries that come back to their own menu one list beside it,
// the ends of routes ellipses (endings doubled), and faults red notes with their line, hung on the
// menu before them. Ranks run top to bottom, and the ends of routes are spread over three ranks
// so that a menu with many of them does not make the picture wide.
RouteGraph BuildRouteGraph(const RouteBook& book, const std::vector<RouteEdge>& edges);

struct DrawLimits {
    int64_t deadlineMs = 0;  // on SteadyNowMs()'s clock; 0: none
    const std::atomic<bool>* stop = nullptr;
    bool byTimeLimit = false;  // the deadline is --max-seconds' (for the message)
};

// Writes the graph to path: the DOT text when the name ends in ".dot", else an SVG drawn by
// Graphviz in a child process, which is ended at the deadline or on stop. When the picture is not
// drawn (too many nodes, or the layout was ended) the DOT text goes beside it (FILE.dot) and
// message says so; false with message when nothing could be written.
bool WriteRouteGraph(const RouteGraph& graph, const std::string& path, const DrawLimits& limits,
                     std::string& message);

}  // namespace textreel::explore
