// Draws the demo title's pictures for an 800 x 600 screen into the title folder given on the
// command line:
//   bg/01_station.png  a station platform at dawn
//   bg/02_train.png    inside a local train in the morning
//   bg/03_sea.png      the sea at dusk
//   bg/04_room.png     a room at night, for `ccblt`: colours on the left, the light map on the right
//   chr/01_girl.png    a girl in a sailor uniform, masked (colours left, mask right)
//   chr/02_cat.png     a sitting cat, masked
//   mask/wipe.bmp      an 8-bit grey mask for the mask fade: a diagonal sweep with some grain
//   title/title.png    the title screen with its four buttons (start, load, gallery, quit)
//   title/title_lit.png  the same with every button in its highlighted look, for `selarea`
//   gallery/locked.png the CG gallery with every picture still locked
//   gallery/open.png   the gallery with every picture shown, for the unlocked tiles
//   gallery/lit.png    the gallery with highlighted tiles, for the hover
//   cg/menu/save_off.png, save_on.png, load_off.png, load_on.png
//                      the save and load screens, masked, plain and highlighted: twelve slots and a
//                      button back over the dimmed game picture
// Shapes are drawn with 4 x 4 supersampling, so edges are soft; in the masked pictures the edge
// coverage becomes the grey levels of the mask (black covers, white leaves the screen alone).
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "pixel_font.h"
#include "support/test_files.h"

namespace {

namespace fs = std::filesystem;

constexpr int kScreenWidth = 800;
constexpr int kScreenHeight = 600;
constexpr double kPi = 3.14159265358979323846;

// ----- colours -----

struct Rgb {
    double r, g, b;
};

Rgb Mix(Rgb a, Rgb b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Scale(Rgb c, double k) {
    return {c.r * k, c.g * k, c.b * k};
}

// A colour ramp through stops at positions 0..1.
Rgb Ramp(const std::vector<std::pair<double, Rgb>>& stops, double t) {
    if (t <= stops.front().first) {
        return stops.front().second;
    }
    for (size_t i = 1; i < stops.size(); ++i) {
        if (t <= stops[i].first) {
            const double span = stops[i].first - stops[i - 1].first;
            return Mix(stops[i - 1].second, stops[i].second, span > 0 ? (t - stops[i - 1].first) / span : 1);
        }
    }
    return stops.back().second;
}

double Smooth(double edge0, double edge1, double x) {
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// ----- noise -----

double Hash(int x, int y, int seed) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
                 static_cast<uint32_t>(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xFFFFFF) / double(0xFFFFFF);
}

// Smooth value noise in 0..1 with features about one unit apart.
double ValueNoise(double x, double y, int seed) {
    const int xi = static_cast<int>(std::floor(x));
    const int yi = static_cast<int>(std::floor(y));
    const double fx = x - xi;
    const double fy = y - yi;
    const double sx = fx * fx * (3 - 2 * fx);
    const double sy = fy * fy * (3 - 2 * fy);
    const double top = Hash(xi, yi, seed) + (Hash(xi + 1, yi, seed) - Hash(xi, yi, seed)) * sx;
    const double bottom = Hash(xi, yi + 1, seed) + (Hash(xi + 1, yi + 1, seed) - Hash(xi, yi + 1, seed)) * sx;
    return top + (bottom - top) * sy;
}

double Fractal(double x, double y, int seed, int octaves = 4) {
    double sum = 0;
    double amplitude = 0.5;
    double total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += ValueNoise(x, y, seed + i * 17) * amplitude;
        total += amplitude;
        x *= 2.03;
        y *= 2.03;
        amplitude *= 0.5;
    }
    return sum / total;
}

// ----- shapes -----

struct Shape {
    double left, top, right, bottom;  // the bounding box
    std::function<bool(double, double)> inside;
};

Shape Rect(double x, double y, double w, double h) {
    return {x, y, x + w, y + h,
            [=](double px, double py) { return px >= x && px < x + w && py >= y && py < y + h; }};
}

Shape Ellipse(double cx, double cy, double rx, double ry) {
    return {cx - rx, cy - ry, cx + rx, cy + ry, [=](double px, double py) {
                const double dx = (px - cx) / rx;
                const double dy = (py - cy) / ry;
                return dx * dx + dy * dy <= 1;
            }};
}

Shape RoundRect(double x, double y, double w, double h, double r) {
    return {x, y, x + w, y + h, [=](double px, double py) {
                if (px < x || px >= x + w || py < y || py >= y + h) {
                    return false;
                }
                const double cx = std::clamp(px, x + r, x + w - r);
                const double cy = std::clamp(py, y + r, y + h - r);
                return (px - cx) * (px - cx) + (py - cy) * (py - cy) <= r * r;
            }};
}

struct Point {
    double x, y;
};

Shape Polygon(std::vector<Point> points) {
    double left = 1e9, top = 1e9, right = -1e9, bottom = -1e9;
    for (const Point& p : points) {
        left = std::min(left, p.x);
        top = std::min(top, p.y);
        right = std::max(right, p.x);
        bottom = std::max(bottom, p.y);
    }
    return {left, top, right, bottom, [points = std::move(points)](double px, double py) {
                bool in = false;
                for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
                    const Point& a = points[i];
                    const Point& b = points[j];
                    if ((a.y > py) != (b.y > py) && px < (b.x - a.x) * (py - a.y) / (b.y - a.y) + a.x) {
                        in = !in;
                    }
                }
                return in;
            }};
}

// A thick line with round ends.
Shape Capsule(double ax, double ay, double bx, double by, double radius) {
    return {std::min(ax, bx) - radius, std::min(ay, by) - radius, std::max(ax, bx) + radius,
            std::max(ay, by) + radius, [=](double px, double py) {
                const double dx = bx - ax;
                const double dy = by - ay;
                const double length2 = dx * dx + dy * dy;
                const double t =
                    length2 > 0 ? std::clamp(((px - ax) * dx + (py - ay) * dy) / length2, 0.0, 1.0) : 0;
                const double ex = px - (ax + t * dx);
                const double ey = py - (ay + t * dy);
                return ex * ex + ey * ey <= radius * radius;
            }};
}

Shape Intersect(const Shape& a, const Shape& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom),
            [=](double x, double y) { return a.inside(x, y) && b.inside(x, y); }};
}

Shape Subtract(const Shape& a, const Shape& b) {
    return {a.left, a.top, a.right, a.bottom,
            [=](double x, double y) { return a.inside(x, y) && !b.inside(x, y); }};
}

// ----- the canvas -----

// Colours premultiplied by their coverage, so that soft edges over nothing keep their own colour.
class Canvas {
  public:
    Canvas(int width, int height) : width_(width), height_(height), colour_(Size()), alpha_(Size(), 0) {}

    int Width() const { return width_; }
    int Height() const { return height_; }

