#include "explore/route_graph.h"

#include <graphviz/cgraph.h>
#include <graphviz/gvc.h>

#include <map>
#include <set>

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

std::string RouteGraphDot(const RouteBook& book, const std::vector<RouteEdge>& edges) {
    const ScenarioLines& lines = book.Lines();
    const std::string& file = book.FileName();
    std::string out = "digraph routes {\n";
    out += "  graph [rankdir=TB, fontname=\"IPAGothic\"];\n";
    out += "  node [fontname=\"IPAGothic\", fontsize=10];\n";
    out += "  edge [fontname=\"IPAGothic\", fontsize=9];\n";
    out += "  start [shape=circle, label=\"start\", style=filled, fillcolor=\"#c8e6c9\"];\n";
    std::set<uint32_t> reachedMenus;
    for (const RouteEdge& e : edges) {
        if (e.fromMenu != 0) {
            reachedMenus.insert(e.fromMenu);
        }
        if (e.toMenu != 0) {
            reachedMenus.insert(e.toMenu);
        }
    }
    std::set<uint32_t> faultLines;
    for (const Fault& f : book.Faults()) {
        faultLines.insert(lines.MenuLineAtOrBefore(f.line) == f.line ? f.line : 0);
    }
    for (const auto& [line, labels] : lines.Menus()) {
        bool reached = reachedMenus.count(line) > 0;
        std::string label = file + ":" + std::to_string(line) + "\n" + Cp932ToUtf8(lines.Text(line));
        out += "  " + MenuNode(line) +
               " [shape=box, style=filled, fillcolor=" + (reached ? "\"#c8e6c9\"" : "\"#e0e0e0\"") +
               (faultLines.count(line) > 0 ? ", color=red, penwidth=2" : "") + ", label=" + Quote(label) +
               "];\n";
    }
    std::set<std::string> ends;
    for (const RouteEdge& e : edges) {
        std::string to = MenuNode(e.toMenu);
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
            }
        }
        out += "  " + MenuNode(e.fromMenu) + " -> " + to;
        if (!e.label.empty()) {
            out += " [label=" + Quote(e.label) + "]";
        }
        out += ";\n";
    }
    int n = 0;
    for (const Fault& f : book.Faults()) {
        std::string node = "fault" + std::to_string(n++);
        out += "  " + node +
               " [shape=note, style=filled, fillcolor=\"#ffcdd2\", color=red, fontcolor=\"#b71c1c\", label=" +
               Quote(file + ":" + std::to_string(f.line) + "\n" + f.message) + "];\n";
        out += "  " + MenuNode(lines.MenuLineAtOrBefore(f.line)) + " -> " + node +
               " [style=dashed, color=red];\n";
    }
    out += "}\n";
    return out;
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

bool WriteRouteGraph(const std::string& dot, const std::string& path, std::string& error) {
    if (EndsWith(path, ".dot")) {
        if (!files::WriteAtomically(path, dot.data(), dot.size())) {
            error = "cannot write " + path;
            return false;
        }
        return true;
    }
    const GraphvizLibrary& gv = Graphviz();
    if (!gv.ready) {
        error = "Graphviz: " + gv.library.Error();
        return false;
    }
    GVC_t* gvc = gv.context();
    if (gvc == nullptr) {
        error = "Graphviz cannot start";
        return false;
    }
    Agraph_t* graph = gv.memRead(dot.c_str());
    bool ok = false;
    if (graph == nullptr) {
        error = "Graphviz cannot read the route graph";
    } else if (gv.layout(gvc, graph, "dot") != 0) {
        error = "Graphviz cannot lay out the route graph (is its dot layout plugin installed?)";
    } else {
        char* data = nullptr;
        unsigned int length = 0;
        if (gv.renderData(gvc, graph, "svg", &data, &length) != 0 || data == nullptr) {
            error = "Graphviz cannot draw the route graph as SVG";
        } else {
            ok = files::WriteAtomically(path, data, length);
            if (!ok) {
                error = "cannot write " + path;
            }
            gv.freeRenderData(data);
        }
        gv.freeLayout(gvc, graph);
    }
    if (graph != nullptr) {
        gv.close(graph);
    }
    gv.freeContext(gvc);
    return ok;
}

}  // namespace textreel::explore
