#include "explore/route_graph.h"

#include <graphviz/cgraph.h>
#include <graphviz/gvc.h>

#include <map>
#include <set>

#include "platform/child_work.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/shared_library.h"

namespace textreel::explore {

namespace {

// A DOT string literal.
std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out.push_back('\\');
        }
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out.push_back(c);
    }
    return out + "\"";
}

std::string MenuNode(uint32_t line) {
    return line == 0 ? "start" : "menu" + std::to_string(line);
}

std::string EndNode(RouteEnd end, uint32_t line) {
    return "end" + std::to_string(static_cast<int>(end)) + "_" + std::to_string(line);
}

bool IsEnding(RouteEnd end, uint32_t line) {
    return end == RouteEnd::kEndOfScenario || end == RouteEnd::kExitGame ||
           (end == RouteEnd::kTitle && line != 0);
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

RouteGraph BuildRouteGraph(const RouteBook& book, const std::vector<RouteEdge>& edges) {
    const ScenarioLines& lines = book.Lines();
    const std::string& file = book.FileName();
    RouteGraph graph;
    std::string& out = graph.dot;
    out = "digraph routes {\n";
    out += "  graph [rankdir=TB, nodesep=0.2, ranksep=0.4, size=\"20,1000\", fontname=\"IPAGothic\"];\n";
    out += "  node [fontname=\"IPAGothic\", fontsize=10];\n";
    out += "  edge [fontname=\"IPAGothic\", fontsize=9];\n";
    out += "  start [shape=circle, label=\"start\", style=filled, fillcolor=\"#c8e6c9\"];\n";
    graph.nodes = 1;
    std::set<uint32_t> reachedMenus;
    for (const RouteEdge& e : edges) {
        if (e.fromMenu != 0) {
            reachedMenus.insert(e.fromMenu);
        }
        if (e.toMenu != 0) {
            reachedMenus.insert(e.toMenu);
        }
    }
    std::set<uint32_t> faultMenus;
    for (const Fault& f : book.Faults()) {
        faultMenus.insert(lines.MenuLineAtOrBefore(f.line) == f.line ? f.line : 0);
    }
    // Only the menus a route reached: a title's unreached menus may be countless.
    for (uint32_t line : reachedMenus) {
        std::string label = file + ":" + std::to_string(line) + "\n" + Cp932ToUtf8(lines.Text(line));
        out += "  " + MenuNode(line) + " [shape=box, style=filled, fillcolor=\"#c8e6c9\"" +
               (faultMenus.count(line) > 0 ? ", color=red, penwidth=2" : "") + ", label=" + Quote(label) +
               "];\n";
        ++graph.nodes;
    }
    // The entry as the player sees it: a `selword` entry's text, then its label.
    auto entryName = [&](uint32_t menu, const std::string& label) {
        std::string shown = Cp932ToUtf8(lines.EntryText(menu, Utf8ToCp932(label)));
        return shown.empty() || shown == label ? label : shown + "\n(" + label + ")";
    };
    std::map<uint32_t, std::vector<std::string>> selfLoops;
    std::set<std::string> ends;
    size_t endCount = 0;
    for (const RouteEdge& e : edges) {
        if (e.toMenu != 0 && e.toMenu == e.fromMenu) {
            selfLoops[e.fromMenu].push_back(entryName(e.fromMenu, e.label));
            continue;
        }
        std::string to = MenuNode(e.toMenu);
        std::string attributes;
        if (!e.label.empty()) {
            attributes = "label=" + Quote(entryName(e.fromMenu, e.label));
        }
        if (e.toMenu == 0) {
            to = EndNode(e.end, e.endLine);
            if (ends.insert(to).second) {
                bool bad = e.end == RouteEnd::kFault || e.end == RouteEnd::kLoop ||
                           e.end == RouteEnd::kStuck || e.end == RouteEnd::kTimeUp;
                std::string label = RouteEndName(e.end);
                if (e.endLine != 0) {
                    label += "\n" + file + ":" + std::to_string(e.endLine);
                }
                out += "  " + to + " [shape=" + (IsEnding(e.end, e.endLine) ? "doubleoctagon" : "ellipse") +
                       ", style=filled, fillcolor=" + (bad ? "\"#ffcdd2\", color=red" : "\"#fff9c4\"") +
                       ", label=" + Quote(label) + "];\n";
                ++graph.nodes;
            }
            // The ends of routes in turn one, two or three ranks down: a row of them side by side
            // would be as wide as all their labels.
            attributes +=
                std::string(attributes.empty() ? "" : ", ") + "minlen=" + std::to_string(1 + endCount++ % 3);
        }
        out += "  " + MenuNode(e.fromMenu) + " -> " + to;
        if (!attributes.empty()) {
            out += " [" + attributes + "]";
        }
        out += ";\n";
    }
    // The entries that come back to their own menu (a gallery's pictures) are listed together
    // beside it: as loops on the box their labels would be drawn over one another.
    for (const auto& [menu, names] : selfLoops) {
        std::string node = "back" + std::to_string(menu);
        std::string label = "back to this menu by:";
        for (const std::string& name : names) {
            std::string oneLine = name;
            for (size_t at = oneLine.find('\n'); at != std::string::npos; at = oneLine.find('\n')) {
                oneLine.replace(at, 1, " ");
            }
            label += "\n" + oneLine;
        }
        out += "  " + node + " [shape=box, style=\"rounded,dashed\", label=" + Quote(label) + "];\n";
        out += "  " + MenuNode(menu) + " -> " + node + " [style=dashed, dir=both];\n";
        ++graph.nodes;
    }
    int n = 0;
    for (const Fault& f : book.Faults()) {
        std::string node = "fault" + std::to_string(n++);
        out += "  " + node +
               " [shape=note, style=filled, fillcolor=\"#ffcdd2\", color=red, fontcolor=\"#b71c1c\", label=" +
               Quote(file + ":" + std::to_string(f.line) + "\n" + f.message) + "];\n";
        uint32_t menu = lines.MenuLineAtOrBefore(f.line);
        out += "  " + MenuNode(reachedMenus.count(menu) > 0 ? menu : 0) + " -> " + node +
               " [style=dashed, color=red];\n";
        ++graph.nodes;
    }
    out += "}\n";
    return graph;
}

namespace {

// The functions of Graphviz used to draw the graph, looked up once in libgvc (which brings
// libcgraph with it). Loaded only when a graph is drawn: most runs never draw one.
struct GraphvizLibrary {
    SharedLibrary library{"libgvc.so.6", "libgvc6"};
    decltype(&gvContext) context = nullptr;
    decltype(&gvFreeContext) freeContext = nullptr;
    decltype(&agmemread) memRead = nullptr;
    decltype(&agclose) close = nullptr;
    decltype(&gvLayout) layout = nullptr;
    decltype(&gvFreeLayout) freeLayout = nullptr;
    decltype(&gvRenderData) renderData = nullptr;
    decltype(&gvFreeRenderData) freeRenderData = nullptr;
    bool ready = library.Bind("gvContext", context) && library.Bind("gvFreeContext", freeContext) &&
                 library.Bind("agmemread", memRead) && library.Bind("agclose", close) &&
                 library.Bind("gvLayout", layout) && library.Bind("gvFreeLayout", freeLayout) &&
                 library.Bind("gvRenderData", renderData) && library.Bind("gvFreeRenderData", freeRenderData);
};

const GraphvizLibrary& Graphviz() {
    static const GraphvizLibrary library;
    return library;
}

}  // namespace

namespace {

// The exit codes of the drawing child.
constexpr int kDrawn = 0;
constexpr int kCannotStart = 3;
constexpr int kCannotRead = 4;
constexpr int kCannotLayOut = 5;
constexpr int kCannotRender = 6;

// Lays the graph out and draws it as SVG into svg (run in the drawing child).
int DrawSvg(const GraphvizLibrary& gv, const std::string& dot, std::string& svg) {
    GVC_t* gvc = gv.context();
    if (gvc == nullptr) {
        return kCannotStart;
    }
    Agraph_t* graph = gv.memRead(dot.c_str());
    int result = kDrawn;
    if (graph == nullptr) {
        result = kCannotRead;
    } else if (gv.layout(gvc, graph, "dot") != 0) {
        result = kCannotLayOut;
    } else {
        char* data = nullptr;
        unsigned int length = 0;
        if (gv.renderData(gvc, graph, "svg", &data, &length) != 0 || data == nullptr) {
            result = kCannotRender;
        } else {
            svg.assign(data, length);
            gv.freeRenderData(data);
        }
        gv.freeLayout(gvc, graph);
    }
    if (graph != nullptr) {
        gv.close(graph);
    }
    gv.freeContext(gvc);
    return result;
}

std::string DotBeside(const std::string& path) {
    return (EndsWith(path, ".svg") ? path.substr(0, path.size() - 4) : path) + ".dot";
}

}  // namespace

bool WriteRouteGraph(const RouteGraph& graph, const std::string& path, const DrawLimits& limits,
                     std::string& message) {
    const std::string& dot = graph.dot;
    if (EndsWith(path, ".dot")) {
        if (!files::WriteAtomically(path, dot.data(), dot.size())) {
            message = "cannot write " + path;
            return false;
        }
        return true;
    }
    // The picture is skipped; its DOT text is written beside it with why.
    auto instead = [&](const std::string& why) {
        std::string dotPath = DotBeside(path);
        if (!files::WriteAtomically(dotPath, dot.data(), dot.size())) {
            message = why + "; cannot write " + dotPath;
            return false;
        }
        message = why + "; the graph's DOT text is in " + dotPath;
        return true;
    };
    if (graph.nodes > kMaxDrawnNodes) {
        return instead("the route graph has " + std::to_string(graph.nodes) + " nodes, more than the " +
                       std::to_string(kMaxDrawnNodes) + " drawn as a picture: " + path + " was skipped");
    }
    const GraphvizLibrary& gv = Graphviz();
    if (!gv.ready) {
        message = "Graphviz: " + gv.library.Error();
        return false;
    }
    // Graphviz's layout cannot be interrupted: it runs in a child process that is ended at the
    // time limit or on a termination signal. The child hands back the SVG, written here.
    ChildOutcome outcome =
        RunInChild([&](std::string& svg) { return DrawSvg(gv, dot, svg); }, limits.deadlineMs, limits.stop);
    if (outcome.kind == ChildOutcome::Kind::kEnded) {
        std::string by = limits.stop != nullptr && limits.stop->load() ? "a termination signal"
                         : limits.byTimeLimit                          ? "--max-seconds"
                                                                       : "a signal";
        return instead("the route graph's layout was cut by " + by + ": " + path + " was skipped");
    }
    switch (outcome.kind == ChildOutcome::Kind::kDone ? outcome.code : kCannotStart) {
        case kDrawn:
            if (!files::WriteAtomically(path, outcome.output.data(), outcome.output.size())) {
                message = "cannot write " + path;
                return false;
            }
            return true;
        case kCannotRead:
            message = "Graphviz cannot read the route graph";
            return false;
        case kCannotLayOut:
            message = "Graphviz cannot lay out the route graph (is its dot layout plugin installed?)";
            return false;
        case kCannotRender:
            message = "Graphviz cannot draw the route graph as SVG";
            return false;
        default:
            message = "Graphviz cannot start";
            return false;
    }
}

}  // namespace textreel::explore