    // Sets every pixel from a function of its centre, fully covered.
    void Fill(const std::function<Rgb(double, double)>& paint) {
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                colour_[Index(x, y)] = paint(x + 0.5, y + 0.5);
                alpha_[Index(x, y)] = 1;
            }
        }
    }

    // Lays paint over the pixels the shape covers, with soft edges.
    void Paint(const Shape& shape, const std::function<Rgb(double, double)>& paint, double opacity = 1) {
        const int x0 = std::max(0, static_cast<int>(std::floor(shape.left)));
        const int y0 = std::max(0, static_cast<int>(std::floor(shape.top)));
        const int x1 = std::min(width_, static_cast<int>(std::ceil(shape.right)) + 1);
        const int y1 = std::min(height_, static_cast<int>(std::ceil(shape.bottom)) + 1);
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                int hits = 0;
                for (int sy = 0; sy < 4; ++sy) {
                    for (int sx = 0; sx < 4; ++sx) {
                        hits += shape.inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4) ? 1 : 0;
                    }
                }
                if (hits > 0) {
                    Over(x, y, paint(x + 0.5, y + 0.5), opacity * hits / 16.0);
                }
            }
        }
    }
    void Paint(const Shape& shape, Rgb colour, double opacity = 1) {
        Paint(
            shape, [colour](double, double) { return colour; }, opacity);
    }

    // Adds light around a point, fading out over radius.
    void Glow(double cx, double cy, double radius, Rgb colour, double strength) {
        const int x0 = std::max(0, static_cast<int>(cx - radius));
        const int y0 = std::max(0, static_cast<int>(cy - radius));
        const int x1 = std::min(width_, static_cast<int>(cx + radius) + 1);
        const int y1 = std::min(height_, static_cast<int>(cy + radius) + 1);
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy) / radius;
                if (d >= 1) {
                    continue;
                }
                const double k = strength * (1 - d) * (1 - d);
                Rgb& c = colour_[Index(x, y)];
                const double a = alpha_[Index(x, y)];
                // Screen blending: light never overshoots white.
                c.r += (colour.r * a - c.r) * k * colour.r / 255;
                c.g += (colour.g * a - c.g) * k * colour.g / 255;
                c.b += (colour.b * a - c.b) * k * colour.b / 255;
            }
        }
    }

    void Over(int x, int y, Rgb colour, double k) {
        if (x < 0 || y < 0 || x >= width_ || y >= height_ || k <= 0) {
            return;
        }
        Rgb& c = colour_[Index(x, y)];
        c.r = colour.r * k + c.r * (1 - k);
        c.g = colour.g * k + c.g * (1 - k);
        c.b = colour.b * k + c.b * (1 - k);
        alpha_[Index(x, y)] = k + alpha_[Index(x, y)] * (1 - k);
    }

    // The colour as drawn (not premultiplied) and the coverage of a pixel.
    Rgb At(int x, int y) const {
        const double a = alpha_[Index(x, y)];
        return a > 0 ? Scale(colour_[Index(x, y)], 1 / a) : Rgb{0, 0, 0};
    }
    double Coverage(int x, int y) const { return alpha_[Index(x, y)]; }

  private:
    size_t Size() const { return static_cast<size_t>(width_) * static_cast<size_t>(height_); }
    size_t Index(int x, int y) const { return static_cast<size_t>(y) * width_ + x; }

    int width_;
    int height_;
    std::vector<Rgb> colour_;
    std::vector<double> alpha_;
};

uint8_t Byte(double v) {
    return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

// ----- files -----

bool MakeFolder(const fs::path& file) {
    std::error_code error;
    fs::create_directories(file.parent_path(), error);
    return !error;
}

bool WritePng(const fs::path& path, int width, int height, const std::vector<uint8_t>& rgb) {
    if (!MakeFolder(path)) {
        std::fprintf(stderr, "make_demo_pictures: cannot make the folder of %s\n", path.string().c_str());
        return false;
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    if (png_image_write_to_file(&image, path.string().c_str(), 0, rgb.data(), 0, nullptr) == 0) {
        std::fprintf(stderr, "make_demo_pictures: cannot write %s: %s\n", path.string().c_str(),
                     image.message);
        return false;
    }
    std::printf("%s (%d x %d)\n", path.string().c_str(), width, height);
    return true;
}

// An opaque picture.
bool WritePicture(const fs::path& path, const Canvas& canvas) {
    std::vector<uint8_t> rgb;
    rgb.reserve(static_cast<size_t>(canvas.Width()) * canvas.Height() * 3);
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            const Rgb c = canvas.At(x, y);
            rgb.insert(rgb.end(), {Byte(c.r), Byte(c.g), Byte(c.b)});
        }
    }
    return WritePng(path, canvas.Width(), canvas.Height(), rgb);
}

// Two canvases of one size side by side: the colour picture on the left and the second one (a
// light map) on the right.
bool WriteSideBySide(const fs::path& path, const Canvas& left, const Canvas& right) {
    const int w = left.Width();
    std::vector<uint8_t> rgb;
    rgb.reserve(static_cast<size_t>(w) * 2 * left.Height() * 3);
    for (int y = 0; y < left.Height(); ++y) {
        for (const Canvas* half : {&left, &right}) {
            for (int x = 0; x < w; ++x) {
                const Rgb c = half->At(x, y);
                rgb.insert(rgb.end(), {Byte(c.r), Byte(c.g), Byte(c.b)});
            }
        }
    }
    return WritePng(path, 2 * w, left.Height(), rgb);
}

// A masked picture: the drawing's colours on the left, its coverage on the right as a mask
// (black where it covers, white where it leaves the screen alone).
bool WriteMasked(const fs::path& path, const Canvas& drawing) {
    const int w = drawing.Width();
    std::vector<uint8_t> rgb;
    rgb.reserve(static_cast<size_t>(w) * 2 * drawing.Height() * 3);
    for (int y = 0; y < drawing.Height(); ++y) {
        for (int x = 0; x < w; ++x) {
            const Rgb c = drawing.At(x, y);
            rgb.insert(rgb.end(), {Byte(c.r), Byte(c.g), Byte(c.b)});
        }
        for (int x = 0; x < w; ++x) {
            const uint8_t level = Byte(255 * (1 - drawing.Coverage(x, y)));
            rgb.insert(rgb.end(), {level, level, level});
        }
    }
    return WritePng(path, 2 * w, drawing.Height(), rgb);
}

