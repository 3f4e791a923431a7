// Draws the user-interface parts and synthesizes the interface sounds of an 800 x 600 title of
// game type 0, into the title folder given on the command line:
//   cg/menu/bar_a.bmp     the message window frame over the button bar band (masked, 1600 x 22)
//   cg/menu/btnprts.bmp   the four buttons in their hover and pressed looks (masked, 1280 x 44)
//   cg/menu/waiticon.bmp  two frames of the click-wait icon (masked, 64 x 64)
//   cg/menu/logo.bmp      the start-up logo (800 x 600)
//   cg/menu/menubar.bmp   the bar under each word of a `selword` menu (masked, 720 x 35)
//   sound/click.wav, sound/move.wav, sound/logo.wav
//   bgm/dawn.ogg          the looping music (Ogg Vorbis)
//   voice/v01..v03.ogg    three spoken lines, as a hummed melody (Ogg Vorbis)
//   se/train.ogg, se/shake.wav   two effects
// A masked picture holds the colours in its left half and the mask in its right half: black
// covers, white leaves the picture below alone, grey levels cover partly.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "pixel_font.h"
#include "support/ogg_maker.h"
#include "support/test_files.h"

namespace {

namespace fs = std::filesystem;

struct Rgb {
    uint8_t r, g, b;
};

Rgb Mix(Rgb a, Rgb b, double t) {
    auto m = [t](uint8_t x, uint8_t y) { return static_cast<uint8_t>(std::lround(x + (y - x) * t)); };
    return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
}

// A picture in top-down rows.
class Canvas {
  public:
    Canvas(int width, int height, Rgb fill = {0, 0, 0})
        : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, fill) {}

    int Width() const { return width_; }
    int Height() const { return height_; }
    Rgb At(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
    void Set(int x, int y, Rgb c) {
        if (x >= 0 && y >= 0 && x < width_ && y < height_) {
            pixels_[static_cast<size_t>(y) * width_ + x] = c;
        }
    }
    void FillRect(int x, int y, int w, int h, Rgb c) {
        for (int j = y; j < y + h; ++j) {
            for (int i = x; i < x + w; ++i) {
                Set(i, j, c);
            }
        }
    }
    // A one-pixel outline without its corner pixels.
    void Frame(int x, int y, int w, int h, Rgb c) {
        for (int i = x + 1; i < x + w - 1; ++i) {
            Set(i, y, c);
            Set(i, y + h - 1, c);
        }
        for (int j = y + 1; j < y + h - 1; ++j) {
            Set(x, j, c);
            Set(x + w - 1, j, c);
        }
    }
    void Paste(const Canvas& other, int x, int y) {
        for (int j = 0; j < other.height_; ++j) {
            for (int i = 0; i < other.width_; ++i) {
                Set(x + i, y + j, other.At(i, j));
            }
        }
    }

  private:
    int width_;
    int height_;
    std::vector<Rgb> pixels_;
};

// ----- text in the 5 x 7 pixel font -----

constexpr int kGlyphWidth = pixel_font::kWidth;
constexpr int kGlyphHeight = pixel_font::kHeight;

int TextWidth(std::string_view text, int scale) {
    return text.empty() ? 0 : static_cast<int>(text.size()) * (kGlyphWidth + 1) * scale - scale;
}

// Calls plot(x, y) for every pixel of the text at the given scale.
template <typename Plot>
void ForTextPixels(std::string_view text, int x, int y, int scale, Plot plot) {
    for (char letter : text) {
        if (const pixel_font::Glyph* g = pixel_font::Find(letter)) {
            pixel_font::ForEachDot(*g, [&](int col, int row) {
                for (int dy = 0; dy < scale; ++dy) {
                    for (int dx = 0; dx < scale; ++dx) {
                        plot(x + col * scale + dx, y + row * scale + dy);
                    }
                }
            });
        }
        x += (kGlyphWidth + 1) * scale;
    }
}

void DrawText(Canvas& canvas, std::string_view text, int x, int y, int scale, Rgb colour) {
    ForTextPixels(text, x, y, scale, [&](int px, int py) { canvas.Set(px, py, colour); });
}

// ----- files -----

bool WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "make_demo_assets: cannot write %s\n", path.string().c_str());
        return false;
    }
    std::printf("%s (%zu bytes)\n", path.string().c_str(), bytes.size());
    return true;
}

