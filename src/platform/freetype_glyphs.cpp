#include "platform/freetype_glyphs.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdlib>
#include <utility>
#include <vector>

#include "platform/encoding.h"

namespace textreel {

const char* const kWindowsGothicFamily =
    "\xEF\xBC\xAD\xEF\xBC\xB3 \xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF";

namespace {

// The cache is dropped whole when its bitmaps pass this many bytes; a page of text at any sane size
// stays far below it.
constexpr size_t kCacheByteLimit = 16u << 20;
// What one cache entry costs besides its bitmap, roughly.
constexpr size_t kEntryOverhead = 96;

// A face that has hiragana, kanji and full-width Latin letters can show Japanese text.
bool CoversJapanese(FcCharSet* charset) {
    constexpr std::array<FcChar32, 4> kSamples = {0x3042, 0x30A2, 0x65E5, 0xFF21};
    return std::all_of(kSamples.begin(), kSamples.end(),
                       [charset](FcChar32 c) { return FcCharSetHasChar(charset, c) != FcFalse; });
}

// A face that has the Latin letters can draw a translation's half-width text.
bool CoversLatin(FcCharSet* charset) {
    constexpr std::array<FcChar32, 3> kSamples = {'A', 'z', '0'};
    return std::all_of(kSamples.begin(), kSamples.end(),
                       [charset](FcChar32 c) { return FcCharSetHasChar(charset, c) != FcFalse; });
}

bool MatchWithConfig(FcConfig* config, const std::string& family, const std::string& lang, FontFace& out,
                     int weight, bool (*covers)(FcCharSet*) = CoversJapanese) {
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) {
        return false;
    }
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    if (!lang.empty()) {
        FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(lang.c_str()));
    }
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) {
        return false;
    }
    bool accepted = false;
    FcCharSet* charset = nullptr;
    FcChar8* file = nullptr;
    if (FcPatternGetCharSet(match, FC_CHARSET, 0, &charset) == FcResultMatch && covers(charset) &&
        FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        out.file = reinterpret_cast<const char*>(file);
        int index = 0;
        out.index = FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch ? index : 0;
        int matchedWeight = FC_WEIGHT_REGULAR;
        out.weight = FcPatternGetInteger(match, FC_WEIGHT, 0, &matchedWeight) == FcResultMatch
                         ? FcWeightToOpenType(matchedWeight)
                         : 400;
        FcChar8* matchedFamily = nullptr;
        out.family = FcPatternGetString(match, FC_FAMILY, 0, &matchedFamily) == FcResultMatch
                         ? reinterpret_cast<const char*>(matchedFamily)
                         : family;
        accepted = true;
    }
    FcPatternDestroy(match);
    return accepted;
}

}  // namespace

bool MatchJapaneseFace(const std::string& family, const std::string& lang, FontFace& out, int weight) {
    FcConfig* config = FcConfigReference(nullptr);
    if (config == nullptr) {
        return false;
    }
    bool found = MatchWithConfig(config, family, lang, out, weight);
    FcConfigDestroy(config);
    return found;
}

// The most faces opened for characters the main face lacks (UTF-8 titles only).
constexpr size_t kMaxFallbackFaces = 8;

bool MatchLatinFace(const std::string& family, FontFace& out) {
    FcConfig* config = FcConfigReference(nullptr);
    if (config == nullptr) {
        return false;
    }
    bool found = MatchWithConfig(config, family, "", out, FreeTypeGlyphs::kRegular, CoversLatin);
    FcConfigDestroy(config);
    return found;
}

struct FreeTypeGlyphs::FreeTypeState {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    // The cell height the face is currently scaled to; 0 when none.
    int currentSize = 0;
    // Faces found by fontconfig for code points the main face has no glyph for, each with the cell
    // height it is scaled to, and the code points no installed face has.
    std::vector<std::pair<FT_Face, int>> fallbacks;
    std::unordered_map<uint32_t, bool> searched;
    FcConfig* config = nullptr;

