#include "platform/window_framebuffer.h"

#include <gtest/gtest.h>

#include <vector>

namespace textreel {
namespace {

struct Taken {
    bool ran = false;
    WindowFramebuffer::Area area;
};

Taken Take(WindowFramebuffer& framebuffer) {
    Taken taken;
    taken.ran = framebuffer.TakeIfChanged(
        [&](const uint8_t*, int, const WindowFramebuffer::Area& area) { taken.area = area; });
    return taken;
}

// What the window is given to show is the bounding box of the copies since it last took the
// picture, clipped to the picture; a whole-picture change (a resize, an overlay, a forced repaint)
// gives the whole picture; nothing changed, nothing is taken.
TEST(WindowFramebuffer, GivesTheAreaChangedSinceItWasLastTaken) {
    WindowFramebuffer framebuffer;
    framebuffer.Resize(100, 80);
    std::vector<uint8_t> pixels(size_t{120} * 40, 0x7F);
    const PixelView source{pixels.data(), 40, 40, 120};

    Taken t = Take(framebuffer);
    EXPECT_TRUE(t.ran);
    EXPECT_EQ(t.area.width, 100);
    EXPECT_EQ(t.area.height, 80);
    EXPECT_FALSE(Take(framebuffer).ran);

    framebuffer.Blit(source, 0, 0, 10, 10, 5, 6);
    framebuffer.Blit(source, 0, 0, 4, 4, 30, 2);
    t = Take(framebuffer);
    EXPECT_TRUE(t.ran);
    EXPECT_EQ(t.area.x, 5);
    EXPECT_EQ(t.area.y, 2);
    EXPECT_EQ(t.area.width, 29);   // 5 to 34
    EXPECT_EQ(t.area.height, 14);  // 2 to 16

    // Past the right and bottom edges: only what lies in the picture.
    framebuffer.Blit(source, 0, 0, 40, 40, 90, 70);
    t = Take(framebuffer);
    EXPECT_EQ(t.area.x, 90);
    EXPECT_EQ(t.area.y, 70);
    EXPECT_EQ(t.area.width, 10);
    EXPECT_EQ(t.area.height, 10);

    framebuffer.Stretch(source, -10, 20, 30, 5);
    t = Take(framebuffer);
    EXPECT_EQ(t.area.x, 0);
    EXPECT_EQ(t.area.y, 20);
    EXPECT_EQ(t.area.width, 20);
    EXPECT_EQ(t.area.height, 5);

    framebuffer.Blit(source, 0, 0, 2, 2, 1, 1);
    framebuffer.MarkChanged();
    t = Take(framebuffer);
    EXPECT_EQ(t.area.width, 100);
    EXPECT_EQ(t.area.height, 80);

    // A copy wholly outside changes nothing.
    framebuffer.Blit(source, 0, 0, 10, 10, 200, 0);
    EXPECT_FALSE(Take(framebuffer).ran);
}

}  // namespace
}  // namespace textreel