// An uncompressed 24-bit bottom-up BMP: the 14-byte file header, the 40-byte information header,
// then the rows from the bottom up, each padded to 4 bytes.
std::vector<uint8_t> Bmp(const Canvas& c) {
    const uint32_t stride = (static_cast<uint32_t>(c.Width()) * 3 + 3) & ~3u;
    std::vector<uint8_t> out = textreel::testing::BmpHeader(c.Width(), c.Height(), 24);
    for (int y = c.Height() - 1; y >= 0; --y) {
        size_t rowStart = out.size();
        for (int x = 0; x < c.Width(); ++x) {
            Rgb p = c.At(x, y);
            out.push_back(p.b);
            out.push_back(p.g);
            out.push_back(p.r);
        }
        out.resize(rowStart + stride, 0);
    }
    return out;
}

// The colours and the mask side by side. Mask levels: 0 covers fully, 255 not at all.
Canvas Masked(const Canvas& colours, const std::vector<uint8_t>& mask) {
    const int w = colours.Width();
    Canvas out(w * 2, colours.Height());
    out.Paste(colours, 0, 0);
    for (int y = 0; y < colours.Height(); ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t m = mask[static_cast<size_t>(y) * w + x];
            out.Set(w + x, y, {m, m, m});
        }
    }
    return out;
}

int16_t ToSample(double v) {
    return static_cast<int16_t>(std::lround(std::clamp(v, -1.0, 1.0) * 32767.0));
}

// ----- the parts -----

constexpr int kScreenWidth = 800;
constexpr int kScreenHeight = 600;
constexpr int kBarHeight = 22;

struct Button {
    const char* label;
    int left;   // screen x of the first column
    int right;  // screen x one past the last column
};
// Their rectangles on the screen run from y 579 to the bottom, one row under the bar's top line.
constexpr Button kButtons[] = {{"SKIP", 33, 138}, {"HIDE", 174, 278}, {"SAVE", 352, 457}, {"LOAD", 493, 597}};
constexpr int kButtonTop = 1;  // in bar rows
constexpr int kButtonRows = kBarHeight - kButtonTop;

struct ButtonLook {
    Rgb fillTop, fillBottom, border, label;
    int labelShift;  // a pressed button's label sinks by a pixel
};

constexpr ButtonLook kPlain = {{58, 66, 98}, {38, 44, 70}, {110, 122, 168}, {214, 220, 236}, 0};
constexpr ButtonLook kHover = {{92, 122, 196}, {58, 82, 148}, {206, 218, 255}, {255, 255, 255}, 0};
constexpr ButtonLook kPressed = {{30, 36, 62}, {46, 56, 96}, {206, 218, 255}, {255, 226, 140}, 1};

// Draws one button into rows [top, top + kButtonRows) of the canvas and marks it opaque.
void DrawButton(Canvas& c, std::vector<uint8_t>& mask, const Button& b, int top, const ButtonLook& look) {
    const int w = b.right - b.left;
    for (int j = 0; j < kButtonRows; ++j) {
        Rgb row = Mix(look.fillTop, look.fillBottom, static_cast<double>(j) / (kButtonRows - 1));
        for (int i = 0; i < w; ++i) {
            c.Set(b.left + i, top + j, row);
            mask[static_cast<size_t>(top + j) * c.Width() + b.left + i] = 0;
        }
    }
    c.Frame(b.left, top, w, kButtonRows, look.border);
    // Softened corners read as a rounded box at this size.
    const Rgb corner = Mix(look.border, look.fillTop, 0.5);
    for (auto [x, y] :
         {std::pair{b.left, top}, std::pair{b.right - 1, top}, std::pair{b.left, top + kButtonRows - 1},
          std::pair{b.right - 1, top + kButtonRows - 1}}) {
        c.Set(x, y, corner);
    }
    const int scale = 2;
    const int tx = b.left + (w - TextWidth(b.label, scale)) / 2 + look.labelShift;
    const int ty = top + (kButtonRows - kGlyphHeight * scale) / 2 + look.labelShift;
    DrawText(c, b.label, tx + 1, ty + 1, scale, Mix(look.fillBottom, {0, 0, 0}, 0.6));  // shadow
    DrawText(c, b.label, tx, ty, scale, look.label);
}