    ~FreeTypeState() {
        for (auto& fallback : fallbacks) {
            FT_Done_Face(fallback.first);
        }
        if (face != nullptr) {
            FT_Done_Face(face);
        }
        if (library != nullptr) {
            FT_Done_FreeType(library);
        }
        if (config != nullptr) {
            FcConfigDestroy(config);
        }
    }
};

FreeTypeGlyphs::FreeTypeGlyphs(int weight) : ft_(std::make_unique<FreeTypeState>()), weight_(weight) {}

FreeTypeGlyphs::~FreeTypeGlyphs() = default;

bool FreeTypeGlyphs::Open(std::string* description) {
    // The scenario engine asks for the Windows gothic by name. A system that has it (or an alias for
    // it) gets it; otherwise the first installed Japanese gothic serves in its place.
    const std::array<std::pair<const char*, const char*>, 3> kCandidates = {{
        {kWindowsGothicFamily, ""},
        {"IPAGothic", ""},
        {"sans-serif", "ja"},
    }};
    FcConfig* config = FcConfigReference(nullptr);
    if (config == nullptr) {
        if (description != nullptr) {
            *description = "fontconfig could not be initialised";
        }
        return false;
    }
    std::string failures;
    bool opened = false;
    for (size_t i = 0; i < kCandidates.size() && !opened; ++i) {
        FontFace face;
        if (!MatchWithConfig(config, kCandidates[i].first, kCandidates[i].second, face, weight_)) {
            continue;
        }
        std::string detail;
        if (OpenFace(face, &detail)) {
            opened = true;
            if (description != nullptr) {
                *description = detail;
                if (i > 0) {
                    *description += std::string(" in place of ") + kWindowsGothicFamily;
                }
            }
        } else {
            failures += "; " + detail;
        }
    }
    FcConfigDestroy(config);
    if (!opened && description != nullptr) {
        *description = "no Japanese gothic font found (install fonts-ipafont-gothic)" + failures;
    }
    return opened;
}

bool FreeTypeGlyphs::OpenFace(const FontFace& face, std::string* description) {
    std::lock_guard lock(mutex_);
    cache_.clear();
    ascents_.clear();
    kerning_.clear();
    cachedBytes_ = 0;
    ft_ = std::make_unique<FreeTypeState>();
    if (FT_Init_FreeType(&ft_->library) != 0) {
        ft_->library = nullptr;
        if (description != nullptr) {
            *description = "FreeType could not be initialised";
        }
        return false;
    }
    if (FT_New_Face(ft_->library, face.file.c_str(), face.index, &ft_->face) != 0) {
        ft_->face = nullptr;
        if (description != nullptr) {
            *description = "cannot open font file " + face.file;
        }
        return false;
    }
    if (!FT_IS_SCALABLE(ft_->face) || FT_Select_Charmap(ft_->face, FT_ENCODING_UNICODE) != 0) {
        FT_Done_Face(ft_->face);
        ft_->face = nullptr;
        if (description != nullptr) {
            *description = "font " + face.file + " has no scalable Unicode glyphs";
        }
        return false;
    }
    // A face a weight class or more lighter than asked for is drawn with thickened outlines, as
    // Windows draws a bold font that has no bold face.
    embolden_ = weight_ >= kSemiBold && face.weight <= weight_ - 100;
    if (description != nullptr) {
        *description = face.family + " (" + face.file + ")" + (embolden_ ? ", emboldened" : "");
    }
    return true;
}

bool FreeTypeGlyphs::IsOpen() {
    std::lock_guard lock(mutex_);
    return ft_->face != nullptr;
}

void FreeTypeGlyphs::ClearCache() {
    std::lock_guard lock(mutex_);
    cache_.clear();
    cachedBytes_ = 0;
}

