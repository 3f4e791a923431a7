// The picture of the story: the route graph the explorer found, as Graphviz's DOT text, and drawn
// by Graphviz's layout into SVG.
#pragma once

#include <string>
#include <vector>

#include "explore/explorer.h"
#include "explore/route_book.h"

namespace textreel::explore {

// Choice menus are boxes (green when reached, grey when never met), their entries labelled edges,
// the ends of routes ellipses (endings doubled), and faults red notes with their line, hung on the
// menu before them.
std::string RouteGraphDot(const RouteBook& book, const std::vector<RouteEdge>& edges);

// Writes the graph to path: the DOT text when the name ends in ".dot", else an SVG drawn by
// Graphviz. False with a message when it cannot.
bool WriteRouteGraph(const std::string& dot, const std::string& path, std::string& error);

}  // namespace textreel::explore
