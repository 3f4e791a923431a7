// The picture commands: `imgblt`, `ccblt`, `sprite`, `fill` and `blt`, and the settings
// `brightness`, `spralpha` and `alphadepth`.
#include "graphics/picture_commands.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "graphics/masked_blend.h"
#include "graphics/png_loader.h"
#include "graphics/screen.h"
#include "platform/encoding.h"
#include "platform/error_log.h"
#include "platform/files.h"
#include "script/byte_text.h"
#include "script/commands.h"
#include "shell/engine.h"
#include "shell/messages.h"

namespace textreel {

namespace {

constexpr int kSpriteSlots = 2;
constexpr int kPictureNumbers = 21;

// The colour-correction values (red, green, blue, brightness) that the colour dialog leaves in the
// first four point counters; only their low bytes count.
struct Correction {
    int red;
    int green;
    int blue;
    int brightness;
};

Correction CorrectionOf(const FlagBlock& flags) {
    return {flags.PointCounter(0) & 0xFF, flags.PointCounter(1) & 0xFF, flags.PointCounter(2) & 0xFF,
            flags.PointCounter(3) & 0xFF};
}

uint8_t Corrected(int colour, int light, int offset) {
    int s = light + offset;
    if (s > 255) {
        return static_cast<uint8_t>((colour * 255) >> 8);
    }
    if (s < 0) {
        return 0;
    }
    return static_cast<uint8_t>((colour * s) >> 8);
}

// Fills target from a picture with the colours in its first target.Width() columns and the light
// map in the next target.Width(). Where the light map is pure white the colour stays as it is;
// elsewhere each channel is scaled by the light map's channel plus the correction. Parts that the
// picture does not have read as black, in the colours and in the light map alike.
void ConvertColourCorrected(const DecodedPng& png, Surface& target, const Correction& c) {
    const int width = target.Width();
    const bool usable =
        png.width > 0 && png.height > 0 &&
        png.rgb.size() >= static_cast<size_t>(png.width) * static_cast<size_t>(png.height) * 3;
    const int colourColumns = usable ? std::min(width, png.width) : 0;
    const int lightColumns = usable ? std::clamp(png.width - width, 0, width) : 0;
    const int rows = usable ? std::min(target.Height(), png.height) : 0;
    // Indexed by the picture's channel order: red, green, blue.
    const int offset[3] = {c.red + c.brightness - 127, c.green + c.brightness - 127,
                           c.blue + c.brightness - 127};
    const size_t pictureStride = static_cast<size_t>(png.width) * 3;
    for (int y = 0; y < target.Height(); ++y) {
        uint8_t* out = target.RowTop(y);
        std::memset(out, 0, static_cast<size_t>(target.Stride()));
        if (y >= rows) {
            continue;
        }
        const uint8_t* colours = png.rgb.data() + static_cast<size_t>(y) * pictureStride;
        const uint8_t* lights = colours + static_cast<size_t>(width) * 3;
        for (int x = 0; x < colourColumns; ++x, out += 3) {
            const uint8_t* col = colours + 3 * x;
            static constexpr uint8_t kNoLight[3] = {0, 0, 0};
            const uint8_t* light = x < lightColumns ? lights + 3 * x : kNoLight;
            if (light[0] == 255 && light[1] == 255 && light[2] == 255) {
                out[0] = col[2];
                out[1] = col[1];
                out[2] = col[0];
                continue;
            }
            out[0] = Corrected(col[2], light[2], offset[2]);
            out[1] = Corrected(col[1], light[1], offset[1]);
            out[2] = Corrected(col[0], light[0], offset[0]);
        }
    }
}

// Decodes a picture of the script; a missing, foreign or damaged file shows the load-failure
// message.
bool LoadPicture(Engine& e, std::string_view name, DecodedPng& picture) {
    PngResult result = PngResult::kMissing;
    if (!name.empty()) {
        if (auto path = e.ResolvePath(name)) {
            // No picture the engine draws needs more than four screens' worth of pixels; a header
            // that declares more is refused before anything is decoded.
            const uint64_t maxPixels = 4 * uint64_t(std::max(e.instance.windowWidth, 1)) *
                                       uint64_t(std::max(e.instance.windowHeight, 1));
            result = LoadPng(*path, picture, maxPixels);
            if (result == PngResult::kTooLarge) {
                ErrorPrintf("textreel: %s is larger than the engine can use\n",
                            e.Title(name).ToUtf8().c_str());
            }
        }
    }
    if (result == PngResult::kOk) {
        return true;
    }
    // The box names no file; a watcher (the explorer) is told which one it was.
    e.trace.Note("picture-failed", {{"path", e.Title(name).ToUtf8()}});
    e.MessageBox(e.Text(msg::kPictureLoadFailed), msg::kPictureCaption);
    return false;
}

// The end of every picture change, with the new screen in WorkPixels: BackSurface takes it, the
// clean copy is kept, the message window is composed over it when open, and Present shows it.
// readBack copies BackSurface into WorkPixels again before presenting.
void FinishPicture(Engine& e, bool readBack) {
    GraphicsState& g = e.graphics;
    {
        std::lock_guard lock(g.ScreenLock);
        CopyWhole(g.WorkPixels, g.BackSurface);
        CopyWhole(g.BackSurface, g.CleanBackground);
    }
    if (e.MessageWindowOpen != 0) {
        ComposeMessageWindow(e, g.WindowLayer);
    }
    if (readBack) {
        std::lock_guard lock(g.ScreenLock);
        CopyWhole(g.BackSurface, g.WorkPixels);
    }
    Present(e);
}

void ClearSpriteSlots(FlagBlock& flags) {
    flags.bytes[FlagBlock::kSpriteActive] = 0;
    flags.bytes[FlagBlock::kSpriteActive + 1] = 0;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A number field of a `sprite` line: the number is read from at most 5 characters at p, up to the
// next blank; the next field starts after that blank (at the line's end when there is none).
const char* SpriteField(const char* p, int32_t& value) {
    char field[6] = {};
    for (int i = 0; i < 5 && p[i] != '\0' && p[i] != ' '; ++i) {
        field[i] = p[i];
    }
    value = ReadDecimal(field);
    const char* blank = std::strchr(p, ' ');
    return blank != nullptr ? blank + 1 : p + std::strlen(p);
}

// The six values of a `blt` line after its first "(". Each is read from at most 4 characters; the
// first five stop at a comma, which is passed over. A value of 4 characters leaves its comma in
// place, so the next value reads it as an empty field.
std::array<int16_t, 6> BltValues(const char* open) {
    std::array<int16_t, 6> values{};
    const char* p = open + 1;
    for (size_t i = 0; i < values.size(); ++i) {
        char field[5] = {};
        int n = 0;
        bool comma = false;
        while (n < 4 && p[n] != '\0') {
            if (i + 1 < values.size() && p[n] == ',') {
                comma = true;
                break;
            }
            field[n] = p[n];
            ++n;
        }
        values[i] = static_cast<int16_t>(ReadDecimal(field));
        p += n + (comma ? 1 : 0);
    }
    return values;
}

}  // namespace

int SeenPictureIndex(std::string_view name) {
    // The first backslash that is a character of its own, not the second byte of a two-byte one.
    size_t i = 0;
    while (i < name.size() && name[i] != '\\') {
        i += IsSjisLeadByte(static_cast<unsigned char>(name[i])) ? 2 : 1;
    }
    if (i + 2 >= name.size() || !IsDigit(name[i + 1]) || !IsDigit(name[i + 2])) {
        return -1;
    }
    int number = (name[i + 1] - '0') * 10 + (name[i + 2] - '0');
    return number >= 1 && number <= kPictureNumbers ? number - 1 : -1;
}

int ShowBackground(Engine& e, std::string_view name, bool colourCorrected) {
    GraphicsState& g = e.graphics;
    e.MessageDrawn = 0;
    e.MessageVisible = 0;
    e.WaitIconOn = 0;
    DecodedPng picture;
    if (!LoadPicture(e, name, picture)) {
        return 0;
    }
    {
        std::lock_guard lock(g.ScreenLock);
        if (colourCorrected) {
            ConvertColourCorrected(picture, g.WorkPixels, CorrectionOf(e.flags));
        } else {
            ConvertToScreen(picture, g.WorkPixels);
        }
    }
    picture = DecodedPng{};
    FinishPicture(e, true);

    e.flags.SetText(FlagBlock::kBackgroundName, FlagBlock::kNameSize, name);
    ClearSpriteSlots(e.flags);
    e.flags.bytes[FlagBlock::kBackgroundVariant] = colourCorrected ? 1 : 0;
    // A picture outside the numbered ones records nothing, so env.dat has nothing new to store.
    if (int seen = SeenPictureIndex(name); seen >= 0) {
        e.RequestEnvDatWrite(seen);
    }
    return 1;
}

int ShowSprite(Engine& e, int32_t slot, int32_t x, std::string_view name) {
    GraphicsState& g = e.graphics;
    if (slot >= 0 && slot < kSpriteSlots) {
        const auto s = static_cast<size_t>(slot);
        e.flags.bytes[FlagBlock::kSpriteActive + s] = 1;
        e.flags.SetU32(FlagBlock::kSpriteValues + 4 * s, static_cast<uint32_t>(x));
        e.flags.SetText(FlagBlock::kSpriteNames + FlagBlock::kNameSize * s, FlagBlock::kNameSize, name);
    }
    // The background stays what it was, so its colour-corrected marker stays too: a saved game
    // must redraw it the same way.
    e.MessageDrawn = 0;
    e.WaitIconOn = 0;
    DecodedPng picture;
    if (!LoadPicture(e, name, picture)) {
        return 0;
    }
    Surface sprite = ToSurface(picture);
    picture = DecodedPng{};
    {
        std::lock_guard lock(g.ScreenLock);
        BlendMaskedPicture(g.WorkPixels, x, g.WorkPixels.Height() - sprite.Height(), sprite, g.spriteAlpha);
    }
    FinishPicture(e, false);
    return 1;
}

void FillScreen(Engine& e, FillColour colour) {
    static constexpr std::array<const char*, 5> kNames = {"FILL_BLACK", "FILL_WHITE", "FILL_RED",
                                                          "FILL_GREEN", "FILL_BLUE"};
    static constexpr std::array<uint32_t, 5> kColours = {0x000000, 0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000};
    const auto index = static_cast<size_t>(colour);
    GraphicsState& g = e.graphics;
    e.flags.SetText(FlagBlock::kBackgroundName, FlagBlock::kNameSize, kNames[index]);
    ClearSpriteSlots(e.flags);
    e.flags.bytes[FlagBlock::kBackgroundVariant] = 0;
    e.MessageDrawn = 0;
    e.MessageVisible = 0;
    e.WaitIconOn = 0;
    {
        std::lock_guard lock(g.ScreenLock);
        std::memset(g.WorkPixels.Pixels(), 0, g.WorkPixels.ByteSize());
        g.WorkPixels.FillRect(0, 0, g.WorkPixels.Width(), g.WorkPixels.Height(), kColours[index]);
    }
    FinishPicture(e, true);
}

void CmdImgblt(Engine& e, const char* line, int) {
    ShowBackground(e, TextAfterBlank(line), false);
}

void CmdCcblt(Engine& e, const char* line, int) {
    ShowBackground(e, TextAfterBlank(line), true);
}

void CmdSprite(Engine& e, const char* line, int) {
    // The slot starts right after "$sprite ", the ninth character of the line.
    const char* p = line + std::min<size_t>(8, std::strlen(line));
    int32_t slot = 0;
    int32_t x = 0;
    p = SpriteField(p, slot);
    p = SpriteField(p, x);
    ShowSprite(e, slot, x, p);
}

void CmdFill(Engine& e, const char* line, int) {
    e.flags.SetText(FlagBlock::kBackgroundName, FlagBlock::kNameSize, "");
    ClearSpriteSlots(e.flags);
    static constexpr struct {
        const char* word;
        FillColour colour;
    } kWords[] = {{"black", FillColour::kBlack},
                  {"white", FillColour::kWhite},
                  {"red", FillColour::kRed},
                  {"green", FillColour::kGreen},
                  {"blue", FillColour::kBlue}};
    for (const auto& word : kWords) {
        if (FindText(line, word.word) != nullptr) {
            FillScreen(e, word.colour);
        }
    }
}

void CmdBlt(Engine& e, const char* line, int) {
    // Without a "(" there are no values to read, and nothing is copied.
    const char* open = std::strchr(line, '(');
    if (open == nullptr) {
        return;
    }
    const auto [x1, y1, x2, y2, sx, sy] = BltValues(open);
    const auto w = static_cast<int16_t>(x2 - x1);
    const auto h = static_cast<int16_t>(y2 - y1);
    if (w <= 0 || h <= 0) {
        return;
    }
    GraphicsState& g = e.graphics;
    std::lock_guard lock(g.ScreenLock);
    CopyRect(g.BackSurface, sx, sy, w, h, g.ScreenSurface, x1, y1);
    e.platform.BlitToWindow(g.ScreenSurface.View(), x1, y1, w, h, x1, y1);
}

void CmdBrightness(Engine& e, const char* line, int) {
    e.graphics.brightness = NumberAfterBlank(line);
}

void CmdSprAlpha(Engine& e, const char* line, int) {
    e.graphics.spriteAlpha = NumberAfterBlank(line);
}

void CmdAlphaDepth(Engine& e, const char* line, int) {
    e.graphics.alphaDepth = NumberAfterBlank(line);
}

}  // namespace textreel