namespace {
// Scales face so that its cell (ascender plus descender) is cellHeight pixels high.
bool ScaleToCell(FT_Face face, int& currentSize, int cellHeight) {
    if (face == nullptr || cellHeight < 1 || cellHeight > FreeTypeGlyphs::kMaxCellHeight) {
        return false;
    }
    if (currentSize == cellHeight) {
        return true;
    }
    FT_Size_RequestRec request{};
    request.type = FT_SIZE_REQUEST_TYPE_CELL;
    request.height = static_cast<FT_Long>(cellHeight) * 64;
    if (FT_Request_Size(face, &request) != 0) {
        currentSize = 0;
        return false;
    }
    currentSize = cellHeight;
    return true;
}
}  // namespace

FT_FaceRec_* FreeTypeGlyphs::FaceFor(uint32_t unicode, int cellHeight) {
    FT_Face face = ft_->face;
    if (face == nullptr) {
        return nullptr;
    }
    if (FT_Get_Char_Index(face, unicode) != 0) {
        return SelectSize(cellHeight) ? face : nullptr;
    }
    for (auto& fallback : ft_->fallbacks) {
        if (FT_Get_Char_Index(fallback.first, unicode) != 0) {
            return ScaleToCell(fallback.first, fallback.second, cellHeight) ? fallback.first : nullptr;
        }
    }
    // Asks fontconfig once per code point for an installed face that has it.
    if (ft_->fallbacks.size() >= kMaxFallbackFaces || ft_->searched.count(unicode) != 0 ||
        ft_->searched.size() > 4096) {
        return nullptr;
    }
    ft_->searched.emplace(unicode, true);
    if (ft_->config == nullptr) {
        ft_->config = FcConfigReference(nullptr);
        if (ft_->config == nullptr) {
            return nullptr;
        }
    }
    FcPattern* pattern = FcPatternCreate();
    FcCharSet* wanted = FcCharSetCreate();
    FT_Face found = nullptr;
    if (pattern != nullptr && wanted != nullptr) {
        FcCharSetAddChar(wanted, unicode);
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
        FcPatternAddCharSet(pattern, FC_CHARSET, wanted);
        FcConfigSubstitute(ft_->config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(ft_->config, pattern, &result);
        FcCharSet* charset = nullptr;
        FcChar8* file = nullptr;
        int index = 0;
        if (match != nullptr && FcPatternGetCharSet(match, FC_CHARSET, 0, &charset) == FcResultMatch &&
            FcCharSetHasChar(charset, unicode) != FcFalse &&
            FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
            FcPatternGetInteger(match, FC_INDEX, 0, &index);
            FT_Face opened = nullptr;
            if (FT_New_Face(ft_->library, reinterpret_cast<const char*>(file), index, &opened) == 0) {
                if (FT_IS_SCALABLE(opened) && FT_Select_Charmap(opened, FT_ENCODING_UNICODE) == 0 &&
                    FT_Get_Char_Index(opened, unicode) != 0) {
                    ft_->fallbacks.emplace_back(opened, 0);
                    found = opened;
                } else {
                    FT_Done_Face(opened);
                }
            }
        }
        if (match != nullptr) {
            FcPatternDestroy(match);
        }
    }
    if (wanted != nullptr) {
        FcCharSetDestroy(wanted);
    }
    if (pattern != nullptr) {
        FcPatternDestroy(pattern);
    }
    if (found == nullptr) {
        return nullptr;
    }
    return ScaleToCell(found, ft_->fallbacks.back().second, cellHeight) ? found : nullptr;
}

bool FreeTypeGlyphs::SelectSize(int cellHeight) {
    if (ft_->face == nullptr || cellHeight < 1 || cellHeight > kMaxCellHeight) {
        return false;
    }
    if (ft_->currentSize == cellHeight) {
        return true;
    }
    // Like a Windows font made with a positive height, the size is that of the whole cell (ascender
    // plus descender); the width follows the height's scale.
    FT_Size_RequestRec request{};
    request.type = FT_SIZE_REQUEST_TYPE_CELL;
    request.width = 0;
    request.height = static_cast<FT_Long>(cellHeight) * 64;
    request.horiResolution = 0;
    request.vertResolution = 0;
    if (FT_Request_Size(ft_->face, &request) != 0) {
        ft_->currentSize = 0;
        return false;
    }
    ft_->currentSize = cellHeight;
    return true;
}

int FreeTypeGlyphs::Ascent(int cellHeight) {
    std::lock_guard lock(mutex_);
    if (auto it = ascents_.find(cellHeight); it != ascents_.end()) {
        return it->second;
    }
    if (!SelectSize(cellHeight)) {
        return 0;
    }
    // FreeType rounds the scaled ascender up to whole pixels; the nearest pixel keeps the glyphs of a
    // cell-sized font inside the cell, as Windows places them.
    FT_Face face = ft_->face;
    int ascent = static_cast<int>((FT_MulFix(face->ascender, face->size->metrics.y_scale) + 32) >> 6);
    ascents_.emplace(cellHeight, ascent);
    return ascent;
}

void FreeTypeGlyphs::Build(int cellHeight, uint32_t sjisCode, Entry& entry) {
    // A character that cannot be drawn still takes its cell, so text after it stays in place.
    entry.size = -1;
    FT_Face face = nullptr;
    uint32_t unicode = 0;
    if ((sjisCode & kUnicodeGlyph) != 0) {
        // A UTF-8 title's character: a face that lacks it may be helped out by another one.
        unicode = sjisCode & ~kUnicodeGlyph;
        // Half-width katakana take half a cell, as their Shift-JIS single bytes do.
        const bool narrow = unicode < 0x1100 || (unicode >= 0xFF61 && unicode <= 0xFF9F);
        entry.advance = std::max(0, narrow ? cellHeight / 2 : cellHeight);
        if (unicode > 0x10FFFF || unicode < 0x20) {
            return;
        }
        face = FaceFor(unicode, cellHeight);
    } else {
        entry.advance = std::max(0, sjisCode > 0xFF ? cellHeight : cellHeight / 2);
        if (sjisCode > 0xFFFF || (sjisCode > 0xFF && !IsSjisLeadByte(static_cast<uint8_t>(sjisCode >> 8)))) {
            return;
        }
        unicode = Cp932CodeToUnicode(sjisCode);
        if (unicode == 0 || !SelectSize(cellHeight)) {
            return;
        }
        face = ft_->face;
    }
    if (face == nullptr) {
        return;
    }
    FT_UInt glyphIndex = FT_Get_Char_Index(face, unicode);
    if (glyphIndex == 0) {
        return;
    }
    // FT_LOAD_DEFAULT grid-fits the outline with the font's own hinting, as the Windows rasteriser
    // does for its grey bitmaps, and rounds the advance to whole pixels. Embedded bitmaps are
    // skipped: they are one-bit and would lose the anti-aliasing.
    if (FT_Load_Glyph(face, glyphIndex, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) {
        return;
    }
    FT_GlyphSlot slot = face->glyph;
    if (embolden_ && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        // Thickens the outline by a 24th of the em and widens the advance to match.
        FT_GlyphSlot_Embolden(slot);
    }
    if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) {
        return;
    }
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.pixel_mode != FT_PIXEL_MODE_MONO) {
        return;
    }
    entry.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    GlyphBitmap& out = entry.bitmap;
    out.blackBoxWidth = static_cast<int>(bitmap.width);
    out.blackBoxHeight = static_cast<int>(bitmap.rows);
    out.originY = slot->bitmap_top;
    out.originX = slot->bitmap_left;
    out.pitch = (out.blackBoxWidth + 3) & ~3;
    out.levels.assign(static_cast<size_t>(out.pitch) * out.blackBoxHeight, 0);
    if (out.blackBoxWidth == 0 || out.blackBoxHeight == 0) {
        out = GlyphBitmap{};
        entry.size = 0;
        return;
    }
    // A negative pitch means the rows are stored bottom row first.
    const int sourcePitch = bitmap.pitch;
    const int maxGrey = bitmap.num_grays > 1 ? bitmap.num_grays - 1 : 255;
    for (int r = 0; r < out.blackBoxHeight; ++r) {
        int sourceRow = sourcePitch >= 0 ? r : out.blackBoxHeight - 1 - r;
        const uint8_t* source = bitmap.buffer + static_cast<ptrdiff_t>(sourceRow) * std::abs(sourcePitch);
        uint8_t* target = out.levels.data() + static_cast<size_t>(r) * out.pitch;
        for (int c = 0; c < out.blackBoxWidth; ++c) {
            if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
                target[c] = ((source[c >> 3] >> (7 - (c & 7))) & 1) != 0 ? 64 : 0;
            } else {
                target[c] = static_cast<uint8_t>((source[c] * 64 + maxGrey / 2) / maxGrey);
            }
        }
    }
    entry.size = static_cast<int64_t>(out.levels.size());
}

