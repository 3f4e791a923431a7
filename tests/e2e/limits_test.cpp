// Memory stays bounded whatever a title holds: sizes are checked before anything is allocated, and
// a refusal is a message, never an abort.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "support/e2e_run.h"

namespace textreel::testing {
namespace {

const std::string kTitles = TEXTREEL_TEST_DATA "/e2e/titles/";

uint32_t Crc32(const uint8_t* data, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

void PutBe32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<uint8_t>(v >> shift));
    }
}

void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    PutBe32(out, static_cast<uint32_t>(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBe32(out, Crc32(out.data() + start, out.size() - start));
}

// A PNG of a few dozen bytes whose header declares width x height RGB pixels, with a scrap of
// compressed data: the shape of a decompression bomb, or of a huge file cut short.
std::vector<uint8_t> DeclaredPng(uint32_t width, uint32_t height) {
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    PutBe32(header, width);
    PutBe32(header, height);
    header.insert(header.end(), {8, 2, 0, 0, 0});
    Chunk(out, "IHDR", header);
    Chunk(out, "IDAT", {0x78, 0x9C, 0x63, 0x60, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01});
    Chunk(out, "IEND", {});
    return out;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void MakeTitle(E2eRun& run, const std::string& instance, int width, int height, const std::string& scenario) {
    std::ofstream(run.Title() + "/title.ist", std::ios::binary)
        << "InstanceName=\"" << instance << "\"\r\nWindowName=\"Limits\"\r\nWindowWidth=\"" << width
        << "\"\r\nWindowHeight=\"" << height << "\"\r\n";
    std::ofstream(run.Title() + "/scenario.txt", std::ios::binary) << scenario;
    CopyFile(kTitles + "reading/cg/menu/logo.bmp", run.Title() + "/cg/menu/logo.bmp");
}

TEST(Limits, PicturesThatDeclareMoreThanTheEngineUsesAreRefusedAsLoadFailures) {
    E2eRun run("");
    MakeTitle(run, "e2e-limits-pictures", 640, 480,
              "start\r\n$C\r\n$effect 1\r\n$imgblt cg\\bomb.png\r\n$imgblt cg\\wide.png\r\n"
              "$imgblt cg\\cut.png\r\nend\r\n$S\r\n");
    WriteFile(run.Title() + "/cg/bomb.png", DeclaredPng(8192, 8192));  // over four screens
    WriteFile(run.Title() + "/cg/wide.png", DeclaredPng(8193, 1));     // a side over 8192
    WriteFile(run.Title() + "/cg/cut.png", DeclaredPng(1280, 960));    // allowed, but cut short
    RunResult r =
        run.Run("wait\nclick 1 1\nwait\nclick 1 1\nwait\nclick 1 1\nwait\nclick 1 1\nwait\nclose\n", 60000);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.TextLines(), (std::vector<std::string>{"start", "end"}));
    ASSERT_EQ(r.Events("message").size(), 3u);
    for (const TraceEvent& m : r.Events("message")) {
        EXPECT_EQ(m.Get("text"), "画像の読み込み失敗");
    }
    EXPECT_NE(r.stderrText.find("cg\\bomb.png is larger than the engine can use"), std::string::npos);
    EXPECT_NE(r.stderrText.find("cg\\wide.png is larger than the engine can use"), std::string::npos);
    EXPECT_EQ(r.stderrText.find("cg\\cut.png is larger"), std::string::npos);
}

TEST(Limits, AWindowLargerThan4096OnASideIsRefusedWithExitOne) {
    struct Case {
        int width, height;
        bool refused;
    };
    const Case cases[] = {{12000, 12000, true}, {4097, 480, true}, {640, 4097, true}, {640, 480, false}};
    for (const Case& c : cases) {
        E2eRun run("");
        MakeTitle(run, "e2e-limits-window", c.width, c.height, "line\r\n$S\r\n");
        RunResult r = run.Run(c.refused ? "" : "wait\nclose\n", 60000, {}, /*watchLogo=*/true);
        ASSERT_FALSE(r.timedOut) << c.width;
        EXPECT_EQ(r.exitCode, c.refused ? 1 : 0) << c.width;
        if (c.refused) {
            ASSERT_EQ(r.Events("message").size(), 1u) << c.width;
            EXPECT_EQ(r.Events("message")[0].Get("text"),
                      "The instance file asks for a screen of " + std::to_string(c.width) + " x " +
                          std::to_string(c.height) + " pixels, which cannot be shown.");
            EXPECT_TRUE(r.TextLines().empty());
        } else {
            EXPECT_EQ(r.TextLines(), (std::vector<std::string>{"line"}));
        }
    }
}

}  // namespace
}  // namespace textreel::testing