// An 8-bit BMP with a 256-entry grey palette at file offset 54 and one byte per pixel, rows
// bottom-up. levels holds the rows top-down.
bool WriteGreyBmp(const fs::path& path, int width, int height, const std::vector<uint8_t>& levels) {
    const int stride = (width + 3) & ~3;
    std::vector<uint8_t> out = textreel::testing::BmpHeader(width, height, 8, 256);
    for (uint32_t i = 0; i < 256; ++i) {
        out.insert(out.end(), {static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i), 0});
    }
    for (int y = height - 1; y >= 0; --y) {
        const uint8_t* row = levels.data() + static_cast<size_t>(y) * width;
        out.insert(out.end(), row, row + width);
        out.insert(out.end(), static_cast<size_t>(stride - width), 0);
    }
    if (!MakeFolder(path)) {
        return false;
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    file.close();
    if (!file) {
        std::fprintf(stderr, "make_demo_pictures: cannot write %s\n", path.string().c_str());
        return false;
    }
    std::printf("%s (%d x %d, 8-bit grey)\n", path.string().c_str(), width, height);
    return true;
}

// ----- shared scenery -----

// A ridge line across the canvas: the shape below a noisy horizon around baseY.
Shape Ridge(int width, double baseY, double amplitude, double scale, int seed, double bottom) {
    return {0, baseY - amplitude, static_cast<double>(width), bottom, [=](double x, double y) {
                const double top = baseY - amplitude * Fractal(x / scale, 0.5, seed, 3);
                return y >= top && y < bottom;
            }};
}

// A cloud bank: a flattened ellipse whose outline is broken up by noise.
Shape Cloud(double cx, double cy, double rx, double ry, int seed) {
    return {cx - 1.3 * rx, cy - 2 * ry, cx + 1.3 * rx, cy + 2 * ry, [=](double x, double y) {
                const double dx = (x - cx) / rx;
                const double dy = (y - cy) / ry;
                return dx * dx + dy * dy < 0.35 + 0.9 * Fractal(x / 28, y / 7, seed, 3);
            }};
}

// Paints a cloud bank dark at its top and lit from below.
void PaintCloud(Canvas& c, double cx, double cy, double rx, double ry, int seed, Rgb dark, Rgb lit,
                double opacity) {
    c.Paint(
        Cloud(cx, cy, rx, ry, seed),
        [=](double, double y) { return Mix(dark, lit, Smooth(cy - ry, cy + ry, y)); }, opacity);
}

// ----- 01: a station at dawn -----

Canvas Station() {
    Canvas c(kScreenWidth, kScreenHeight);
    const double horizon = 350;
    const Rgb sunColour{255, 214, 160};
    const Point sun{600, horizon - 24};
    c.Fill([&](double x, double y) {
        Rgb sky = Ramp({{0.0, {24, 28, 66}},
                        {0.35, {72, 66, 128}},
                        {0.62, {168, 112, 146}},
                        {0.82, {242, 160, 128}},
                        {1.0, {255, 204, 150}}},
                       y / horizon);
        // Stars fade out towards the light.
        if (Hash(static_cast<int>(x), static_cast<int>(y), 7) > 0.9992 && y < 150) {
            sky = Mix(sky, {255, 250, 235}, 0.8 * (1 - y / 150));
        }
        return sky;
    });
    c.Glow(sun.x, sun.y, 420, sunColour, 0.55);
    c.Paint(Ellipse(sun.x, sun.y, 26, 26), Rgb{255, 236, 200});
    // Thin clouds lit from below.
    PaintCloud(c, 190, 118, 170, 9, 11, {110, 86, 140}, {250, 176, 156}, 0.8);
    PaintCloud(c, 440, 196, 200, 11, 13, {140, 96, 140}, {255, 190, 150}, 0.85);
    PaintCloud(c, 700, 84, 130, 7, 15, {90, 76, 130}, {236, 160, 160}, 0.7);
    PaintCloud(c, 300, 262, 120, 6, 17, {190, 120, 130}, {255, 206, 160}, 0.8);
    // Far hills and the town under them.
    c.Paint(Ridge(kScreenWidth, horizon + 4, 70, 260, 3, horizon + 30), Rgb{104, 84, 120});
    c.Paint(Ridge(kScreenWidth, horizon + 10, 36, 140, 9, horizon + 40), Rgb{74, 60, 96});
    for (int i = 0; i < 26; ++i) {
        const double x = 20 + i * 31 + 12 * Hash(i, 1, 5);
        const double h = 14 + 30 * Hash(i, 2, 5);
        const double w = 18 + 14 * Hash(i, 3, 5);
        c.Paint(Rect(x, horizon + 20 - h, w, h + 20), Rgb{56, 46, 76});
        if (Hash(i, 4, 5) > 0.4) {
            c.Paint(Rect(x + 5, horizon + 24 - h, 3, 3), Rgb{255, 214, 140}, 0.9);
        }
    }
    // The track bed with its rails, and the far fence.
    c.Paint(Rect(0, horizon + 36, kScreenWidth, 120), [&](double, double y) {
        return Mix(Rgb{70, 58, 70}, Rgb{52, 44, 54}, (y - horizon - 36) / 120);
    });
    for (int i = 0; i < 40; ++i) {
        c.Paint(Rect(i * 20.0 + 2, horizon + 38, 2, 14), Rgb{40, 34, 46});
    }
    c.Paint(Rect(0, horizon + 36, kScreenWidth, 2), Rgb{40, 34, 46});
    for (int i = 0; i < 60; ++i) {
        c.Paint(Rect(i * 14.0, horizon + 88, 9, 6), Rgb{84, 70, 74});
        c.Paint(Rect(i * 14.0 + 4, horizon + 118, 10, 8), Rgb{84, 70, 74});
    }
    for (const double y : {horizon + 84, horizon + 104, horizon + 112, horizon + 136}) {
        c.Paint(Rect(0, y, kScreenWidth, 3), Rgb{186, 160, 160});
        c.Paint(Rect(0, y + 3, kScreenWidth, 2), Rgb{60, 50, 58});
    }
    // The platform we stand on, with its yellow line.
    const double edge = horizon + 156;
    c.Paint(Rect(0, edge, kScreenWidth, kScreenHeight - edge), [&](double x, double y) {
        const double grain = Fractal(x / 9, y / 9, 21, 3);
        return Scale(Mix(Rgb{170, 156, 160}, Rgb{124, 116, 128}, (y - edge) / 100), 0.92 + 0.12 * grain);
    });
    c.Paint(Rect(0, edge, kScreenWidth, 5), Rgb{220, 206, 200});
    c.Paint(Rect(0, edge + 14, kScreenWidth, 9), Rgb{236, 196, 70});
    // The canopy over the left part of the platform, its pillars and the station sign.
    c.Paint(Polygon({{0, 0}, {330, 0}, {360, 34}, {0, 52}}), Rgb{48, 44, 62});
    c.Paint(Polygon({{0, 52}, {360, 34}, {360, 40}, {0, 60}}), Rgb{92, 84, 104});
    for (const double x : {70.0, 270.0}) {
        c.Paint(Rect(x, 44, 14, kScreenHeight), Rgb{70, 66, 86});
        c.Paint(Rect(x + 2, 44, 3, kScreenHeight), Rgb{116, 108, 128});
    }
    c.Paint(Rect(128, 54, 2, 26), Rgb{40, 38, 50});
    c.Paint(Rect(214, 50, 2, 30), Rgb{40, 38, 50});
    c.Paint(RoundRect(104, 78, 136, 46, 4), Rgb{240, 238, 232});
    c.Paint(Rect(104, 112, 136, 8), Rgb{40, 110, 170});
    for (int i = 0; i < 4; ++i) {
        c.Paint(RoundRect(124 + i * 26, 88, 18, 16, 2), Rgb{40, 44, 60});
    }
    // A bench under the canopy.
    c.Paint(RoundRect(110, 528, 150, 10, 3), Rgb{150, 70, 56});
    c.Paint(RoundRect(104, 550, 162, 12, 3), Rgb{160, 78, 60});
    c.Paint(Rect(122, 562, 6, 34), Rgb{50, 46, 60});
    c.Paint(Rect(242, 562, 6, 34), Rgb{50, 46, 60});
    c.Paint(Rect(122, 536, 4, 16), Rgb{50, 46, 60});
    c.Paint(Rect(244, 536, 4, 16), Rgb{50, 46, 60});
    // The overhead wires with their mast.
    c.Paint(Rect(460, 120, 8, horizon - 84), Rgb{64, 56, 80});
    c.Paint(Rect(440, 140, 360, 4), Rgb{64, 56, 80});
    for (const double base : {146.0, 164.0}) {
        // Each span sags between two masts 800 pixels apart.
        c.Paint(Shape{0, base - 2, kScreenWidth, base + 32,
                      [=](double x, double y) {
                          const double centre = x < 464 ? 64 : 864;
                          const double u = (x - centre) / 400;
                          return std::abs(y - (base + 28 * (1 - u * u))) < 0.9;
                      }},
                Rgb{44, 38, 60});
    }
    // A lamp still burning.
    c.Paint(Rect(648, 220, 6, edge - 220 + 20), Rgb{58, 54, 72});
    c.Paint(RoundRect(634, 206, 34, 18, 6), Rgb{58, 54, 72});
    c.Paint(Rect(640, 222, 22, 6), Rgb{255, 236, 190});
    c.Glow(651, 228, 90, Rgb{255, 220, 160}, 0.5);
    return c;
}