// The frame of the message window over the button bar band: a translucent dark band with a light
// top edge, and the four buttons in their plain look.
Canvas WindowFrame() {
    Canvas c(kScreenWidth, kBarHeight);
    std::vector<uint8_t> mask(static_cast<size_t>(c.Width()) * c.Height(), 0);
    for (int y = 0; y < kBarHeight; ++y) {
        for (int x = 0; x < kScreenWidth; ++x) {
            if (y == 0) {
                c.Set(x, y, {150, 164, 214});
                mask[static_cast<size_t>(x)] = 40;
            } else {
                c.Set(x, y, Mix({24, 28, 48}, {12, 14, 26}, static_cast<double>(y) / kBarHeight));
                mask[static_cast<size_t>(y) * c.Width() + x] = 56;
            }
        }
    }
    for (const Button& b : kButtons) {
        DrawButton(c, mask, b, kButtonTop, kPlain);
    }
    return Masked(c, mask);
}

// The button parts: the hover looks in the upper 22 rows and the pressed looks in the lower 22,
// over the first 640 columns of the bar; everything else is transparent.
Canvas ButtonParts() {
    Canvas c(640, kBarHeight * 2, {255, 255, 255});
    std::vector<uint8_t> mask(static_cast<size_t>(c.Width()) * c.Height(), 255);
    for (const Button& b : kButtons) {
        DrawButton(c, mask, b, kButtonTop, kHover);
        DrawButton(c, mask, b, kBarHeight + kButtonTop, kPressed);
    }
    return Masked(c, mask);
}

// Two 32 x 32 frames of a small downward triangle that bobs by three pixels.
Canvas WaitIcon() {
    Canvas c(32, 64, {255, 255, 255});
    std::vector<uint8_t> mask(static_cast<size_t>(c.Width()) * c.Height(), 255);
    for (int frame = 0; frame < 2; ++frame) {
        const int top = frame * 32 + 10 + frame * 3;
        const Rgb fill = frame == 0 ? Rgb{236, 238, 255} : Rgb{255, 226, 140};
        const int rows = 10;
        for (int j = -1; j <= rows; ++j) {
            // Row j of the triangle spans 9 - j pixels either side of the centre column 16.
            const int half = 9 - std::max(j, 0);
            for (int i = -half - 1; i <= half; ++i) {
                const bool edge = j < 0 || j == rows || i == -half - 1 || i == half;
                if (half < 0) {
                    continue;
                }
                const int x = 16 + i;
                const int y = top + j;
                c.Set(x, y, edge ? Rgb{20, 22, 40} : fill);
                mask[static_cast<size_t>(y) * c.Width() + x] = edge ? 96 : 0;
            }
        }
    }
    return Masked(c, mask);
}

Canvas Logo() {
    Canvas c(kScreenWidth, kScreenHeight);
    for (int y = 0; y < kScreenHeight; ++y) {
        const double t = static_cast<double>(y) / (kScreenHeight - 1);
        for (int x = 0; x < kScreenWidth; ++x) {
            const double u = static_cast<double>(x) / (kScreenWidth - 1);
            Rgb base = Mix({14, 18, 44}, {64, 30, 86}, t);
            c.Set(x, y, Mix(base, {20, 70, 110}, 0.35 * u * (1 - t)));
        }
    }
    const std::string_view word = "TEXTREEL";
    const int scale = 12;
    const int x = (kScreenWidth - TextWidth(word, scale)) / 2;
    const int y = (kScreenHeight - kGlyphHeight * scale) / 2 - 20;
    DrawText(c, word, x + 6, y + 6, scale, {8, 8, 20});
    // The letters shade from warm white at the top to a pale gold at the bottom.
    ForTextPixels(word, x, y, scale, [&](int px, int py) {
        const double t = static_cast<double>(py - y) / (kGlyphHeight * scale - 1);
        c.Set(px, py, Mix({255, 250, 238}, {236, 196, 120}, t));
    });
    const int lineY = y + kGlyphHeight * scale + 28;
    for (int px = x; px < x + TextWidth(word, scale); ++px) {
        const double u = static_cast<double>(px - x) / TextWidth(word, scale);
        const double fade = std::sin(u * 3.14159265358979);
        c.Set(px, lineY, Mix(c.At(px, lineY), {236, 196, 120}, fade));
        c.Set(px, lineY + 1, Mix(c.At(px, lineY + 1), {120, 90, 60}, fade));
    }
    return c;
}

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

