// Draws textreel's application icon into the folder given on the command line:
//   textreel.svg      the scalable icon
//   textreel-48.png, textreel-128.png, textreel-256.png
// The icon is a reel of paper whose tape runs out to the right with two lines of text on it. The
// SVG and the PNGs come from the same list of shapes on a 256 x 256 canvas; the PNGs are drawn
// with 4 x 4 supersampling, so their edges are soft.
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr double kCanvas = 256.0;
constexpr double kPi = 3.14159265358979323846;
constexpr int kSamples = 4;  // per side of a pixel

struct Colour {
    uint8_t r, g, b;
};

constexpr Colour kNavy = {0x2b, 0x3a, 0x67};
constexpr Colour kPaper = {0xf4, 0xef, 0xe1};
constexpr Colour kInk = {0xe0, 0x66, 0x2f};

// A circle, or a rectangle with rounded corners, on the canvas; later shapes lie over earlier ones.
struct Shape {
    enum class Kind { kCircle, kRoundRect } kind;
    double x0, y0, x1, y1;  // a circle: centre (x0, y0), radius x1
    double radius;          // the corners' radius of a rectangle
    Colour colour;

    bool Covers(double x, double y) const {
        if (kind == Kind::kCircle) {
            return (x - x0) * (x - x0) + (y - y0) * (y - y0) <= x1 * x1;
        }
        if (x < x0 || x > x1 || y < y0 || y > y1) {
            return false;
        }
        // The nearest point of the rectangle shrunk by the radius lies within the radius.
        double cx = std::clamp(x, x0 + radius, x1 - radius);
        double cy = std::clamp(y, y0 + radius, y1 - radius);
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
    }
};

Shape Circle(double cx, double cy, double r, Colour c) {
    return {Shape::Kind::kCircle, cx, cy, r, 0, 0, c};
}

Shape RoundRect(double x0, double y0, double x1, double y1, double r, Colour c) {
    return {Shape::Kind::kRoundRect, x0, y0, x1, y1, r, c};
}

std::vector<Shape> IconShapes() {
    constexpr double kReelX = 112;
    constexpr double kReelY = 108;
    std::vector<Shape> shapes = {
        RoundRect(16, 16, 240, 240, 44, kNavy),
        // The tape leaves the reel along its bottom edge.
        RoundRect(112, 160, 228, 212, 8, kPaper),
        Circle(kReelX, kReelY, 80, kPaper),
        Circle(kReelX, kReelY, 10, kNavy),
        RoundRect(132, 176, 212, 184, 4, kInk),
        RoundRect(132, 192, 188, 200, 4, kInk),
    };
    // Five holes around the hub.
    for (int i = 0; i < 5; ++i) {
        double angle = -kPi / 2 + i * 2 * kPi / 5;
        shapes.push_back(Circle(kReelX + 46 * std::cos(angle), kReelY + 46 * std::sin(angle), 18, kNavy));
    }
    return shapes;
}

std::string Hex(Colour c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", c.r, c.g, c.b);
    return text;
}

std::string Svg(const std::vector<Shape>& shapes) {
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n";
    auto num = [](double v) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", v);
        return std::string(text);
    };
    for (const Shape& s : shapes) {
        if (s.kind == Shape::Kind::kCircle) {
            out += "  <circle cx=\"" + num(s.x0) + "\" cy=\"" + num(s.y0) + "\" r=\"" + num(s.x1) +
                   "\" fill=\"" + Hex(s.colour) + "\"/>\n";
        } else {
            out += "  <rect x=\"" + num(s.x0) + "\" y=\"" + num(s.y0) + "\" width=\"" + num(s.x1 - s.x0) +
                   "\" height=\"" + num(s.y1 - s.y0) + "\" rx=\"" + num(s.radius) + "\" fill=\"" +
                   Hex(s.colour) + "\"/>\n";
        }
    }
    return out + "</svg>\n";
}

// The icon at size x size pixels, RGBA with straight alpha.
std::vector<uint8_t> Raster(const std::vector<Shape>& shapes, int size) {
    std::vector<uint8_t> rgba(static_cast<size_t>(size) * size * 4);
    double scale = kCanvas / size;
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            // Sum the premultiplied colour of every sample, each the topmost shape that covers it.
            double r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    double x = (px + (sx + 0.5) / kSamples) * scale;
                    double y = (py + (sy + 0.5) / kSamples) * scale;
                    for (auto s = shapes.rbegin(); s != shapes.rend(); ++s) {
                        if (s->Covers(x, y)) {
                            r += s->colour.r;
                            g += s->colour.g;
                            b += s->colour.b;
                            a += 1;
                            break;
                        }
                    }
                }
            }
            uint8_t* p = &rgba[(static_cast<size_t>(py) * size + px) * 4];
            if (a > 0) {
                p[0] = static_cast<uint8_t>(std::lround(r / a));
                p[1] = static_cast<uint8_t>(std::lround(g / a));
                p[2] = static_cast<uint8_t>(std::lround(b / a));
                p[3] = static_cast<uint8_t>(std::lround(255.0 * a / (kSamples * kSamples)));
            }
        }
    }
    return rgba;
}

bool WritePng(const std::string& path, const std::vector<uint8_t>& rgba, int size) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(size);
    image.height = static_cast<png_uint_32>(size);
    image.format = PNG_FORMAT_RGBA;
    return png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr) != 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icon OUT_DIR\n");
        return 2;
    }
    std::string dir = argv[1];
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    std::vector<Shape> shapes = IconShapes();
    std::ofstream svg(dir + "/textreel.svg", std::ios::binary);
    svg << Svg(shapes);
    svg.close();
    if (!svg) {
        std::fprintf(stderr, "make_icon: cannot write %s/textreel.svg\n", dir.c_str());
        return 1;
    }
    for (int size : {48, 128, 256}) {
        std::string path = dir + "/textreel-" + std::to_string(size) + ".png";
        if (!WritePng(path, Raster(shapes, size), size)) {
            std::fprintf(stderr, "make_icon: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