// ----- 02: inside a train -----

Canvas Train() {
    Canvas c(kScreenWidth, kScreenHeight);
    c.Fill([](double x, double y) {
        const double shade = 0.94 + 0.06 * Fractal(x / 40, y / 40, 31, 2);
        return Scale(Mix(Rgb{236, 228, 208}, Rgb{214, 202, 180}, y / 600), shade);
    });
    // The ceiling with its light strip.
    c.Paint(Rect(0, 0, kScreenWidth, 46), Rgb{246, 244, 238});
    c.Paint(Rect(0, 46, kScreenWidth, 3), Rgb{190, 182, 166});
    c.Paint(Rect(0, 14, kScreenWidth, 14), Rgb{255, 255, 250});
    c.Glow(400, 21, 500, Rgb{255, 252, 240}, 0.25);
    // Three windows onto the morning countryside.
    for (int i = 0; i < 3; ++i) {
        const double x = 40 + i * 250;
        const double y = 112;
        const double w = 220;
        const double h = 196;
        c.Paint(RoundRect(x - 10, y - 10, w + 20, h + 20, 16), Rgb{168, 170, 176});
        c.Paint(RoundRect(x - 4, y - 4, w + 8, h + 8, 13), Rgb{120, 124, 132});
        const double seed = i * 220;
        c.Paint(RoundRect(x, y, w, h, 10), [&](double px, double py) {
            const double t = (py - y) / h;
            const double u = px + seed;
            // Sky, far hills, and fields smeared by the speed.
            const double hill = 0.52 - 0.12 * Fractal(u / 120, 0.3, 41, 3);
            if (t < hill) {
                Rgb sky = Mix(Rgb{120, 176, 230}, Rgb{214, 232, 244}, t / hill);
                const double cloud = Fractal(u / 90, py / 30, 43, 4);
                return Mix(sky, Rgb{252, 252, 255}, Smooth(0.55, 0.75, cloud) * 0.8);
            }
            const double field = 0.62 - 0.04 * Fractal(u / 60, 0.7, 47, 2);
            if (t < field) {
                return Mix(Rgb{112, 150, 140}, Rgb{96, 140, 110}, (t - hill) / (field - hill));
            }
            const double streak = Fractal(u / 180, py / 2.5, 53, 3);
            return Mix(Rgb{120, 168, 80}, Rgb{196, 190, 96}, streak * 1.3 - 0.2);
        });
        // A reflection across the glass.
        c.Paint(Polygon({{x + 30, y}, {x + 70, y}, {x + 10, y + h}, {x - 30, y + h}}), Rgb{255, 255, 255},
                0.12);
        // The sash bar.
        c.Paint(Rect(x, y + 66, w, 6), Rgb{150, 152, 160});
    }
    // The luggage rack and the hand straps.
    c.Paint(Rect(0, 64, kScreenWidth, 6), Rgb{170, 172, 180});
    c.Paint(Rect(0, 74, kScreenWidth, 2), Rgb{150, 152, 160});
    for (int i = 0; i < 9; ++i) {
        const double x = 36 + i * 92;
        c.Paint(RoundRect(x - 4, 70, 8, 66, 3), Rgb{236, 234, 228});
        c.Paint(Rect(x - 4, 120, 8, 3), Rgb{190, 186, 178});
        c.Paint(Subtract(Ellipse(x, 152, 14, 16), Ellipse(x, 152, 9, 11)), Rgb{246, 246, 244});
        c.Paint(Subtract(Ellipse(x, 152, 15, 17), Ellipse(x, 152, 14, 16)), Rgb{170, 168, 164});
    }
    // The long seat: its back and its cushion.
    c.Paint(Rect(0, 336, kScreenWidth, 6), Rgb{160, 150, 136});
    c.Paint(RoundRect(-20, 344, kScreenWidth + 40, 108, 18), [](double x, double y) {
        const double weave = 0.9 + 0.1 * Hash(static_cast<int>(x), static_cast<int>(y), 61);
        return Scale(Mix(Rgb{62, 112, 104}, Rgb{44, 88, 82}, (y - 344) / 108), weave);
    });
    for (int i = 1; i < 6; ++i) {
        c.Paint(Rect(i * 133.0, 350, 2, 96), Rgb{36, 74, 68}, 0.8);
    }
    c.Paint(RoundRect(-20, 446, kScreenWidth + 40, 58, 16), [](double x, double y) {
        const double weave = 0.9 + 0.1 * Hash(static_cast<int>(x), static_cast<int>(y), 67);
        return Scale(Mix(Rgb{74, 130, 120}, Rgb{48, 96, 88}, (y - 446) / 58), weave);
    });
    c.Paint(Rect(0, 504, kScreenWidth, 20), Rgb{120, 112, 104});
    // The floor.
    c.Paint(Rect(0, 524, kScreenWidth, 76), [](double x, double y) {
        return Scale(Mix(Rgb{140, 128, 112}, Rgb{104, 94, 84}, (y - 524) / 76),
                     0.95 + 0.08 * Fractal(x / 6, y / 6, 71, 2));
    });
    // Morning light falling through the windows onto the seat.
    for (int i = 0; i < 3; ++i) {
        const double x = 40 + i * 250;
        c.Paint(Polygon({{x + 40, 344}, {x + 250, 344}, {x + 300, 452}, {x + 90, 452}}), Rgb{255, 240, 200},
                0.12);
    }
    return c;
}

