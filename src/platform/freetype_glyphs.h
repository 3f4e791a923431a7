// Glyphs from FreeType, with the face chosen through fontconfig.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "text/glyph_source.h"

struct FT_FaceRec_;

namespace textreel {

// A font face on disk as fontconfig names it.
struct FontFace {
    std::string file;
    int index = 0;
    std::string family;
    int weight = 400;  // the face's own weight on the OpenType scale (400 regular, 700 bold)
};

// The family the scenario engine's text font asks for: "ＭＳ ゴシック" in UTF-8.
extern const char* const kWindowsGothicFamily;

// Asks fontconfig for its best match for family (and for language lang unless it is empty) and
// accepts it only when the face covers Japanese: hiragana, kanji and full-width Latin letters.
// fontconfig answers any name it does not know with some Latin font, which this refuses.
bool MatchJapaneseFace(const std::string& family, const std::string& lang, FontFace& out, int weight = 400);

// Asks fontconfig for its best match for family and accepts it when the face has Latin letters:
// the face of a translation's proportional half-width text.
bool MatchLatinFace(const std::string& family, FontFace& out);

// A GlyphSource over one FreeType face. Bitmaps are rendered from outlines, anti-aliased with 256
// grey levels and scaled to 0..64, and cached per size and code. All operations may be called from
// any thread.
class FreeTypeGlyphs : public GlyphSource {
  public:
    // Sizes above this are refused: their bitmaps would be megabytes each.
    static constexpr int kMaxCellHeight = 1024;
    // Weights on the OpenType scale, as Windows fonts are asked for them.
    static constexpr int kRegular = 400;
    static constexpr int kSemiBold = 600;

    // Glyphs of the given weight: the face's own style of that weight when fontconfig finds one,
    // otherwise the regular face with its outlines emboldened (for weights of 600 and more).
    explicit FreeTypeGlyphs(int weight = kRegular);
    ~FreeTypeGlyphs() override;
    FreeTypeGlyphs(const FreeTypeGlyphs&) = delete;
    FreeTypeGlyphs& operator=(const FreeTypeGlyphs&) = delete;

    // Finds the Windows gothic face, or else an installed Japanese gothic, and opens it. description
    // (may be null) receives the face and file chosen, or why none was.
    bool Open(std::string* description);
    // Opens the given face directly.
    bool OpenFace(const FontFace& face, std::string* description);
    bool IsOpen();

    int Ascent(int cellHeight) override;
    int64_t BitmapSize(int cellHeight, uint32_t sjisCode) override;
    bool Render(int cellHeight, uint32_t sjisCode, GlyphBitmap& out) override;
    int Advance(int cellHeight, uint32_t sjisCode) override;
    int Kerning(int cellHeight, uint32_t left, uint32_t right) override;

    // Forgets every cached glyph.
    void ClearCache();

  private:
    struct Entry {
        int64_t size = -1;
        int advance = 0;
        GlyphBitmap bitmap;
    };
    struct FreeTypeState;

    const Entry& Lookup(int cellHeight, uint32_t sjisCode);
    bool SelectSize(int cellHeight);
    // The face that draws a code point, scaled to cellHeight: the main face, or for a character it
    // lacks another installed face that has it; nullptr when none does.
    FT_FaceRec_* FaceFor(uint32_t unicode, int cellHeight);
    void Build(int cellHeight, uint32_t sjisCode, Entry& entry);

    std::mutex mutex_;
    std::unique_ptr<FreeTypeState> ft_;
    std::unordered_map<uint64_t, Entry> cache_;
    std::unordered_map<int, int> ascents_;
    std::unordered_map<uint64_t, int> kerning_;
    int weight_ = kRegular;
    bool embolden_ = false;  // the face is lighter than asked: outlines are thickened
    size_t cachedBytes_ = 0;
};

}  // namespace textreel