// A short tick: a fast-decaying 2.4 kHz tone over a noise burst.
std::vector<int16_t> Click() {
    std::vector<int16_t> s;
    uint32_t noise = 0x12345678;
    const int count = kRate * 35 / 1000;
    for (int i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double tail = std::min(1.0, (count - 1 - i) / (kRate * 0.003));
        noise = noise * 1664525u + 1013904223u;
        const double n = static_cast<double>(noise >> 8) / (1 << 23) - 1.0;
        const double v =
            0.5 * std::sin(2 * kPi * 2400 * t) * std::exp(-t * 160) + 0.25 * n * std::exp(-t * 600);
        s.push_back(ToSample(v * tail));
    }
    return s;
}

// A soft blip that rises from 880 Hz to 1320 Hz.
std::vector<int16_t> Move() {
    std::vector<int16_t> s;
    const int count = kRate * 60 / 1000;
    double phase = 0;
    for (int i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / count;
        phase += 2 * kPi * (880 + 440 * t) / kRate;
        const double envelope = std::min(1.0, t * 20) * std::pow(1 - t, 2);
        s.push_back(ToSample(0.3 * envelope * std::sin(phase)));
    }
    return s;
}

// One second of a bell-like C major chord, stereo, each voice a little apart.
std::vector<int16_t> Chime() {
    struct Voice {
        double freq, gain, pan, decay;
    };
    const Voice voices[] = {{523.25, 0.30, 0.5, 3.0}, {659.25, 0.22, 0.3, 3.5}, {783.99, 0.22, 0.7, 4.0},
                            {1046.5, 0.16, 0.5, 5.0}, {2093.0, 0.05, 0.4, 9.0}, {2637.0, 0.03, 0.6, 11.0}};
    std::vector<int16_t> s;
    for (int i = 0; i < kRate; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double attack = std::min(1.0, t * 200);
        const double release = std::min(1.0, (1.0 - t) * 20);  // no click at the end
        double left = 0;
        double right = 0;
        for (const Voice& v : voices) {
            const double x = v.gain * std::sin(2 * kPi * v.freq * t) * std::exp(-t * v.decay);
            left += x * (1 - v.pan);
            right += x * v.pan;
        }
        s.push_back(ToSample(1.4 * left * attack * release));
        s.push_back(ToSample(1.4 * right * attack * release));
    }
    return s;
}

// ----- music, voices and effects -----

// Encodes interleaved samples as Ogg Vorbis at the given quality (0 to 1), with a fixed stream
// serial so that the files come out the same on every run.
std::vector<uint8_t> Ogg(int rate, int channels, const std::vector<int16_t>& samples, float quality) {
    textreel::testing::OggSettings settings;
    settings.quality = quality;
    settings.serial = 20260101;
    settings.tags = {{"TITLE", "textreel demo"}};
    return textreel::testing::EncodeOgg(samples, rate, channels, settings);
}