// ----- 03: the sea at dusk -----

Canvas Sea() {
    Canvas c(kScreenWidth, kScreenHeight);
    const double horizon = 330;
    const Point sun{420, horizon};
    c.Fill([&](double x, double y) {
        if (y < horizon) {
            return Ramp({{0.0, {30, 32, 84}},
                         {0.4, {96, 66, 136}},
                         {0.7, {204, 102, 122}},
                         {0.9, {250, 150, 96}},
                         {1.0, {255, 186, 110}}},
                        y / horizon);
        }
        // The sea darkens towards us and catches the sun in a glittering path.
        const double t = (y - horizon) / (kScreenHeight - horizon);
        Rgb sea = Ramp({{0.0, {150, 96, 120}}, {0.15, {72, 56, 104}}, {1.0, {22, 24, 58}}}, t);
        const double wave = Fractal(x / (30 + 120 * t), (y - horizon) / (2 + 10 * t), 81, 3);
        sea = Scale(sea, 0.85 + 0.3 * wave);
        const double spread = 30 + 260 * t;
        const double path = std::exp(-std::pow((x - sun.x) / spread, 2));
        const double glitter =
            Smooth(0.62, 0.8, Fractal(x / (6 + 20 * t), (y - horizon) / (1.5 + 4 * t), 83, 2));
        return Mix(sea, Rgb{255, 210, 150}, path * glitter * (1 - 0.75 * t));
    });
    c.Glow(sun.x, sun.y, 380, Rgb{255, 190, 120}, 0.5);
    c.Paint(Intersect(Ellipse(sun.x, sun.y, 44, 44), Rect(0, 0, kScreenWidth, horizon)), Rgb{255, 222, 160});
    // Long clouds, dark above and lit below.
    PaintCloud(c, 150, 80, 190, 10, 21, {60, 46, 100}, {236, 150, 150}, 0.85);
    PaintCloud(c, 570, 128, 240, 13, 23, {80, 56, 110}, {255, 160, 130}, 0.85);
    PaintCloud(c, 300, 198, 170, 9, 25, {120, 70, 110}, {255, 176, 130}, 0.8);
    PaintCloud(c, 690, 250, 130, 7, 27, {150, 80, 100}, {255, 196, 140}, 0.8);
    PaintCloud(c, 80, 272, 100, 5, 29, {170, 90, 100}, {255, 200, 150}, 0.7);
    // An island on the horizon with a small lighthouse.
    c.Paint(Shape{0, horizon - 40, 260, horizon + 1,
                  [&](double x, double y) {
                      const double top = horizon - 34 * std::exp(-std::pow((x - 110) / 70, 2)) -
                                         8 * Fractal(x / 20, 0.2, 87, 2);
                      return y >= top && y <= horizon + 1;
                  }},
            Rgb{44, 34, 66});
    c.Paint(Rect(186, horizon - 30, 6, 28), Rgb{220, 214, 220});
    c.Paint(Rect(185, horizon - 34, 8, 5), Rgb{160, 60, 70});
    c.Glow(189, horizon - 31, 24, Rgb{255, 240, 200}, 0.8);
    // A few birds heading home.
    for (const auto& [bx, by, s] : std::vector<std::tuple<double, double, double>>{
             {600, 170, 9}, {628, 160, 7}, {650, 176, 6}, {240, 120, 8}}) {
        c.Paint(Capsule(bx - s, by - s * 0.4, bx, by, 1.1), Rgb{40, 30, 60});
        c.Paint(Capsule(bx, by, bx + s, by - s * 0.4, 1.1), Rgb{40, 30, 60});
    }
    return c;
}

// ----- 04: a room at night, with its light map -----

