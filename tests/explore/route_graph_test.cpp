// The route graph's bounds: a graph too large to lay out, and a layout cut short by the time limit
// or a termination signal, leave the DOT text beside the picture and say so.
#include "explore/route_graph.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/child_work.h"

namespace textreel::explore {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A menu on line 1 whose routes end at `ends` different lines.
RouteGraph Fan(size_t ends) {
    std::string text = "$selword\r\n(a,0,x)\r\nselend\r\n";
    RouteBook book("scenario.txt", ScenarioLines(std::vector<uint8_t>(text.begin(), text.end())));
    std::vector<RouteEdge> edges = {{0, "", 1, RouteEnd::kMerged, 0}};
    for (size_t i = 0; i < ends; ++i) {
        edges.push_back(
            {1, "a" + std::to_string(i), 0, RouteEnd::kEndOfScenario, static_cast<uint32_t>(10 + i)});
    }
    return BuildRouteGraph(book, edges);
}

class RouteGraphFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device random;
        dir_ = fs::temp_directory_path() / ("textreel-graph-test-" + std::to_string(random()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    fs::path dir_;
};

TEST_F(RouteGraphFiles, AGraphTooLargeToDrawIsWrittenAsDotBesideThePicture) {
    RouteGraph graph = Fan(kMaxDrawnNodes - 1);  // with the start and the menu: one node too many
    EXPECT_EQ(graph.nodes, kMaxDrawnNodes + 1);
    std::string svg = (dir_ / "routes.svg").string();
    std::string message;
    EXPECT_TRUE(WriteRouteGraph(graph, svg, DrawLimits{}, message));
    EXPECT_EQ(message, "the route graph has 2001 nodes, more than the 2000 drawn as a picture: " + svg +
                           " was skipped; the graph's DOT text is in " + (dir_ / "routes.dot").string());
    EXPECT_FALSE(fs::exists(svg));
    EXPECT_EQ(ReadText(dir_ / "routes.dot"), graph.dot);
}

TEST_F(RouteGraphFiles, TheLayoutEndsAtTheTimeLimitOrOnASignal) {
    RouteGraph graph = Fan(1000);
    std::string svg = (dir_ / "routes.svg").string();
    std::string message;
    DrawLimits limits;
    limits.deadlineMs = SteadyNowMs() - 1;
    limits.byTimeLimit = true;
    EXPECT_TRUE(WriteRouteGraph(graph, svg, limits, message));
    EXPECT_EQ(message, "the route graph's layout was cut by --max-seconds: " + svg +
                           " was skipped; the graph's DOT text is in " + (dir_ / "routes.dot").string());
    EXPECT_FALSE(fs::exists(svg));
    std::atomic<bool> stop{true};
    limits = DrawLimits{};
    limits.stop = &stop;
    EXPECT_TRUE(WriteRouteGraph(graph, svg, limits, message));
    EXPECT_EQ(message.rfind("the route graph's layout was cut by a termination signal: ", 0), 0u) << message;
    EXPECT_FALSE(fs::exists(svg));
    // Without a limit the same graph is drawn.
    message.clear();
    EXPECT_TRUE(WriteRouteGraph(Fan(3), svg, DrawLimits{}, message)) << message;
    EXPECT_EQ(ReadText(svg).rfind("<?xml", 0), 0u);
}

}  // namespace
}  // namespace textreel::explore
