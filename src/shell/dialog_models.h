// The logic of the three dialogs, apart from their drawing: the name entry's edit field and its
// byte rule, the colour dialog's sliders, and their results.
#pragma once

#include "shell/title_settings.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace textreel {

// A single-line edit field holding Shift-JIS text, edited one whole character at a time, so that a
// double-byte character is never split. The caret and the selection's anchor are character indexes.
class EditField {
  public:
    // The most bytes the field holds; typing beyond it is refused as a whole.
    static constexpr size_t kCapacity = 64;

    enum class Typed { kOk, kNotShiftJis, kTooLong };

    std::string Text() const;
    size_t Bytes() const;
    size_t Characters() const { return chars_.size(); }
    size_t Caret() const { return caret_; }
    size_t Anchor() const { return anchor_; }
    bool HasSelection() const { return caret_ != anchor_; }
    // The bytes before character index i.
    std::string Prefix(size_t i) const;

    // Replaces the whole text (Shift-JIS) and puts the caret at its end; false (and no change) when
    // it is longer than the field holds.
    bool SetText(const std::string& sjis);
    void Clear() { SetText(std::string()); }
    // A UTF-8 title's field holds UTF-8 characters (any that UTF-8 holds) instead.
    void SetEncoding(TextEncoding encoding) { encoding_ = encoding; }
    void SelectAll();

    // Typed UTF-8 text: replaces the selection, or goes in at the caret. Text with a character that
    // Shift-JIS cannot hold, or that would overfill the field, is refused whole. Control characters
    // are dropped.
    Typed Type(const std::string& utf8);

    void Backspace();
    void Delete();
    // Caret moves; with select the selection grows from its anchor, without it the selection ends.
    void Left(bool select);
    void Right(bool select);
    void Home(bool select);
    void End(bool select);
    // Puts the caret at a character index (a click in the field).
    void SetCaret(size_t index, bool select);

  private:
    void DeleteSelection();

    std::vector<std::string> chars_;  // one Shift-JIS character each (1 or 2 bytes)
    size_t caret_ = 0;
    size_t anchor_ = 0;
    TextEncoding encoding_ = TextEncoding::kShiftJis;
};

// The name entry's rule: a name may have at most this many bytes (five full-width characters, or ten
// half-width ones); an empty name is accepted.
constexpr size_t kPlayerNameMaxBytes = 10;
inline bool NameFits(const std::string& sjis) {
    return sjis.size() <= kPlayerNameMaxBytes;
}

// One slider of the colour dialog: 0..255, by steps, pages and positions.
struct Slider {
    static constexpr int kMin = 0;
    static constexpr int kMax = 255;
    static constexpr int kPage = 51;  // a fifth of the range, as trackbars page

    int value = 0;

    void Set(int v);
    void Step(int delta) { Set(value + delta); }
    // The value under pixel x of a track that starts at left and is width pixels long.
    static int ValueAt(int x, int left, int width);
    // The pixel of the value on that track.
    static int PixelOf(int value, int left, int width);
    // A key on a focused slider (Windows virtual-key codes); false when the key does nothing.
    bool Key(int key);
};

// The colour dialog's working colour: red, green, blue and brightness.
struct ColourModel {
    std::array<Slider, 4> sliders;

    // Loads the working colour from the low bytes of four point counters.
    void Load(const std::array<int32_t, 4>& counters);
    std::array<int32_t, 4> Values() const;
    // The preview's colour, 0x00RRGGBB: brightness does not show in it.
    uint32_t PreviewRgb() const;
};

}  // namespace textreel