Canvas Room() {
    Canvas c(kScreenWidth, kScreenHeight);
    const double floorY = 430;
    c.Fill([&](double x, double y) {
        if (y < floorY) {
            // Wallpaper with faint stripes.
            const double stripe = 0.96 + 0.04 * std::cos(x / 12 * kPi);
            return Scale(Mix(Rgb{222, 206, 180}, Rgb{206, 188, 162}, y / floorY), stripe);
        }
        // Wooden boards.
        const int board = static_cast<int>((y - floorY) / 24);
        const double grain = Fractal(x / 60 + board * 7, (y - floorY) / 4, 91, 3);
        Rgb wood = Scale(Rgb{156, 106, 70}, 0.82 + 0.25 * grain + 0.05 * Hash(board, 0, 93));
        if (std::fmod(y - floorY, 24) < 1.5) {
            wood = Scale(wood, 0.6);
        }
        return wood;
    });
    c.Paint(Rect(0, floorY - 14, kScreenWidth, 14), Rgb{168, 126, 92});
    // The window: night sky, the moon, curtains.
    c.Paint(Rect(70, 70, 250, 220), Rgb{240, 236, 228});
    c.Paint(Rect(82, 82, 226, 196), [](double x, double y) {
        Rgb sky = Mix(Rgb{22, 30, 70}, Rgb{50, 70, 120}, (y - 82) / 196);
        if (Hash(static_cast<int>(x), static_cast<int>(y), 97) > 0.996) {
            sky = Mix(sky, Rgb{240, 240, 255}, 0.8);
        }
        return sky;
    });
    c.Glow(250, 130, 70, Rgb{200, 210, 255}, 0.5);
    c.Paint(Subtract(Ellipse(250, 130, 20, 20), Ellipse(240, 124, 17, 17)), Rgb{250, 246, 220});
    c.Paint(Rect(193, 82, 4, 196), Rgb{240, 236, 228});
    c.Paint(Rect(82, 178, 226, 4), Rgb{240, 236, 228});
    for (const double x : {40.0, 292.0}) {
        c.Paint(Shape{x, 50, x + 58, 320,
                      [=](double px, double py) {
                          const double wave = 6 * std::sin((py - 50) / 25) * ((py - 50) / 270);
                          return px >= x + wave && px < x + 58 + wave && py >= 50 && py < 320;
                      }},
                [x](double px, double) {
                    const double fold = 0.85 + 0.15 * std::cos((px - x) / 58 * 4 * kPi);
                    return Scale(Rgb{150, 70, 80}, fold);
                });
    }
    c.Paint(Rect(30, 44, 330, 8), Rgb{110, 80, 60});
    // A bookshelf.
    c.Paint(Rect(560, 110, 190, 320), Rgb{120, 82, 56});
    c.Paint(Rect(570, 120, 170, 300), Rgb{74, 50, 36});
    for (int shelf = 0; shelf < 4; ++shelf) {
        const double y = 120 + shelf * 75;
        c.Paint(Rect(570, y + 68, 170, 7), Rgb{120, 82, 56});
        double x = 574;
        for (int book = 0; x < 726; ++book) {
            const double w = 9 + 10 * Hash(book, shelf, 101);
            const double h = 40 + 24 * Hash(book, shelf, 103);
            const Rgb colours[] = {
                {160, 60, 56}, {60, 90, 140}, {210, 180, 110}, {70, 120, 90}, {200, 200, 190}};
            c.Paint(Rect(x, y + 68 - h, w - 1, h), colours[static_cast<int>(Hash(book, shelf, 107) * 5) % 5]);
            x += w;
        }
    }
    // A desk with its lamp.
    c.Paint(Rect(350, 300, 180, 14), Rgb{138, 96, 64});
    c.Paint(Rect(360, 314, 12, 130), Rgb{110, 76, 50});
    c.Paint(Rect(508, 314, 12, 130), Rgb{110, 76, 50});
    c.Paint(Rect(372, 314, 136, 40), Rgb{126, 88, 58});
    c.Paint(RoundRect(430, 322, 20, 8, 3), Rgb{200, 180, 120});
    c.Paint(Ellipse(470, 296, 24, 5), Rgb{60, 60, 66});
    c.Paint(Capsule(470, 294, 458, 240, 3), Rgb{60, 60, 66});
    c.Paint(Polygon({{430, 242}, {478, 226}, {486, 244}, {444, 262}}), Rgb{230, 200, 120});
    c.Glow(446, 262, 60, Rgb{255, 240, 200}, 0.6);
    c.Paint(RoundRect(392, 282, 56, 18, 2), Rgb{246, 244, 236});
    c.Paint(Rect(419, 282, 2, 18), Rgb{200, 196, 186});
    // A bed along the right wall.
    c.Paint(RoundRect(600, 380, 240, 110, 10), Rgb{230, 228, 236});
    c.Paint(RoundRect(620, 400, 220, 100, 14), Rgb{110, 140, 190});
    c.Paint(RoundRect(760, 360, 80, 40, 14), Rgb{244, 244, 250});
    c.Paint(Rect(600, 490, 240, 20), Rgb{120, 82, 56});
    // A rug.
    c.Paint(Ellipse(330, 520, 190, 40), Rgb{170, 90, 80});
    c.Paint(Ellipse(330, 520, 170, 32), Rgb{196, 130, 100});
    return c;
}

// The light map: white where the lamp and the moon light the room, greys elsewhere.
Canvas RoomLight() {
    Canvas c(kScreenWidth, kScreenHeight);
    c.Fill([](double x, double y) {
        // The lamp lights a wide circle from (440, 270); the moon falls through the window onto
        // the floor as a slanted patch.
        const double lamp = 1 - Smooth(80, 330, std::hypot(x - 440, (y - 290) * 1.25));
        const double inWindow = (x > 98 && x < 292 && y > 82 && y < 278) ? 1 : 0;
        const double floorX = x - (y - 430) * 0.9;
        const double patch = (y > 440 && y < 580) ? (1 - Smooth(0, 24, std::abs(floorX - 150) - 70)) : 0;
        const double moon = std::max(inWindow, patch * 0.8);
        const double light = std::max(lamp, moon);
        const double level = 84 + (255 - 84) * light;
        return Rgb{level, level, level};
    });
    return c;
}

// ----- characters -----

Canvas Girl() {
    Canvas c(300, 500);
    const Rgb hair{64, 42, 46};
    const Rgb hairLight{104, 70, 70};
    const Rgb skin{252, 222, 204};
    const Rgb skinShade{232, 190, 176};
    const Rgb navy{44, 54, 96};
    const Rgb navyLight{66, 80, 130};
    const Rgb white{246, 246, 250};
    const Rgb red{200, 50, 60};
    // Hair behind the body.
    c.Paint(RoundRect(88, 70, 124, 210, 50), hair);
    // Legs and shoes.
    c.Paint(Capsule(134, 380, 136, 468, 11), skin);
    c.Paint(Capsule(166, 380, 164, 468, 11), skin);
    c.Paint(Rect(122, 430, 28, 40), Rgb{40, 40, 52});
    c.Paint(Rect(150, 430, 28, 40), Rgb{40, 40, 52});
    c.Paint(RoundRect(118, 466, 34, 22, 9), Rgb{80, 50, 40});
    c.Paint(RoundRect(148, 466, 34, 22, 9), Rgb{80, 50, 40});
    // The skirt with its pleats.
    c.Paint(Polygon({{108, 282}, {192, 282}, {220, 392}, {80, 392}}), navy);
    for (int i = 1; i < 7; ++i) {
        const double top = 108 + i * 12;
        const double bottom = 80 + i * 20;
        c.Paint(Capsule(top, 286, bottom, 390, 0.8), Rgb{30, 38, 72});
    }
    // The blouse, arms and hands.
    c.Paint(Polygon({{104, 160}, {196, 160}, {192, 292}, {108, 292}}), navy);
    c.Paint(Capsule(106, 172, 94, 290, 14), navyLight);
    c.Paint(Capsule(194, 172, 206, 290, 14), navyLight);
    c.Paint(Rect(82, 282, 26, 8), white);
    c.Paint(Rect(192, 282, 26, 8), white);
    c.Paint(Ellipse(94, 304, 11, 14), skin);
    c.Paint(Ellipse(206, 304, 11, 14), skin);
    // The sailor collar and the ribbon.
    c.Paint(Polygon({{104, 158}, {196, 158}, {200, 180}, {150, 236}, {100, 180}}), navyLight);
    c.Paint(Polygon({{112, 160}, {188, 160}, {150, 222}}), white);
    c.Paint(Polygon({{124, 160}, {176, 160}, {150, 204}}), skin);
    c.Paint(Rect(104, 174, 92, 3), white);
    c.Paint(Polygon({{150, 214}, {126, 202}, {126, 232}}), red);
    c.Paint(Polygon({{150, 214}, {174, 202}, {174, 232}}), red);
    c.Paint(Polygon({{146, 216}, {154, 216}, {160, 256}, {140, 256}}), red);
    c.Paint(Ellipse(150, 215, 6, 6), Rgb{176, 36, 48});
    // The neck, face and hair.
    c.Paint(Rect(140, 126, 20, 40), skinShade);
    c.Paint(Ellipse(150, 96, 44, 50), skin);
    c.Paint(Intersect(Ellipse(150, 78, 56, 50), Shape{90, 20, 210, 110,
                                                      [](double x, double y) {
                                                          // Bangs with a ragged lower edge.
                                                          const double edge =
                                                              86 + 8 * std::abs(std::sin((x - 150) / 9));
                                                          return y < edge || x < 112 || x > 188;
                                                      }}),
            hair);
    // A shine along the top of the hair.
    c.Paint(Intersect(Subtract(Ellipse(150, 80, 50, 46), Ellipse(150, 86, 50, 46)), Rect(104, 0, 40, 80)),
            hairLight, 0.9);
    // Eyes, cheeks, mouth.
    for (const double x : {132.0, 168.0}) {
        c.Paint(Ellipse(x, 102, 6, 8), Rgb{70, 44, 60});
        c.Paint(Ellipse(x + 2, 99, 2, 2.5), white);
        c.Paint(Ellipse(x, 118, 8, 4), Rgb{250, 170, 170}, 0.5);
    }
    c.Paint(Capsule(145, 126, 155, 126, 1.2), Rgb{190, 100, 100});
    // A hair ribbon.
    c.Paint(Polygon({{196, 70}, {214, 58}, {214, 84}}), red);
    c.Paint(Polygon({{196, 70}, {180, 58}, {182, 82}}), red);
    return c;
}

