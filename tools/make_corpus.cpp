// Writes a large synthetic title of our own into the folder given on the command line, for the
// explorer's bench: some 20,000 scenario lines in twenty chapters of ten choice menus each (the
// three kinds in turn), every command of the engine, a few hundred small pictures, Ogg and WAV
// sounds, two tiny movies and twenty endings. Every route plays to its end without a fault.
//
// With --shape affection it writes instead a title of the shape most titles of the era have: 120
// choices in a row over 4 point counters, judged at the end by 8 pointjudge lines into 9 endings,
// some 40,000 lines.
//
//   make_corpus [--shape affection] OUT_DIR
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/encoding.h"
#include "support/movie_maker.h"
#include "support/ogg_maker.h"
#include "support/test_files.h"

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kChapters = 20;
constexpr int kMenusPerChapter = 10;
constexpr int kBackgrounds = 40;
constexpr int kSprites = 260;
constexpr int kTargetLines = 20000;

fs::path gOut;
bool gOk = true;

void Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    fs::path path = gOut / name;
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "make_corpus: cannot write %s\n", path.string().c_str());
        gOk = false;
    }
}

void Put(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

// A 24-bit bottom-up BMP of w x h pixels whose colour at (x, y) is paint(x, y) as 0xRRGGBB.
template <typename Paint>
std::vector<uint8_t> Bmp24(int w, int h, Paint paint) {
    const uint32_t stride = (static_cast<uint32_t>(w) * 3 + 3) & ~3u;
    std::vector<uint8_t> out = textreel::testing::BmpHeader(w, h, 24);
    for (int y = h - 1; y >= 0; --y) {
        size_t row = out.size();
        for (int x = 0; x < w; ++x) {
            uint32_t c = paint(x, y);
            out.push_back(static_cast<uint8_t>(c));
            out.push_back(static_cast<uint8_t>(c >> 8));
            out.push_back(static_cast<uint8_t>(c >> 16));
        }
        out.resize(row + stride, 0);
    }
    return out;
}

// A masked part: colour on the left half, the mask (black covers) on the right half.
std::vector<uint8_t> MaskedBmp(int w, int h, uint32_t colour) {
    return Bmp24(w * 2, h, [&](int x, int) { return x < w ? colour : 0u; });
}

// An 8-bit grey BMP of the screen's size (a transition mask): a diagonal ramp.
std::vector<uint8_t> GreyBmp() {
    const uint32_t stride = (kWidth + 3) & ~3u;
    std::vector<uint8_t> out = textreel::testing::BmpHeader(kWidth, kHeight, 8, 256);
    for (int i = 0; i < 256; ++i) {
        Put(out, static_cast<uint32_t>(i * 0x010101), 4);
    }
    for (int y = kHeight - 1; y >= 0; --y) {
        size_t row = out.size();
        for (int x = 0; x < kWidth; ++x) {
            out.push_back(static_cast<uint8_t>((x + y) * 255 / (kWidth + kHeight)));
        }
        out.resize(row + stride, 0);
    }
    return out;
}

// A PNG of w x h pixels: a colour with a lighter band, so that pictures differ.
std::vector<uint8_t> Png(int w, int h, uint32_t colour, int band) {
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            bool lit = (y / 16) % 4 == band % 4;
            uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
            p[0] = static_cast<uint8_t>(std::min(255u, (colour >> 16 & 255) + (lit ? 60 : 0)));
            p[1] = static_cast<uint8_t>(std::min(255u, (colour >> 8 & 255) + (lit ? 60 : 0)));
            p[2] = static_cast<uint8_t>(std::min(255u, (colour & 255) + (lit ? 60 : 0)));
        }
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(w);
    image.height = static_cast<png_uint_32>(h);
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), w * 3, nullptr);
    std::vector<uint8_t> out(size);
    if (png_image_write_to_memory(&image, out.data(), &size, 0, rgb.data(), w * 3, nullptr) == 0) {
        gOk = false;
    }
    out.resize(size);
    return out;
}