double Midi(int note) {
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

// Sixteen seconds of quiet music that loops without a seam: four bars of soft chords (A minor,
// F, C, G) under a plucked melody, stereo. Every note ends inside the loop, so its end meets its
// start.
std::vector<int16_t> Dawn() {
    constexpr int kBars = 4;
    constexpr double kBarSeconds = 4.0;
    const int total = static_cast<int>(kRate * kBars * kBarSeconds);
    std::vector<double> left(static_cast<size_t>(total)), right(static_cast<size_t>(total));
    const int chords[kBars][3] = {{57, 60, 64}, {53, 57, 60}, {48, 52, 55}, {55, 59, 62}};
    // The melody: eight notes a bar (MIDI numbers, 0 rests).
    const int melody[kBars][8] = {{76, 0, 72, 74, 76, 0, 79, 76},
                                  {77, 0, 76, 74, 72, 0, 69, 72},
                                  {72, 0, 74, 76, 79, 0, 76, 74},
                                  {74, 0, 71, 72, 74, 0, 79, 0}};
    for (int bar = 0; bar < kBars; ++bar) {
        const int barStart = static_cast<int>(bar * kBarSeconds * kRate);
        const int barLength = static_cast<int>(kBarSeconds * kRate);
        for (int note : chords[bar]) {
            const double f = Midi(note);
            for (int i = 0; i < barLength; ++i) {
                const double t = static_cast<double>(i) / kRate;
                const double swell = std::sin(kPi * i / barLength);  // in and out within the bar
                const double v = 0.06 * swell * (std::sin(2 * kPi * f * t) + 0.3 * std::sin(4 * kPi * f * t));
                left[static_cast<size_t>(barStart + i)] += v;
                right[static_cast<size_t>(barStart + i)] += v;
            }
        }
        for (int step = 0; step < 8; ++step) {
            const int note = melody[bar][step];
            if (note == 0) {
                continue;
            }
            const double f = Midi(note);
            const int start = barStart + step * barLength / 8;
            const int length = barLength / 8;
            const double pan = 0.35 + 0.3 * (step % 3) / 2.0;
            for (int i = 0; i < length; ++i) {
                const double t = static_cast<double>(i) / kRate;
                const double env =
                    std::exp(-t * 5) * std::min(1.0, t * 400) * std::min(1.0, (length - i) / 400.0);
                const double v = 0.16 * env * (std::sin(2 * kPi * f * t) + 0.25 * std::sin(6 * kPi * f * t));
                left[static_cast<size_t>(start + i)] += v * (1 - pan);
                right[static_cast<size_t>(start + i)] += v * pan;
            }
        }
    }
    std::vector<int16_t> s;
    s.reserve(static_cast<size_t>(total) * 2);
    for (int i = 0; i < total; ++i) {
        s.push_back(ToSample(left[static_cast<size_t>(i)]));
        s.push_back(ToSample(right[static_cast<size_t>(i)]));
    }
    return s;
}

// A spoken line, hummed: a voice-like buzz (a pitch with harmonics shaped by two vowel formants)
// that follows a little melody of syllables, mono at 22.05 kHz.
std::vector<int16_t> Voice(const std::vector<int>& syllables, double basePitch) {
    constexpr int kVoiceRate = 22050;
    const int syllableLength = kVoiceRate * 22 / 100;
    std::vector<int16_t> s;
    double phase = 0;
    const double formants[][2] = {{800, 1200}, {400, 2000}, {300, 2300}, {500, 900}, {600, 1700}};
    for (size_t k = 0; k < syllables.size(); ++k) {
        const double pitch = basePitch * std::pow(2.0, syllables[k] / 12.0);
        const double* formant = formants[k % 5];
        for (int i = 0; i < syllableLength; ++i) {
            const double t = static_cast<double>(i) / syllableLength;
            const double env = std::sin(kPi * t);
            phase += 2 * kPi * pitch * (1 + 0.01 * std::sin(2 * kPi * 5 * i / kVoiceRate)) / kVoiceRate;
            double v = 0;
            for (int h = 1; h <= 12; ++h) {
                const double hf = h * pitch;
                const double gain = std::exp(-std::pow((hf - formant[0]) / 250, 2)) +
                                    0.6 * std::exp(-std::pow((hf - formant[1]) / 350, 2)) + 0.05;
                v += gain * std::sin(h * phase) / h;
            }
            s.push_back(ToSample(0.35 * env * v));
        }
    }
    return s;
}

// A train passing: low rumbling noise with the beat of the wheels, mono, two seconds.
std::vector<int16_t> Train() {
    std::vector<int16_t> s;
    uint32_t noise = 0x2468ACE1;
    double low = 0;
    const int count = kRate * 2;
    for (int i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kRate;
        noise = noise * 1664525u + 1013904223u;
        const double n = static_cast<double>(noise >> 8) / (1 << 23) - 1.0;
        low += 0.02 * (n - low);
        const double beat = 0.6 + 0.4 * std::pow(std::sin(kPi * t * 3), 8);
        const double env = std::min(1.0, t * 4) * std::min(1.0, (2.0 - t) * 2);
        s.push_back(ToSample(3.0 * low * beat * env));
    }
    return s;
}

// A heavy jolt: a falling thump, mono.
std::vector<int16_t> Shake() {
    std::vector<int16_t> s;
    const int count = kRate * 45 / 100;
    double phase = 0;
    for (int i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kRate;
        phase += 2 * kPi * (120 - 60 * t / 0.45) / kRate;
        s.push_back(ToSample(0.7 * std::exp(-t * 9) * std::sin(phase) * std::min(1.0, (count - i) / 300.0)));
    }
    return s;
}

// The bar of a word-choice button: a pale rounded strip with a small diamond on its left, where the
// text (drawn from 47 pixels in) does not reach. Dark text sits on it, lighter text when hovered.
Canvas MenuBar() {
    constexpr int kWidth = 360;
    constexpr int kHeight = 35;
    Canvas c(kWidth, kHeight, {255, 255, 255});
    std::vector<uint8_t> mask(static_cast<size_t>(kWidth) * kHeight, 255);
    const int radius = 8;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            // Rounded ends: a pixel outside the corner circles stays transparent.
            const int cx = std::clamp(x, radius, kWidth - 1 - radius);
            const int cy = std::clamp(y, radius, kHeight - 1 - radius);
            const int dx = x - cx;
            const int dy = y - cy;
            if (dx * dx + dy * dy > radius * radius) {
                continue;
            }
            const bool edge = dx * dx + dy * dy > (radius - 1) * (radius - 1) || y == 0 || y == kHeight - 1 ||
                              x == 0 || x == kWidth - 1;
            Rgb colour = Mix({236, 238, 246}, {196, 204, 226}, static_cast<double>(y) / (kHeight - 1));
            if (edge) {
                colour = {112, 124, 168};
            }
            const int d = std::abs(x - 24) + std::abs(y - kHeight / 2);
            if (d <= 7) {
                colour = d <= 5 ? Rgb{228, 150, 88} : Rgb{150, 90, 50};
            }
            c.Set(x, y, colour);
            // The right end fades out.
            const int fade = x > kWidth - 60 ? (x - (kWidth - 60)) * 3 : 0;
            mask[static_cast<size_t>(y) * kWidth + x] = static_cast<uint8_t>(std::min(fade, 200));
        }
    }
    return Masked(c, mask);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_assets TITLE_DIR\n");
        return 2;
    }
    const fs::path title = argv[1];
    const fs::path menu = title / "cg" / "menu";
    const fs::path sound = title / "sound";
    bool ok = WriteFile(menu / "bar_a.bmp", Bmp(WindowFrame()));
    ok = WriteFile(menu / "btnprts.bmp", Bmp(ButtonParts())) && ok;
    ok = WriteFile(menu / "waiticon.bmp", Bmp(WaitIcon())) && ok;
    ok = WriteFile(menu / "logo.bmp", Bmp(Logo())) && ok;
    ok = WriteFile(menu / "menubar.bmp", Bmp(MenuBar())) && ok;
    ok = WriteFile(sound / "click.wav", textreel::testing::MakeWav(kRate, 1, Click())) && ok;
    ok = WriteFile(sound / "move.wav", textreel::testing::MakeWav(kRate, 1, Move())) && ok;
    ok = WriteFile(sound / "logo.wav", textreel::testing::MakeWav(kRate, 2, Chime())) && ok;
    ok = WriteFile(title / "bgm" / "dawn.ogg", Ogg(kRate, 2, Dawn(), 0.2f)) && ok;
    ok = WriteFile(title / "voice" / "v01.ogg", Ogg(22050, 1, Voice({0, 2, 4, 2, 0, 5, 4}, 220), 0.1f)) && ok;
    ok = WriteFile(title / "voice" / "v02.ogg", Ogg(22050, 1, Voice({4, 2, 0, -1, 0}, 220), 0.1f)) && ok;
    ok = WriteFile(title / "voice" / "v03.ogg", Ogg(22050, 1, Voice({7, 5, 4, 2, 4, 0, 0, -3}, 220), 0.1f)) &&
         ok;
    ok = WriteFile(title / "se" / "train.ogg", Ogg(kRate, 1, Train(), 0.1f)) && ok;
    ok = WriteFile(title / "se" / "shake.wav", textreel::testing::MakeWav(kRate, 1, Shake())) && ok;
    return ok ? 0 : 1;
}