const FreeTypeGlyphs::Entry& FreeTypeGlyphs::Lookup(int cellHeight, uint32_t sjisCode) {
    const uint64_t key = (static_cast<uint64_t>(static_cast<uint32_t>(cellHeight)) << 32) | sjisCode;
    if (auto it = cache_.find(key); it != cache_.end()) {
        return it->second;
    }
    Entry entry;
    Build(cellHeight, sjisCode, entry);
    size_t cost = entry.bitmap.levels.size() + kEntryOverhead;
    if (cachedBytes_ + cost > kCacheByteLimit) {
        cache_.clear();
        cachedBytes_ = 0;
    }
    cachedBytes_ += cost;
    return cache_.emplace(key, std::move(entry)).first->second;
}

int64_t FreeTypeGlyphs::BitmapSize(int cellHeight, uint32_t sjisCode) {
    std::lock_guard lock(mutex_);
    return Lookup(cellHeight, sjisCode).size;
}

bool FreeTypeGlyphs::Render(int cellHeight, uint32_t sjisCode, GlyphBitmap& out) {
    std::lock_guard lock(mutex_);
    const Entry& entry = Lookup(cellHeight, sjisCode);
    if (entry.size < 0) {
        return false;
    }
    out = entry.bitmap;
    return true;
}