std::vector<int16_t> Tone(int frames, double hz) {
    std::vector<int16_t> s(static_cast<size_t>(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        auto v = static_cast<int16_t>(6000 * std::sin(2 * 3.14159265358979 * hz * i / 44100));
        s[2 * i] = v;
        s[2 * i + 1] = v;
    }
    return s;
}

// Stereo 44.1 kHz 16-bit PCM.
std::vector<uint8_t> Wav(const std::vector<int16_t>& samples) {
    return textreel::testing::MakeWav(44100, 2, samples);
}

// Stereo 44.1 kHz Ogg Vorbis at a low quality, with a fixed stream serial so that the corpus comes out
// the same on every run.
std::vector<uint8_t> Ogg(const std::vector<int16_t>& samples) {
    textreel::testing::OggSettings settings;
    settings.quality = 0.1f;
    settings.serial = 2026;
    std::vector<uint8_t> out = textreel::testing::EncodeOgg(samples, 44100, 2, settings);
    if (out.empty()) {
        gOk = false;
    }
    return out;
}

void Assets() {
    Write("cg/menu/logo.bmp",
          Bmp24(kWidth, kHeight, [](int x, int y) { return (x ^ y) & 32 ? 0x203040u : 0x102030u; }));
    Write("cg/menu/bar_a.bmp", MaskedBmp(kWidth, 22, 0x404868));
    Write("cg/menu/btnprts.bmp", MaskedBmp(640, 44, 0x6070A0));
    Write("cg/menu/waiticon.bmp", MaskedBmp(32, 64, 0xE0E0FF));
    Write("cg/menu/menubar.bmp", MaskedBmp(360, 35, 0x305030));
    Write("mask/ramp.bmp", GreyBmp());
    Write("sound/click.wav", Wav(Tone(2000, 1200)));
    Write("sound/move.wav", Wav(Tone(1500, 900)));
    Write("sound/logo.wav", Wav(Tone(4000, 600)));
    for (int i = 0; i < kBackgrounds; ++i) {
        char name[32];
        std::snprintf(name, sizeof(name), "bg/b%03d.png", i);
        Write(name, Png(kWidth, kHeight, 0x102040u + static_cast<uint32_t>(i) * 0x030507u, i));
    }
    // The two pictures the gallery opens: a picture counts as seen by the two digits its name
    // starts with.
    Write("bg/01_cg.png", Png(kWidth, kHeight, 0x604020, 1));
    Write("bg/02_cg.png", Png(kWidth, kHeight, 0x206040, 2));
    Write("bg/wide.png", Png(kWidth * 2, kHeight, 0x406080, 1));
    Write("bg/title.png", Png(kWidth, kHeight, 0x203050, 0));
    Write("bg/title_lit.png", Png(kWidth, kHeight, 0x4060A0, 0));
    Write("gallery/locked.png", Png(kWidth, kHeight, 0x202020, 2));
    Write("gallery/open.png", Png(kWidth, kHeight, 0x606060, 2));
    Write("gallery/lit.png", Png(kWidth, kHeight, 0x909090, 2));
    for (int i = 0; i < kSprites; ++i) {
        char name[32];
        std::snprintf(name, sizeof(name), "chr/s%03d.png", i);
        // A sprite is twice as wide as it draws: the picture and its mask.
        Write(name, Png(64, 48, 0x804020u + static_cast<uint32_t>(i % 50) * 0x010203u, i));
    }
    for (int i = 0; i < 5; ++i) {
        Write("bgm/m" + std::to_string(i) + ".ogg", Ogg(Tone(22050, 220 + 55 * i)));
        Write("voice/v" + std::to_string(i) + ".ogg", Ogg(Tone(11025, 330 + 30 * i)));
        Write("se/e" + std::to_string(i) + ".wav", Wav(Tone(4410, 500 + 100 * i)));
    }
    Write("bgm/wave.wav", Wav(Tone(22050, 262)));
    for (int i = 0; i < 2; ++i) {
        textreel::testing::MovieRecipe recipe;
        recipe.width = 64;
        recipe.height = 48;
        recipe.frames = 5;
        recipe.sound = i == 1;
        recipe.colour = [i](int frame) {
            return std::array<uint8_t, 3>{static_cast<uint8_t>(40 * frame), static_cast<uint8_t>(100 * i),
                                          90};
        };
        std::string error;
        fs::create_directories(gOut / "movie");
        if (!textreel::testing::MakeMovie(recipe, (gOut / ("movie/m" + std::to_string(i) + ".mpg")).string(),
                                          &error)) {
            std::fprintf(stderr, "make_corpus: movie: %s\n", error.c_str());
            gOk = false;
        }
    }
}

// ----- the scenario -----

class Story {
  public:
    void Line(const std::string& utf8) { lines_.push_back(utf8); }
    size_t Count() const { return lines_.size(); }
    std::string Bytes() const {
        std::string out;
        for (const std::string& l : lines_) {
            out += textreel::Utf8ToCp932(l) + "\r\n";
        }
        return out;
    }

  private:
    std::vector<std::string> lines_;
};

std::string Num(int n, int width = 3) {
    char b[16];
    std::snprintf(b, sizeof(b), "%0*d", width, n);
    return b;
}

// One branch of a menu: a scene of text, pictures and sounds, then back to where the routes meet.
void Branch(Story& s, int chapter, int menu, int entry, int textLines, int& picture) {
    std::string tag = std::to_string(chapter) + "_" + std::to_string(menu) + "_" + std::to_string(entry);
    s.Line(":b" + tag);
    s.Line("$windowopen");
    int kind = (chapter * 7 + menu * 3 + entry) % 6;
    switch (kind) {
        case 0:
            s.Line("$imgblt bg\\b" + Num(picture++ % kBackgrounds) + ".png");
            break;
        case 1:
            s.Line("$sprite 0 100 chr\\s" + Num(picture++ % kSprites) + ".png");
            s.Line("$sprite 1 500 chr\\s" + Num(picture++ % kSprites) + ".png");
            break;
        case 2:
            s.Line("$fill black");
            s.Line("$blt (0,0,200,150,10,10)");
            break;
        case 3:
            s.Line("$wave se\\e" + std::to_string(entry % 5) + ".wav");
            s.Line("$talk voice\\v" + std::to_string(menu % 5) + ".ogg");
            break;
        case 4:
            s.Line("$eventflag " + std::to_string(entry + 1));
            s.Line("$eventjudge " + std::to_string(entry + 1) + " j" + tag);
            s.Line("ここは読まれない。");
            s.Line(":j" + tag);
            break;
        default:
            s.Line("$pointflag 5 " + std::to_string(entry + 2));
            s.Line("$pointjudge 5 " + std::to_string(entry + 2) + " p" + tag);
            s.Line("ここも読まれない。");
            s.Line(":p" + tag);
            break;
    }
    for (int i = 0; i < textLines; ++i) {
        s.Line("第" + std::to_string(chapter + 1) + "章、選択" + std::to_string(menu + 1) + "の道" +
               std::to_string(entry + 1) + "、" + std::to_string(i + 1) + "行目の文。");
        if (i % 4 == 3) {
            s.Line(i % 8 == 7 ? "$P" : "$C");
        }
    }
    s.Line("$C");
    s.Line("$jmp m" + std::to_string(chapter) + "_" + std::to_string(menu + 1));
}

// Full-width digits: a word menu draws its text two bytes at a time.
const char* const kWide[] = {"１", "２", "３"};

void Menu(Story& s, int chapter, int menu, int textLines, int& picture) {
    std::string at = std::to_string(chapter) + "_" + std::to_string(menu);
    int entries = 2 + (chapter + menu) % 2;
    switch ((chapter * kMenusPerChapter + menu) % 3) {
        case 0:
            // A picture command before the menu: a game loaded there draws the picture again.
            s.Line("$imgblt bg\\b" + Num(picture++ % kBackgrounds) + ".png");
            s.Line("$selword");
            for (int e = 0; e < entries; ++e) {
                s.Line("(b" + at + "_" + std::to_string(e) + ",0,道" + kWide[e] + "を行く)");
            }
            s.Line("selend");
            break;
        case 1:
            s.Line("$imgblt bg\\title.png");
            s.Line("$selarea bg\\title_lit.png");
            for (int e = 0; e < entries; ++e) {
                int top = 100 + 150 * e;
                s.Line("(100," + std::to_string(top) + ",399," + std::to_string(top + 99) + ",b" + at + "_" +
                       std::to_string(e) + ",0)");
            }
            s.Line("selend");
            break;
        default:
            s.Line("$windowclose");
            s.Line("$flagselect (gallery\\locked.png,gallery\\open.png,gallery\\lit.png)");
            for (int e = 0; e < entries; ++e) {
                int left = 50 + 250 * e;
                s.Line("(" + std::to_string(left) + ",100," + std::to_string(left + 199) + ",299,b" + at +
                       "_" + std::to_string(e) + ",0,)");
            }
            s.Line("$flagselend");
            break;
    }
    for (int e = 0; e < entries; ++e) {
        Branch(s, chapter, menu, e, textLines, picture);
    }
}

Story Compose(int textLines) {
    Story s;
    int picture = 0;
    s.Line("; make_corpus が書いた大きな合成タイトル。");
    s.Line("$effect 1");
    s.Line("$alphadepth 32");
    s.Line("$brightness 30");
    s.Line("$spralpha 200");
    s.Line(":title");
    s.Line("$windowclose");
    s.Line("$flagreset");
    s.Line("$imgblt bg\\title.png");
    s.Line("$selarea bg\\title_lit.png");
    s.Line("(100,100,399,199,opening,0)");
    s.Line("(100,250,399,349,gallery,0)");
    s.Line("(100,400,399,499,quit,0)");
    s.Line("selend");
    s.Line(":quit");
    s.Line("$exit_game");
    s.Line(":gallery");
    s.Line("$windowclose");
    s.Line("$flagselect (gallery\\locked.png,gallery\\open.png,gallery\\lit.png) CGMODE");
    s.Line("(50,40,369,279,cg_1,1,)");
    s.Line("(430,40,749,279,cg_2,2,)");
    s.Line("(600,552,779,589,title,0,)");
    s.Line("$flagselend");
    s.Line(":cg_1");
    s.Line("$imgblt bg\\01_cg.png");
    s.Line("$W");
    s.Line("$jmp gallery");
    s.Line(":cg_2");
    s.Line("$imgblt bg\\02_cg.png");
    s.Line("$W");
    s.Line("$jmp gallery");
    // The prologue: every command the engine knows, once.
    s.Line(":opening");
    s.Line("$windowopen");
    s.Line("$RecNameLoad");
    s.Line("$statetitle 序章");
    s.Line("$setfontsize 24");
    s.Line("$setfontcolor 80E0FF");
    s.Line("$OGGPlay bgm\\m0.ogg");
    s.Line("$imgblt bg\\b000.png");
    s.Line("＊＊＊さん、ようこそ。");
    s.Line("$C");
    s.Line("$name_entry");
    s.Line("$openCCDlg");
    s.Line("$ccblt bg\\wide.png");
    s.Line("$effect 8");
    s.Line("$imgblt bg\\01_cg.png");
    s.Line("$maskefct mask\\ramp.bmp");
    s.Line("$imgblt bg\\02_cg.png");
    s.Line("$subef 1");
    s.Line("$effect 1");
    s.Line("$setfontsize 21");
    s.Line("$setfontcolor FFFFFF");
    s.Line("$statuswindow OPEN");
    s.Line("$statusctrl 1");
    s.Line("$commandopen");
    s.Line("$stuffroll");
    s.Line("$random 3 10");
    s.Line("$recflag 0");
    s.Line("$jmp sub return back");
    s.Line(":sub");
    s.Line("寄り道をした。");
    // A page break, not a click wait: the return starts the next line at the window's top.
    s.Line("$P");
    s.Line("$returnto");
    s.Line(":back");
    s.Line("$syncstart");
    s.Line("時が流れる。");
    s.Line("$synctiming 300");
    s.Line("$syncexit");
    s.Line("$wait 200");
    s.Line("$onestopbgm bgm\\m1.ogg");
    s.Line("$BGMWave bgm\\wave.wav");
    s.Line("$cdda 2");
    s.Line("$OGGPlay bgm\\m2.ogg");
    s.Line("$movieplay movie\\m0.mpg");
    s.Line("$imgblt bg\\b003.png");
    s.Line("$movieplay movie\\m1.mpg");
    s.Line("$imgblt bg\\b004.png");
    s.Line("$URLOpen https://example.com/");
    s.Line("$windowclose");
    s.Line("$windowopen");
    s.Line("$flagreset");
    s.Line("物語が始まる。");
    s.Line("$C");
    for (int chapter = 0; chapter < kChapters; ++chapter) {
        s.Line(":chapter" + std::to_string(chapter));
        s.Line("$OGGPlay bgm\\m" + std::to_string(chapter % 5) + ".ogg");
        s.Line("$imgblt bg\\b" + Num(picture++ % kBackgrounds) + ".png");
        s.Line("第" + std::to_string(chapter + 1) + "章。");
        s.Line("$C");
        for (int menu = 0; menu < kMenusPerChapter; ++menu) {
            s.Line(":m" + std::to_string(chapter) + "_" + std::to_string(menu));
            s.Line("$flagreset");
            Menu(s, chapter, menu, textLines, picture);
        }
        // The end of the chapter: its ending, or the next chapter.
        std::string c = std::to_string(chapter);
        s.Line(":m" + c + "_" + std::to_string(kMenusPerChapter));
        s.Line("$flagreset");
        if (chapter + 1 < kChapters) {
            s.Line("$imgblt bg\\b" + Num(picture++ % kBackgrounds) + ".png");
            s.Line("$selword");
            s.Line("(end" + c + ",0,ここで終わる)");
            s.Line("(chapter" + std::to_string(chapter + 1) + ",0,先へ進む)");
            s.Line("selend");
            s.Line(":end" + c);
        }
        s.Line("$recflag " + std::to_string(1 + chapter % 19));
        s.Line("$fill white");
        s.Line("結末" + std::to_string(chapter + 1) + "。");
        s.Line("$S");
        if (chapter + 1 < kChapters) {
            s.Line("$jmp title");
        }
    }
    return s;
}

// ----- the affection shape -----

// The shape of many titles of the era: a long run of choices, each adding a point to one of a few
// "affection" counters (or to none), judged only at the end by pointjudge lines into the endings.
constexpr int kAffectionChoices = 120;
constexpr int kAffectionCounters = 4;
constexpr int kAffectionTargetLines = 40000;
// A counter that reaches kBest leads to its character's best ending, kGood to the good one; each
// counter is offered in half of the choices, so either can be reached, and with the neutral entries
// all of them can stay below kGood (the ninth, lonely ending).
constexpr int kBest = 40;
constexpr int kGood = 25;
const char* const kCharacters[kAffectionCounters] = {"春香", "夏美", "秋子", "冬美"};

Story ComposeAffection(int textLines) {
    Story s;
    s.Line("; make_corpus --shape affection が書いた、選択肢が百二十続く合成タイトル。");
    s.Line("$effect 1");
    s.Line(":title");
    s.Line("$windowclose");
    s.Line("$flagreset");
    s.Line("$imgblt bg\\title.png");
    s.Line("$selarea bg\\title_lit.png");
    s.Line("(100,100,399,199,opening,0)");
    s.Line("(100,400,399,499,quit,0)");
    s.Line("selend");
    s.Line(":quit");
    s.Line("$exit_game");
    s.Line(":opening");
    s.Line("$windowopen");
    s.Line("$imgblt bg\\b000.png");
    s.Line("四人と過ごす一年が始まる。");
    s.Line("$P");
    for (int k = 0; k < kAffectionChoices; ++k) {
        const int first = k % kAffectionCounters;
        const int second = (k + 1) % kAffectionCounters;
        const std::string at = std::to_string(k);
        s.Line(":c" + at);
        s.Line("第" + std::to_string(k + 1) + "日。誰と過ごそうか。");
        s.Line("$selword");
        s.Line("(c" + at + "_a,0," + kCharacters[first] + "と過ごす)");
        s.Line("(c" + at + "_b,0," + kCharacters[second] + "と過ごす)");
        s.Line("(c" + at + "_n,0,一人で過ごす)");
        s.Line("selend");
        const int counters[3] = {first, second, -1};
        const char* const tags[3] = {"_a", "_b", "_n"};
        for (int e = 0; e < 3; ++e) {
            s.Line(":c" + at + tags[e]);
            if (counters[e] >= 0) {
                s.Line("$pointflag " + std::to_string(counters[e] + 1) + " 1");
            }
            const std::string who = counters[e] >= 0 ? kCharacters[counters[e]] : "一人";
            for (int i = 0; i < textLines; ++i) {
                s.Line("第" + std::to_string(k + 1) + "日、" + who + "と、" + std::to_string(i + 1) +
                       "行目の文。");
                s.Line(i % 4 == 3 ? "$P" : "$C");
            }
            s.Line("$P");
            s.Line("$jmp c" + std::to_string(k + 1));
        }
    }
    // The judges: each character's best ending, then each one's good ending, else the lonely one.
    s.Line(":c" + std::to_string(kAffectionChoices));
    for (int n = 0; n < kAffectionCounters; ++n) {
        s.Line("$pointjudge " + std::to_string(n + 1) + " " + std::to_string(kBest) + " best" +
               std::to_string(n));
    }
    for (int n = 0; n < kAffectionCounters; ++n) {
        s.Line("$pointjudge " + std::to_string(n + 1) + " " + std::to_string(kGood) + " good" +
               std::to_string(n));
    }
    s.Line("$recflag 9");
    s.Line("一年が終わった。一人のままだった。");
    s.Line("$C");
    s.Line("$jmp title");
    for (int n = 0; n < kAffectionCounters; ++n) {
        for (int best = 1; best >= 0; --best) {
            s.Line(std::string(best ? ":best" : ":good") + std::to_string(n));
            s.Line("$recflag " + std::to_string(1 + n * 2 + best));
            s.Line(std::string(kCharacters[n]) + (best ? "と結ばれた。" : "と親しくなった。"));
            s.Line("$C");
            s.Line("$jmp title");
        }
    }
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    bool affection = argc == 4 && std::string(argv[1]) == "--shape" && std::string(argv[2]) == "affection";
    if (argc != 2 && !affection) {
        std::fprintf(stderr, "usage: make_corpus [--shape affection] OUT_DIR\n");
        return 2;
    }
    gOut = argv[argc - 1];
    std::error_code error;
    fs::create_directories(gOut, error);
    std::string ist = std::string("InstanceName=\"textreel-") + (affection ? "affection" : "corpus") +
                      "\"\r\nWindowName=\"corpus\"\r\nWindowWidth=\"800\"\r\n"
                      "WindowHeight=\"600\"\r\nGameType=\"0\"\r\n";
    Write("corpus.ist", std::vector<uint8_t>(ist.begin(), ist.end()));
    if (affection) {
        int textLines = 1;
        Story story = ComposeAffection(textLines);
        while (story.Count() < static_cast<size_t>(kAffectionTargetLines)) {
            story = ComposeAffection(++textLines);
        }
        std::string bytes = story.Bytes();
        Write("scenario.txt", std::vector<uint8_t>(bytes.begin(), bytes.end()));
        Assets();
        std::printf("make_corpus: %s: %zu lines, %d menus, %d pointjudge lines\n", gOut.string().c_str(),
                    story.Count(), kAffectionChoices + 1, 2 * kAffectionCounters);
        return gOk ? 0 : 1;
    }
    // As many text lines a branch as make the scenario at least kTargetLines long.
    int textLines = 1;
    Story story = Compose(textLines);
    while (story.Count() < static_cast<size_t>(kTargetLines)) {
        story = Compose(++textLines);
    }
    std::string bytes = story.Bytes();
    Write("scenario.txt", std::vector<uint8_t>(bytes.begin(), bytes.end()));
    Assets();
    std::printf("make_corpus: %s: %zu lines, %d menus, %d pictures\n", gOut.string().c_str(), story.Count(),
                kChapters * (kMenusPerChapter + 1) + 2, kBackgrounds + kSprites + 6);
    return gOk ? 0 : 1;
}
