#include "shell/notice.h"

#include <algorithm>

#include "shell/engine.h"
#include "shell/overlay.h"

namespace textreel {

namespace {
constexpr int kMargin = 8;
constexpr int kPadding = 6;
constexpr int kTextSize = 16;
}  // namespace

void ShowNotice(Engine& e, const std::string& text) {
    GlyphSource* glyphs = e.glyphs.get();
    GlyphSource* latin = e.latinGlyphs.get();
    const int width =
        std::min(OverlayCanvas::TextWidth(glyphs, kTextSize, text, TextEncoding::kUtf8, latin) + 2 * kPadding,
                 std::max(e.instance.windowWidth - 2 * kMargin, 1));
    const int height = kTextSize + 2 * kPadding;
    OverlayCanvas canvas(width, height);
    canvas.Fill(0, 0, width, height, overlay_colour::kCaption);
    canvas.Outline(0, 0, width, height, overlay_colour::kLight);
    canvas.Text(glyphs, kTextSize, kPadding, kPadding, text, overlay_colour::kCaptionText,
                TextEncoding::kUtf8, latin);
    e.platform.SetOverlay(NoticeState::kLayer, canvas.TakeImage(kMargin, kMargin));
    e.notice.text = text;
    e.notice.until = e.clock.NowMs() + NoticeState::kShownMs;
    e.trace.Event("notice", {{"text", text}});
}

void ExpireNotice(Engine& e) {
    if (e.notice.until != 0 && e.clock.NowMs() >= e.notice.until) {
        e.platform.SetOverlay(NoticeState::kLayer, OverlayImage{});
        e.notice.until = 0;
        e.notice.text.clear();
    }
}

}  // namespace textreel