int FreeTypeGlyphs::Advance(int cellHeight, uint32_t sjisCode) {
    std::lock_guard lock(mutex_);
    return Lookup(cellHeight, sjisCode).advance;
}

int FreeTypeGlyphs::Kerning(int cellHeight, uint32_t left, uint32_t right) {
    std::lock_guard lock(mutex_);
    FT_Face face = ft_->face;
    if (face == nullptr || !FT_HAS_KERNING(face)) {
        return 0;
    }
    auto unicodeOf = [](uint32_t code) {
        return (code & kUnicodeGlyph) != 0 ? code & ~kUnicodeGlyph : Cp932CodeToUnicode(code);
    };
    const uint64_t key = (static_cast<uint64_t>(unicodeOf(left) & 0x1FFFFF) << 32) |
                         (static_cast<uint64_t>(unicodeOf(right) & 0x1FFFFF) << 11) |
                         static_cast<uint64_t>(cellHeight & 0x7FF);
    if (auto it = kerning_.find(key); it != kerning_.end()) {
        return it->second;
    }
    int pixels = 0;
    FT_UInt a = FT_Get_Char_Index(face, unicodeOf(left));
    FT_UInt b = FT_Get_Char_Index(face, unicodeOf(right));
    FT_Vector delta{};
    if (a != 0 && b != 0 && SelectSize(cellHeight) &&
        FT_Get_Kerning(face, a, b, FT_KERNING_DEFAULT, &delta) == 0) {
        pixels = static_cast<int>((delta.x + 32) >> 6);
    }
    if (kerning_.size() > 65536) {
        kerning_.clear();
    }
    kerning_.emplace(key, pixels);
    return pixels;
}

}  // namespace textreel