Canvas Cat() {
    Canvas c(160, 130);
    const Rgb fur{58, 56, 66};
    const Rgb furLight{86, 84, 96};
    // The tail curling round the front.
    c.Paint(Subtract(Ellipse(84, 118, 60, 14), Ellipse(84, 110, 56, 12)), fur);
    c.Paint(Ellipse(138, 122, 8, 6), fur);
    // Body, chest and front paws.
    c.Paint(Ellipse(84, 94, 40, 34), fur);
    c.Paint(Ellipse(72, 96, 18, 24), furLight, 0.7);
    c.Paint(Ellipse(64, 124, 11, 6), fur);
    c.Paint(Ellipse(88, 124, 11, 6), fur);
    // Head and ears.
    c.Paint(Ellipse(70, 50, 30, 26), fur);
    c.Paint(Polygon({{44, 40}, {46, 8}, {66, 28}}), fur);
    c.Paint(Polygon({{74, 28}, {94, 8}, {96, 40}}), fur);
    c.Paint(Polygon({{49, 34}, {50, 16}, {62, 28}}), Rgb{220, 150, 160});
    c.Paint(Polygon({{78, 28}, {90, 16}, {91, 34}}), Rgb{220, 150, 160});
    // Amber eyes and a small nose.
    for (const double x : {58.0, 82.0}) {
        c.Paint(Ellipse(x, 48, 6, 7), Rgb{240, 190, 60});
        c.Paint(Ellipse(x, 48, 1.8, 6), Rgb{20, 20, 24});
    }
    c.Paint(Polygon({{66, 60}, {74, 60}, {70, 65}}), Rgb{220, 140, 150});
    for (const double dy : {-2.0, 3.0}) {
        c.Paint(Capsule(40, 62 + dy, 58, 64, 0.5), Rgb{200, 200, 210}, 0.8);
        c.Paint(Capsule(82, 64, 100, 62 + dy, 0.5), Rgb{200, 200, 210}, 0.8);
    }
    return c;
}

// ----- the mask of the mask fade -----

std::vector<uint8_t> WipeMask() {
    std::vector<uint8_t> levels(static_cast<size_t>(kScreenWidth) * kScreenHeight);
    for (int y = 0; y < kScreenHeight; ++y) {
        for (int x = 0; x < kScreenWidth; ++x) {
            // From the top left corner to the bottom right, with soft clouds of grain along the way.
            const double t = (x / double(kScreenWidth) + y / double(kScreenHeight)) / 2;
            const double clouds = Fractal(x / 48.0, y / 48.0, 111, 4) - 0.5;
            const double grain = Hash(x, y, 113) - 0.5;
            const double level = 255 * (1.1 * t - 0.05) + 60 * clouds + 8 * grain;
            levels[static_cast<size_t>(y) * kScreenWidth + x] =
                static_cast<uint8_t>(std::clamp(level, 0.0, 255.0));
        }
    }
    return levels;
}

// ----- the title screen and the gallery -----

// Writes text centred on (cx, cy) with square pixels of the given size.
void Letters(Canvas& c, const std::string& text, double cx, double cy, double pixel, Rgb colour) {
    const double width = (static_cast<double>(text.size()) * 6 - 1) * pixel;
    double x = cx - width / 2;
    const double y = cy - 3.5 * pixel;
    for (char ch : text) {
        if (const pixel_font::Glyph* g = pixel_font::Find(ch)) {
            pixel_font::ForEachDot(*g, [&](int col, int row) {
                c.Paint(Rect(x + col * pixel, y + row * pixel, pixel, pixel), colour);
            });
        }
        x += 6 * pixel;
    }
}

// A button of the menus: a rounded panel with its label; lit buttons glow warm.
void MenuButton(Canvas& c, double x, double y, double w, double h, const std::string& label, bool lit) {
    const Rgb top = lit ? Rgb{255, 214, 150} : Rgb{60, 72, 112};
    const Rgb bottom = lit ? Rgb{228, 150, 88} : Rgb{30, 36, 64};
    c.Paint(RoundRect(x - 2, y - 2, w + 4, h + 4, 12), lit ? Rgb{255, 244, 220} : Rgb{150, 164, 214}, 0.9);
    c.Paint(RoundRect(x, y, w, h, 10), [&](double, double py) { return Mix(top, bottom, (py - y) / h); });
    Letters(c, label, x + w / 2, y + h / 2, 3, lit ? Rgb{60, 30, 10} : Rgb{232, 236, 250});
}

// The buttons of the title screen; the scenario's `selarea` lines use the same rectangles.
constexpr int kTitleButtonLeft = 300;
constexpr int kTitleButtonTop = 300;
constexpr int kTitleButtonWidth = 200;
constexpr int kTitleButtonHeight = 50;
constexpr int kTitleButtonStep = 70;

