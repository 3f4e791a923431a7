#include "platform/display_geometry.h"

#include <gtest/gtest.h>

#include "platform/headless/headless_platform.h"

namespace textreel {
namespace {

TEST(DisplayGeometry, FitsThePictureWithItsAspectAndBlackBars) {
    struct Case {
        int gw, gh, ow, oh;
        Viewport expected;
    } cases[] = {
        {640, 480, 1920, 1080, {240, 0, 1440, 1080}},  // bars left and right
        {640, 480, 1280, 1024, {0, 32, 1280, 960}},    // bars above and below
        {640, 480, 640, 480, {0, 0, 640, 480}},
        {800, 600, 640, 480, {0, 0, 640, 480}},  // a smaller display scales down
        {800, 600, 320, 200, {27, 0, 266, 200}},
    };
    for (const Case& c : cases) {
        Viewport v = FitPicture(c.gw, c.gh, c.ow, c.oh);
        EXPECT_EQ(v.x, c.expected.x);
        EXPECT_EQ(v.y, c.expected.y);
        EXPECT_EQ(v.width, c.expected.width);
        EXPECT_EQ(v.height, c.expected.height);
    }
    EXPECT_EQ(AutomaticScale(640, 480, 1920, 1040), 2);
    EXPECT_EQ(AutomaticScale(640, 480, 3840, 2100), 4);
    EXPECT_EQ(AutomaticScale(800, 600, 1024, 700), 1);
    EXPECT_EQ(AutomaticScale(640, 480, 320, 200), 1);
    EXPECT_EQ(AutomaticScale(100, 100, 100000, 100000), kMaxWindowScale);
}

// Input as the window reports it, mapped back to game pixels by the headless backend.
struct Mapped {
    int x, y;
};
Mapped Click(HeadlessPlatform& p, int x, int y) {
    InputEvent e;
    e.kind = InputEvent::Kind::kButtonUp;
    e.button = InputEvent::kLeftButton;
    e.x = x;
    e.y = y;
    p.PostWindowEvent(e);
    InputEvent got;
    EXPECT_TRUE(p.WaitEvent(got, p.GetClock().NowMs() + 1000));
    return {got.x, got.y};
}

TEST(DisplayGeometry, ThePointerMapsBackToGamePixelsAtScaleTwoAndInFullScreen) {
    HeadlessPlatform p;
    p.SetDisplaySize(1920, 1080);
    p.SetWindowScale(0);  // the largest scale that fits: 2
    ASSERT_TRUE(p.OpenWindow("t", 640, 480));
    DisplayInfo d = p.Display();
    EXPECT_EQ(d.scale, 2);
    EXPECT_EQ(d.outputWidth, 1280);
    EXPECT_EQ(d.outputHeight, 960);
    Mapped m = Click(p, 801, 601);
    EXPECT_EQ(m.x, 400);
    EXPECT_EQ(m.y, 300);
    m = Click(p, 1279, 959);
    EXPECT_EQ(m.x, 639);
    EXPECT_EQ(m.y, 479);

    p.SetFullscreen(true);
    d = p.Display();
    EXPECT_TRUE(d.fullscreen);
    EXPECT_EQ(d.outputWidth, 1920);
    EXPECT_EQ(d.picture.x, 240);
    EXPECT_EQ(d.picture.width, 1440);
    m = Click(p, 240 + 720, 540);  // the middle of the picture
    EXPECT_EQ(m.x, 320);
    EXPECT_EQ(m.y, 240);
    m = Click(p, 10, 10);  // on the bar: the picture's edge
    EXPECT_EQ(m.x, 0);
    EXPECT_EQ(m.y, 4);  // 10 * 480 / 1080
    m = Click(p, 1919, 1079);
    EXPECT_EQ(m.x, 639);
    EXPECT_EQ(m.y, 479);

    // Screenshots stay in game pixels whatever the output.
    std::vector<uint8_t> rgb;
    int w = 0;
    int h = 0;
    p.ReadWindow(rgb, w, h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
}

TEST(DisplayGeometry, AnExplicitScaleWinsAndFullScreenOnASmallerDisplayScalesDown) {
    HeadlessPlatform p;
    p.SetDisplaySize(640, 400);
    p.SetWindowScale(3);
    ASSERT_TRUE(p.OpenWindow("t", 800, 600));
    EXPECT_EQ(p.Display().scale, 3);
    p.SetFullscreen(true);
    DisplayInfo d = p.Display();
    EXPECT_EQ(d.picture.width, 533);
    EXPECT_EQ(d.picture.height, 400);
    Mapped m = Click(p, d.picture.x + 532, 399);
    EXPECT_EQ(m.x, 798);
    EXPECT_EQ(m.y, 598);
}

}  // namespace
}  // namespace textreel
