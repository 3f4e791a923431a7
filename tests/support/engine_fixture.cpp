#include "support/engine_fixture.h"

#include "graphics/screen.h"

namespace textreel::testing {

EngineFixture::EngineFixture(int width, int height, int gameType) {
    engine.trace.Capture();
    engine.instance = DefaultInstanceConfig();
    engine.instance.windowWidth = width;
    engine.instance.windowHeight = height;
    engine.instance.gameType = gameType;
    engine.workDir = title.Path() + "/";
    engine.env.ApplyDefaults();
    engine.text.TextOrigin.Set(40, height - 155);
    engine.text.TextCursor.Set(40, height - 155);
    auto fake = std::make_unique<FakeGlyphSource>();
    glyphs = fake.get();
    engine.glyphs = std::move(fake);
    platform.OpenWindow("test", width, height);
    CreateGraphics(engine);
}

}  // namespace textreel::testing