Canvas TitleScreen(const Canvas& sea, bool lit) {
    Canvas c(kScreenWidth, kScreenHeight);
    c.Fill([&](double x, double y) { return Scale(sea.At(static_cast<int>(x), static_cast<int>(y)), 0.55); });
    c.Paint(Rect(0, 110, kScreenWidth, 120), Rgb{10, 14, 30}, 0.55);
    Letters(c, "DAWN TRAIN", kScreenWidth / 2.0, 170, 8, Rgb{250, 236, 200});
    const char* labels[] = {"START", "LOAD", "GALLERY", "QUIT"};
    for (int i = 0; i < 4; ++i) {
        MenuButton(c, kTitleButtonLeft, kTitleButtonTop + kTitleButtonStep * i, kTitleButtonWidth,
                   kTitleButtonHeight, labels[i], lit);
    }
    return c;
}

// The gallery: a 2 x 2 grid of 320 x 240 tiles and a button back to the title.
constexpr int kTileWidth = 320;
constexpr int kTileHeight = 240;
constexpr int kTileLeft[2] = {50, 430};
constexpr int kTileTop[2] = {40, 300};

enum class TileLook { kLocked, kOpen, kLit };

Canvas Gallery(const std::vector<const Canvas*>& pictures, TileLook look) {
    Canvas c(kScreenWidth, kScreenHeight);
    c.Fill([](double, double y) { return Mix({26, 30, 52}, {8, 10, 20}, y / kScreenHeight); });
    for (int i = 0; i < 4; ++i) {
        const int x0 = kTileLeft[i % 2];
        const int y0 = kTileTop[i / 2];
        const Rgb frame = look == TileLook::kLit ? Rgb{255, 220, 150} : Rgb{120, 130, 170};
        c.Paint(Rect(x0 - 4, y0 - 4, kTileWidth + 8, kTileHeight + 8), frame);
        if (look == TileLook::kLocked) {
            c.Paint(Rect(x0, y0, kTileWidth, kTileHeight), [&](double x, double y) {
                return Mix({44, 50, 80}, {20, 24, 42}, (x - x0 + y - y0) / 560);
            });
            Letters(c, "?", x0 + kTileWidth / 2.0, y0 + kTileHeight / 2.0, 10, Rgb{110, 120, 160});
            continue;
        }
        // The picture scaled down to the tile (nearest pixel of the 800 x 600 picture).
        const Canvas& p = *pictures[static_cast<size_t>(i)];
        const double k = look == TileLook::kLit ? 1.15 : 1.0;
        c.Paint(Rect(x0, y0, kTileWidth, kTileHeight), [&](double x, double y) {
            const int sx =
                std::clamp(static_cast<int>((x - x0) * kScreenWidth / kTileWidth), 0, kScreenWidth - 1);
            const int sy =
                std::clamp(static_cast<int>((y - y0) * kScreenHeight / kTileHeight), 0, kScreenHeight - 1);
            const Rgb v = Scale(p.At(sx, sy), k);
            return Rgb{std::min(v.r, 255.0), std::min(v.g, 255.0), std::min(v.b, 255.0)};
        });
        if (look == TileLook::kLit) {
            // The highlight lies inside the tile, where the hover copies it from.
            const Shape inner = Rect(x0 + 6, y0 + 6, kTileWidth - 12, kTileHeight - 12);
            const Shape outer = Rect(x0, y0, kTileWidth, kTileHeight);
            c.Paint({outer.left, outer.top, outer.right, outer.bottom,
                     [=](double x, double y) { return outer.inside(x, y) && !inner.inside(x, y); }},
                    Rgb{255, 214, 150});
        }
    }
    MenuButton(c, 600, 552, 180, 38, "BACK", look == TileLook::kLit);
    return c;
}
}  // namespace

// The save and load screens: the game picture dimmed, a heading, the return button and the twelve
// slot panels at the places the engine tests clicks in. The slots' texts are the engine's.
Canvas SlotScreen(bool save, bool lit) {
    Canvas c(kScreenWidth, kScreenHeight);
    c.Paint(Rect(0, 0, kScreenWidth, kScreenHeight), Rgb{8, 10, 24}, 0.6);
    Letters(c, save ? "SAVE" : "LOAD", 560, 112, 6, Rgb{250, 236, 200});
    MenuButton(c, 41, 97, 240, 34, "BACK", lit);
    for (int i = 0; i < 12; ++i) {
        const double x = i < 6 ? 41 : 406;
        const double y = (i % 6 == 5) ? 492 : 176 + 63 * (i % 6);
        const double h = (i % 6 == 5) ? 40 : 42;
        const Rgb top = lit ? Rgb{150, 96, 48} : Rgb{44, 52, 90};
        const Rgb bottom = lit ? Rgb{96, 56, 24} : Rgb{20, 24, 46};
        c.Paint(RoundRect(x, y, 332, h, 6), lit ? Rgb{255, 220, 150} : Rgb{120, 130, 170}, 0.9);
        c.Paint(RoundRect(x + 2, y + 2, 328, h - 4, 5),
                [&](double, double py) { return Mix(top, bottom, (py - y) / h); });
    }
    return c;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_pictures TITLE_DIR\n");
        return 2;
    }
    const fs::path title = argv[1];
    const Canvas station = Station();
    const Canvas train = Train();
    const Canvas sea = Sea();
    const Canvas room = Room();
    bool ok = WritePicture(title / "bg" / "01_station.png", station);
    ok = WritePicture(title / "bg" / "02_train.png", train) && ok;
    ok = WritePicture(title / "bg" / "03_sea.png", sea) && ok;
    ok = WriteSideBySide(title / "bg" / "04_room.png", room, RoomLight()) && ok;
    ok = WritePicture(title / "title" / "title.png", TitleScreen(sea, false)) && ok;
    ok = WritePicture(title / "title" / "title_lit.png", TitleScreen(sea, true)) && ok;
    const std::vector<const Canvas*> seen = {&station, &train, &sea, &room};
    ok = WritePicture(title / "gallery" / "locked.png", Gallery(seen, TileLook::kLocked)) && ok;
    ok = WritePicture(title / "gallery" / "open.png", Gallery(seen, TileLook::kOpen)) && ok;
    ok = WritePicture(title / "gallery" / "lit.png", Gallery(seen, TileLook::kLit)) && ok;
    ok = WriteMasked(title / "chr" / "01_girl.png", Girl()) && ok;
    ok = WriteMasked(title / "chr" / "02_cat.png", Cat()) && ok;
    ok = WriteMasked(title / "cg" / "menu" / "save_off.png", SlotScreen(true, false)) && ok;
    ok = WriteMasked(title / "cg" / "menu" / "save_on.png", SlotScreen(true, true)) && ok;
    ok = WriteMasked(title / "cg" / "menu" / "load_off.png", SlotScreen(false, false)) && ok;
    ok = WriteMasked(title / "cg" / "menu" / "load_on.png", SlotScreen(false, true)) && ok;
    ok = WriteGreyBmp(title / "mask" / "wipe.bmp", kScreenWidth, kScreenHeight, WipeMask()) && ok;
    return ok ? 0 : 1;
}
